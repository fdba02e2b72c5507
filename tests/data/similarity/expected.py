#!/usr/bin/env python3
"""Expected values of all 86 similarity types (value and offset) and of the
transposition search for pairs of melody tables, worked out from the
documented definitions without the C++ code. The melody reader, phrase
flags, key finding, contour points and accent models come from the feature
transcription in ../features/expected.py; the type rows from
type_table.txt.

Usage (in tests/data):
    python3 similarity/expected.py A.csv B.csv [C.csv D.csv ...] > similarity/pairs.expected
writes, per pair, the line "A B transposition phrase-rawEd" (the best shift of
B and the phrase-mode rawEd value) and then per type one line "name value
offset" (Python repr, 17 significant digits).
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "features"))
import expected as ref  # noqa: E402

(WEIGHTED, CONTOUR, FOURIER, INTERVALS, RHYTHM, NGRAMS, HARMONIC, CONSTANT, ACCENTS, LINEAR,
 PEARSON, CROSS, EDIT, STEINBECK, NATURAL, FUZZY, STRETCHED, SUMCOMMON, COUNTDISTINCT, UKKONEN,
 ROUGH, MEANDIFFEXP, MEANDIFF, KEYFINDING, ACCENTDIST) = (
    0x1, 0x4, 0x10, 0x20, 0x40, 0x80, 0x200, 0x400, 0x800, 0x8000, 0x10000, 0x20000, 0x40000,
    0x80000, 0x100000, 0x200000, 0x400000, 0x800000, 0x1000000, 0x2000000, 0x8000000,
    0x10000000, 0x20000000, 0x40000000, 0x80000000)


def type_rows():
    rows = []
    for line in open(os.path.join(HERE, "type_table.txt"), encoding="utf-8"):
        if line.strip() and not line.startswith("#"):
            name, _text, flags, param = line.rstrip("\n").split("|")
            rows.append((name, int(flags, 16), int(param)))
    return rows

# --- melodies -------------------------------------------------------------------

def expand(m):
    """One note per tatum, positions advanced by the tatum from the renumbered first note."""
    e = ref.Melody()
    e.numerator, e.tpb, e.tatum = m.numerator, m.tpb, m.tatum
    e.pitches = [p for p, d in zip(m.pitches, m.durations) for _ in range(min(d, 128))]
    e.durations = [1] * len(e.pitches)
    bar, beat, tick, _ = m.positions[0]
    down = 1 if (beat == 1 and tick == 0) else 0
    if not (bar == 1 and down == 1):
        bar += down - m.positions[0][0]
    e.positions = []
    for _ in e.pitches:
        e.positions.append([bar, beat, tick, 1])
        tick += m.tatum
        beat += tick // m.tpb
        tick %= m.tpb
        if beat > m.numerator:
            bar += (beat - 1) // m.numerator
            beat = (beat - 1) % m.numerator + 1
    return e


def skip_count(m):
    limit = min(sum(m.durations) // 10, 8)
    total = 0
    for i, d in enumerate(m.durations):
        total += d
        if total > limit:
            return i
    return len(m.pitches) - 1


def contour_curve(p, method):
    n = len(p)
    reduced = [(p[0], 0)]
    for j in range(1, n):
        if p[j] != p[j - 1]:
            e = j
            while e + 1 < n and p[e + 1] == p[j]:
                e += 1
            reduced.append((p[j], e))
    points = [0]
    r = [v for v, _ in reduced]
    if method == "steinbeck":
        if len(r) > 4:
            s = ref.sign
            for k in range(len(r) - 4):
                f, g = s(r[k + 2] - r[k + 1]), s(r[k + 3] - r[k + 2])
                if s(r[k + 1] - r[k]) == f and s(r[k + 4] - r[k + 3]) == g and g != f:
                    points.append(reduced[k + 2][1])
    else:
        for k in range(1, len(r) - 1):
            a, b, c = r[k - 1], r[k], r[k + 1]
            if ((b > a and b > c) or (b < a and b < c)) and (method == "natural" or a != c):
                points.append(reduced[k][1])
    if n > 1:
        points.append(n - 1)
    curve = []
    for t in range(n - 1):
        a = max(q for q in points if q <= t)
        b = min(q for q in points if q > t)
        curve.append(p[a] + (p[b] - p[a]) / (b - a) * (t - a))
    return curve + [float(p[-1])]


def diffs(v):
    return [v[i + 1] - v[i] for i in range(len(v) - 1)]

# --- comparisons ------------------------------------------------------------------

FUZZY_CLASSES = [(-1000, -24, -8, -7), (-8, -7, -5, -4), (-5, -4, -3, -2), (-3, -2, -1, 0),
                 (0, 0, 0, 0), (0, 1, 2, 3), (2, 3, 4, 5), (4, 5, 7, 8), (7, 8, 24, 1000)]


def memberships(x):
    out = []
    for a, b, c, d in FUZZY_CLASSES:
        if x < a or x > d:
            out.append(0.0)
        elif a <= x <= b and b > a:
            out.append((x - a) / (b - a))
        elif b <= x <= c:
            out.append(1.0)
        else:
            out.append(1 - (x - c) / (d - c))
    return out


def fuzzy_class(x):
    m = memberships(x)
    return m.index(max(m)) - 4


def edit_distance(x, y):
    prev = list(range(len(y) + 1))
    for i in range(1, len(x) + 1):
        cur = [i]
        for j in range(1, len(y) + 1):
            cur.append(min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (x[i - 1] != y[j - 1])))
        prev = cur
    return prev[-1]


def correlation(x, y, flags):
    n = len(x)
    if len(y) != n:
        return 0.0
    cx = cy = 0.0
    if flags & PEARSON and n:
        cx, cy = sum(x) / n, sum(y) / n
    elif flags & CROSS and n:
        cx, cy = x[0], y[0]
    sxy = sum((a - cx) * (b - cy) for a, b in zip(x, y))
    sxx = sum((a - cx) ** 2 for a in x)
    syy = sum((b - cy) ** 2 for b in y)
    r = (1.0 if sxy == 0 else 0.0) if sxx == 0 or syy == 0 else sxy / math.sqrt(sxx * syy)
    return 0.0 if flags & STRETCHED and r < 0 else r


def interval_difference(x, y, flags):
    n = len(x)
    if n == 0 or len(y) != n:
        return 0.0
    a = [abs(u - v) for u, v in zip(x, y)]
    mean = sum(a) / n
    if flags & MEANDIFFEXP:
        return math.exp(-mean)
    if flags & MEANDIFF:
        big = max(abs(u) + abs(v) for u, v in zip(x, y))
        return 1.0 if big == 0 else 1 - mean / big
    s = max(a) + math.sqrt(sum((v - mean) ** 2 for v in a) / n)
    return 1.0 if s == 0 else 1 - mean / s


def fuzzy_similarity(x, y):
    if len(x) != len(y):
        return -1.0
    if not x:
        return 1.0
    return sum(correlation(memberships(u), memberships(v), 0) for u, v in zip(x, y)) / len(x)


def ngram_similarity(s, l, flags, n):
    if len(s) <= n or len(l) <= n:
        return 1.0 if list(s) == list(l) else 0.0

    def counts(v):
        c = {}
        for i in range(len(v) - n + 1):
            g = tuple(v[i:i + n])
            c[g] = c.get(g, 0) + 1
        return c
    cs, cl = counts(s), counts(l)
    total = len(s) + len(l) - 2 * n + 2
    if flags & SUMCOMMON:
        return sum(c + cl[g] for g, c in cs.items() if g in cl) / total
    if flags & COUNTDISTINCT:
        return sum(1 for g in cs if g in cl) / max(len(cs), len(cl))
    if flags & UKKONEN:
        d = sum(abs(c - cl.get(g, 0)) for g, c in cs.items()) + sum(c for g, c in cl.items() if g not in cs)
        return 1 - d / total
    return 0.0


def gauss(g):
    if abs(g) >= 3.71:
        return 0.0
    g = math.floor((g + 3.71) * 1e6 + 0.5) / 1e6 - 3.71
    return math.exp(-g * g)


def gauss_similarity(x, y, width):
    e = 1 / (2 * width)
    sxx = len(x) + 2 * sum(gauss((x[i] - x[j]) * e) for i in range(len(x)) for j in range(i + 1, len(x)))
    syy = len(y) + 2 * sum(gauss((y[i] - y[j]) * e) for i in range(len(y)) for j in range(i + 1, len(y)))
    sxy = sum(gauss((u - v) * e) for u in x for v in y)
    return 0.0 if sxx == 0 or syy == 0 else sxy / math.sqrt(sxx * syy)


def spectrum(x):
    n = len(x)
    half = n // 2
    out = []
    for k in range(1, half + 1 if n >= 2 else 1):
        re = sum(v * math.cos(-6.28318530717959 * k * j / n) for j, v in enumerate(x))
        im = sum(v * math.sin(-6.28318530717959 * k * j / n) for j, v in enumerate(x))
        out.append(2 * math.sqrt(re * re + im * im) if k < half else 2 * abs(re))
    return out


def compare_windows(x, y, flags):
    if len(x) != len(y):
        return 0.0
    if flags & INTERVALS:
        if flags & FUZZY:
            return fuzzy_similarity(x, y)
        if flags & FOURIER:
            return interval_difference(diffs(x), diffs(y), flags)
        return interval_difference(x, y, flags)
    return correlation(x, y, flags)


def score(x, y, flags):
    if flags & RHYTHM:
        return gauss_similarity(x, y, 0.03)
    if flags & FOURIER:
        sx, sy = spectrum(x), spectrum(y)
        if not sx and not sy:
            return 0.0 if flags & INTERVALS else 1.0
        return compare_windows(sx, sy, flags)
    return compare_windows(x, y, flags)


def align(s, l, skip, flags, param):
    if flags & NGRAMS:
        return ngram_similarity(s, l, flags, max(param, 2)), 0.0
    best, offset, b = -1.0, 0.0, len(s)
    # A window that would drop every value of s is not scored.
    for i in range(1, min(skip, b - 1) + 1):
        v = score(s[i:], l[:b - i], flags)
        if v > best:
            best, offset = v, -i
    for i in range(len(l) - b + 1):
        v = score(s, l[i:i + b], flags)
        if v > best:
            best, offset = v, i
    return best, float(offset)


def duration_class(d, r):
    for c, f in ((4, 3.3), (3, 1.8), (2, 0.9), (1, 0.45)):
        if d > f * r:
            return c
    return 0


def fuzzy_rhythm(a, b, flags, param):
    def seq(m):
        if param % 2:
            t = [ref.absolute_tick(m, p) for p in m.positions]
            return diffs(t), [m.tpb]
        return m.durations, ref.modal_values(m.durations)
    (sa, ra), (sb, rb) = seq(a), seq(b)
    best = (0.0, 0.0)
    for x in ra:
        for y in rb:
            ca = [duration_class(d, x) for d in sa]
            cb = [duration_class(d, y) for d in sb]
            if flags & NGRAMS:
                cand = (ngram_similarity(ca, cb, flags, min(param, 2)), 0.0)
            else:
                d = edit_distance(ca, cb)
                cand = (1 - d / max(len(ca), len(cb)), float(d))
            if cand[0] > best[0]:
                best = cand
    return best

# --- harmonic and accent measures -----------------------------------------------------

FIFTHS = [5, 0, 7, 2, 9, 4, 11, 6, 1, 8, 3, 10, 2.5, 9.5, 4.5, 11.5, 6.5, 1.5, 8.5, 3.5, 10.5,
          5.5, 0.5, 7.5]


def key_sums(pitches):
    pcs = [ref.pitch_class(p) for p in pitches]
    return ([sum(ref.MAJOR[(c - t) % 12] for c in pcs) for t in range(12)] +
            [sum(ref.MINOR[(c - t) % 12] for c in pcs) for t in range(12)])


def tonality_vector(m, bar, mode):
    ps = ref.bar_pitches(m, bar)
    back = bar - 1
    while not ps and back >= 2:
        ps = ref.bar_pitches(m, back)
        back -= 1
    if not ps:
        return []
    sums = key_sums(ps)
    return sums[:12] if mode == 1 else sums[12:]


def bar_correlation(a, b, bar, mode):
    if bar == 0 or ref.number_of_bars(a) < bar or ref.number_of_bars(b) < bar:
        return 0.0
    x, y = tonality_vector(a, bar, mode), tonality_vector(b, bar, mode)
    if len(x) != len(y):
        return 0.0
    xy = sum(u * v for u, v in zip(x, y))
    xx, yy = sum(u * u for u in x), sum(v * v for v in y)
    return xy / math.sqrt(xx * yy) if xx and yy else xy


def renumbered(m):
    c = ref.Melody()
    c.__dict__.update(m.__dict__)
    bar, beat, tick, _ = m.positions[0]
    shift = 0 if (bar == 1 and beat == 1 and tick == 0) else (1 if beat == 1 and tick == 0 else 0) - bar
    c.positions = [[p[0] + shift] + p[1:] for p in m.positions]
    return c


def harmonic(a, b, flags, param):
    if not flags & KEYFINDING:
        a, b = renumbered(a), renumbered(b)
        n = min(ref.number_of_bars(a), ref.number_of_bars(b))
        if n == 0:
            return 0.0, 0.0
        major = sum(bar_correlation(a, b, k, 1) for k in range(1, n + 1)) / n
        minor = sum(bar_correlation(a, b, k, 2) for k in range(1, n + 1)) / n
        return (minor, 2.0) if minor > major else (major, 1.0)
    na, nb = ref.number_of_bars(a), ref.number_of_bars(b)
    g = max(na, nb) if flags & EDIT else min(na, nb)
    if g == 0:
        return 0.0, 0.0
    keys_a, keys_b, sums_a, sums_b, cosines, p, q, r = [], [], [], [], 0.0, 0.0, 0.0, 0.0
    for bar in ([-1] if param == 1 else range(1, g + 1)):
        pa = a.pitches if bar < 0 else ref.bar_pitches(a, bar)
        pb = b.pitches if bar < 0 else ref.bar_pitches(b, bar)
        ka, kb = ref.find_key(pa), ref.find_key(pb)
        sums_a = key_sums(pa) if pa else sums_a  # a bar without notes keeps the last sums
        sums_b = key_sums(pb) if pb else sums_b
        if flags & CROSS:
            dot = lambda u, v: sum(s * t for s, t in zip(u, v)) if len(u) == len(v) else 0.0
            p, q, r = p + dot(sums_a, sums_a), q + dot(sums_b, sums_b), r + dot(sums_a, sums_b)
        elif flags & EDIT:
            keys_a.append(ka)  # a bar without notes enters as key -1
            keys_b.append(kb)
        elif ka >= 0 and kb >= 0:  # a bar without notes adds nothing
            cosines += math.cos((FIFTHS[ka] - FIFTHS[kb]) * 0.5235987755982988)
    if flags & EDIT:
        longest = max(len(keys_a), len(keys_b))
        value = 1 - edit_distance(keys_a, keys_b) / longest if longest else 0.0
    elif flags & CROSS:
        value = 0.0 if p == 0 or q == 0 else r / (math.sqrt(p) * math.sqrt(q))
    else:
        value = cosines if param == 1 else cosines / na
    return max(value, 0.0), 0.0


def accents(a, b, flags):
    model = ref.linear_model if flags & LINEAR else ref.tree_model
    x, y = model(a, False), model(b, False)
    prev = [0.0]
    for v in y:
        prev.append(prev[-1] + v)
    for u in x:
        cur = [prev[0] + u]
        for j, v in enumerate(y, 1):
            cur.append(min(prev[j] + u, cur[j - 1] + v, prev[j - 1] + abs(u - v)))
        prev = cur
    norm = max(sum(x), sum(y))
    return 1 - (1.0 if norm == 0 or not x or not y else prev[-1] / norm)

# --- dispatch --------------------------------------------------------------------------

def representation(m, flags):
    if flags & CONTOUR:
        method = "steinbeck" if flags & STEINBECK else ("natural" if flags & NATURAL else "orvik")
        curve = contour_curve(m.pitches, method)
        return diffs(curve) if flags & INTERVALS else curve
    if flags & NATURAL:
        ranks = sorted(set(m.pitches))
        return [float(ranks.index(p)) for p in m.pitches]
    if not flags & INTERVALS or flags & FOURIER:
        return list(m.onsets) if flags & RHYTHM else [float(p) for p in m.pitches]
    iv = diffs(m.pitches)
    if flags & ROUGH:
        return [float(ref.sign(d)) for d in iv]
    return [float(fuzzy_class(d)) for d in iv] if flags & FUZZY else [float(d) for d in iv]


def similarity(a, b, flags, param):
    if flags & ACCENTS:
        return accents(a, b, flags), 0.0
    if flags & CONSTANT:
        return 1.0, 0.0
    if flags & WEIGHTED:
        a, b = expand(a), expand(b)
    if flags & HARMONIC:
        return harmonic(a, b, flags, param)
    if (flags & RHYTHM and flags & FUZZY and not flags & (CONTOUR | NATURAL)
            and (not flags & INTERVALS or flags & FOURIER)):
        return fuzzy_rhythm(a, b, flags, param)
    ra, rb = representation(a, flags), representation(b, flags)
    if flags & EDIT:
        d = edit_distance(ra, rb)
        return 1 - d / max(len(ra), len(rb)), float(d)
    if len(ra) < len(rb):
        return align(ra, rb, skip_count(a), flags, param)
    return align(rb, ra, skip_count(b), flags, param)


def transposition(a, b):
    mean = lambda m: sum(m.pitches) / len(m.pitches)
    s8 = lambda v: (v + 128) % 256 - 128
    ma, mb = ref.modal_values(a.pitches), ref.modal_values(b.pitches)
    cands = [s8(x - y) for x in ma for y in mb]
    cands += [s8(math.floor(mean(a) + 0.5) - math.floor(mean(b) + 0.5)),
              s8(min(a.pitches) - min(b.pitches)), s8(max(a.pitches) - max(b.pitches))]
    best, best_score = 0, 0.0
    for t in range(min(cands), max(cands) + 1):
        if abs(t + mean(b) - mean(a)) > 2.5:
            continue
        c = ref.Melody()
        c.__dict__.update(b.__dict__)
        c.pitches = [p + t for p in b.pitches]
        s = (similarity(a, c, 0x00040001, 0)[0] + similarity(a, c, 0x00040000, 0)[0]) * 0.5
        if s > best_score:
            best, best_score = t, s
    return best


def phrases(m):
    """The phrases' pitch sequences: a phrase starts at every note with the start bit."""
    starts = [t for t, f in enumerate(m.flags) if f & 1]
    return [m.pitches[s:e] for s, e in zip(starts, starts[1:] + [len(m.pitches)])]


def phrase_similarity_rawed(a, b):
    pa, pb = phrases(a), phrases(b)
    cost = lambda x, y: edit_distance(x, y) / max(len(x), len(y))  # 1 - rawEd
    prev = [float(j) for j in range(len(pb) + 1)]
    for i, x in enumerate(pa, 1):
        cur = [float(i)]
        for j, y in enumerate(pb, 1):
            cur.append(min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost(x, y)))
        prev = cur
    return 1 - prev[-1] / max(len(pa), len(pb))


def main(paths):
    rows = type_rows()
    for pa, pb in zip(paths[0::2], paths[1::2]):
        a, b = ref.read_melody(pa), ref.read_melody(pb)
        print(pa, pb, transposition(a, b), repr(phrase_similarity_rawed(a, b)))
        for name, flags, param in rows:
            value, offset = similarity(a, b, flags, param)
            print(name, repr(float(value)), repr(float(offset)))


if __name__ == "__main__":
    main(sys.argv[1:])
