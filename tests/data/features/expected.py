#!/usr/bin/env python3
"""Expected values of all 133 features for the melody tables given on the
command line, worked out from the documented definitions without the C++
code. Writes <table>.expected beside each table: one line per feature row,
"index<TAB>name<TAB>values" with the values separated by blanks in Python's
repr (17 significant digits), "nan" for an undefined value, nothing for an
empty vector.

Usage: python3 expected.py gort_road_excerpt.csv tipperary_excerpt.csv

The table reader here only handles what these tables need: positions on the
quantisation grid of level 24, ticks per beat a multiple of 24, plain pitch
codes. It stops with an assertion otherwise.
"""
import math
import os
import sys
from math import gcd

HERE = os.path.dirname(os.path.abspath(__file__))

# --- the feature table (index, name, flags, parameter) ----------------------

def read_feature_table():
    rows = []
    with open(os.path.join(HERE, "feature_table.txt"), encoding="utf-8") as f:
        for line in f:
            index, name, _explanation, flags, parameter = line.rstrip("\n").split("\t")
            rows.append((int(index), name.strip('"'), int(flags, 0), int(parameter, 0)))
    return rows

# --- melody table ------------------------------------------------------------

class Melody:
    pass


def read_melody(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    header = lines[0]
    slash = header.index("/")
    j = slash
    while header[j - 1] == " ":
        j -= 1
    k = j
    while header[k - 1].isdigit():
        k -= 1
    numerator = int(header[k:j])
    denominator = int("".join(c for c in header[slash + 1:slash + 4] if c.isdigit()))
    tpb = int(header[header.index("Ticks per Beat: ") + 16:].split(",")[0])
    key = int(header[header.index("Key") + 5:].strip()) if "Key" in header else 0
    assert tpb % 24 == 0, "only tables that need no rescaling"

    m = Melody()
    m.numerator, m.denominator, m.tpb, m.key = numerator, denominator, tpb, key
    m.pitches, m.onsets, m.positions, m.durtics = [], [], [], []
    for line in lines[2:]:
        if not line:
            continue
        fields = line.split(";")
        pitch = int(fields[5])
        assert 1 <= pitch <= 127
        bar, beat, tick = int(fields[2]), int(fields[3]), int(fields[4])
        assert 1 <= beat <= numerator and 0 <= tick < tpb and tick % (tpb // 24) == 0
        m.pitches.append(pitch)
        m.onsets.append(float(fields[0].replace(",", ".")))
        m.positions.append([bar, beat, tick, 1])
        m.durtics.append(int(fields[7]))
    n = len(m.pitches)
    absolute = [absolute_tick(m, p) for p in m.positions]
    intervals = [absolute[i + 1] - absolute[i] for i in range(n - 1)]
    assert all(i > 0 for i in intervals)
    if len(intervals) == 1:
        tatum = tpb
    else:
        tatum = 0
        for i in intervals:
            tatum = gcd(tatum, i)
    m.tatum = tatum
    last = m.durtics[-1] // tatum
    if last == 0:  # the rest of the last note's beat (its tick is on the grid)
        last = (tpb - m.positions[-1][2]) // tatum
    m.durations = [i // tatum for i in intervals] + [last]
    compute_beat_divisions(m)
    m.flags = phrase_flags(m)
    return m


def absolute_tick(m, p):
    return (p[0] * m.numerator + p[1] - 1) * m.tpb + p[2]


def compute_beat_divisions(m):
    i, n = 0, len(m.positions)
    while i < n:
        s = m.positions[i]
        j = i + 1
        while j < n and m.positions[j][0] == s[0] and m.positions[j][1] == s[1]:
            j += 1
        a = m.tpb // m.tatum
        b = a
        for p in m.positions[i:j]:
            if p[2] != 0:
                b = min(b, gcd(a, p[2] // m.tatum))
        for p in m.positions[i:j]:
            p[3] = a // b
        i = j


def modal_values(seq):
    counts = {}
    order = []
    for v in seq:
        if v not in counts:
            counts[v] = 0
            order.append(v)
        counts[v] += 1
    top = max(counts.values())
    return [v for v in order if counts[v] == top]


def phrase_flags(m):
    n = len(m.pitches)
    flags = [0] * n
    flags[0] = 1
    flags[-1] = 2
    if n < 3:
        return flags
    scale = 1000.0 if m.onsets[1] > 10.0 else 1.0
    ref = min(modal_values(m.durations))
    for i in range(1, n - 2):
        gap = (m.onsets[i + 1] - m.onsets[i]) / scale > 1.5
        if gap or (ref > 0 and m.durations[i] >= 3.9 * ref):
            flags[i] |= 2
            flags[i + 1] |= 1
    return flags


def number_of_bars(m):
    first, last = m.positions[0][0], m.positions[-1][0]
    return last - first + (1 if first != 0 else 0)

# --- tonality ----------------------------------------------------------------

MAJOR = [6.33, 2.23, 3.48, 2.33, 4.38, 4.09, 2.52, 5.19, 2.39, 3.66, 2.29, 2.88]
MINOR = [6.33, 2.68, 3.52, 5.38, 2.60, 3.53, 2.54, 4.75, 3.98, 2.69, 3.34, 3.17]


def pitch_class(p):
    return (p - 60) % 12


def bar_pitches(m, bar):
    # Notes of the bar in melody order, stopping at the first note of bar + 1.
    out = []
    for p, pos in zip(m.pitches, m.positions):
        if pos[0] == bar + 1:
            break
        if pos[0] == bar:
            out.append(p)
    return out


def find_key(pitches):
    if not pitches:
        return -1
    best, result = 0.0, 0
    for t in range(12):
        major = sum(MAJOR[(pitch_class(p) - t) % 12] for p in pitches)
        minor = sum(MINOR[(pitch_class(p) - t) % 12] for p in pitches)
        if major > best:
            best, result = major, t
        if minor > best:
            best, result = minor, t + 12
    return result

# --- metrical hierarchy --------------------------------------------------------

def split_sizes(s):
    if s % 2 == 0:
        return [s // 2, s // 2]
    if s % 3 == 0:
        return [s // 3] * 3
    h, t = s // 2, s // 3
    c = lambda k: k % 3 if k % 2 == 1 else 0
    if c(t + 1) + c(t) < c(h + 1) + c(h):
        return [t + 1, t + 1, t] if t % 2 == 1 else [t, t, t + 1]
    return [h + 1, h] if s % 4 == 3 else [h, h + 1]


def groups(size, first):
    """All groups (size, first) of the tree below and including this one."""
    out = [(size, first)]
    if size == 2:
        out += groups(1, first + 1)
    elif size == 3:
        out += groups(1, first + 1) + groups(1, first + 2)
    elif size >= 4:
        start = first
        for child in split_sizes(size):
            out += groups(child, start)
            start += child
    return out


def top_level(size):
    if size == 1:
        return []
    if size == 2:
        return [1]
    if size == 3:
        return [1, 1]
    return split_sizes(size)


def weight(size, index):
    return sum(1 for (_s, f) in groups(size, 0) if f == index)


def is_main_beat(numerator, beat):
    return weight(numerator, beat - 1) != 1


def subdivision(m, d):
    return m.tatum * ((m.tpb // m.tatum) // d)


def metrical_level(m, pos):
    if m.tatum == 0:
        return 0
    if pos[2] == 0:
        return weight(m.numerator, pos[1] - 1) - 1
    d = pos[3]
    s = subdivision(m, d)
    return weight(d, pos[2] // s) - weight(d, 0)


def syncopation(m, level):
    n = len(m.pitches)
    out = []
    for t in range(n):
        pos = m.positions[t]
        if metrical_level(m, pos) != level - 1:
            out.append(0.0)
            continue
        if t == n - 1:
            out.append(1.0)
            continue
        delta = absolute_tick(m, m.positions[t + 1]) - absolute_tick(m, pos)
        d = pos[3]
        s = subdivision(m, d)
        if level == 1:
            span = m.tpb
        elif level == 0:
            tops = top_level(d)
            span = (tops[-1] if tops else 1) * (m.tpb // d)
        elif level == -2:
            span = s
        else:
            span = s if weight(d, 0) < 4 else s * len(top_level(d))
        out.append(1.0 if delta > span else 0.0)
    return out

# --- contour points --------------------------------------------------------------

def sign(x):
    return (x > 0) - (x < 0)


def contour_points(p, method):
    n = len(p)
    if n == 0:
        return []
    reduced = [(p[0], 0)]
    j = 1
    while j < n:
        if p[j] != p[j - 1]:
            e = j
            while e + 1 < n and p[e + 1] == p[j]:
                e += 1
            reduced.append((p[j], e))
            j = e + 1
        else:
            j += 1
    points = [0]
    r = reduced
    mm = len(r)
    if method == "orvik":
        for k in range(1, mm - 1):
            a, b, c = r[k - 1][0], r[k][0], r[k + 1][0]
            if ((b > a and b > c) or (b < a and b < c)) and a != c:
                points.append(r[k][1])
    else:  # steinbeck
        if mm > 4:
            for k in range(0, mm - 4):
                f = sign(r[k + 2][0] - r[k + 1][0])
                g = sign(r[k + 3][0] - r[k + 2][0])
                if sign(r[k + 1][0] - r[k][0]) == f and sign(r[k + 4][0] - r[k + 3][0]) == g and g != f:
                    points.append(r[k + 2][1])
    if n > 1:
        points.append(n - 1)
    return points


def phrase_contour_points(m, method):
    starts = [t for t in range(len(m.pitches)) if t == 0 or (m.flags[t] & 1)]
    out = []
    for i, s in enumerate(starts):
        e = starts[i + 1] if i + 1 < len(starts) else len(m.pitches)
        out += [s + q for q in contour_points(m.pitches[s:e], method)]
    return out

# --- accent rules ---------------------------------------------------------------

LINEAR = {1: 0.71, 6: 0.94, 8: 0.57, 10: 0.53, 12: 0.68, 20: 0.7, 23: -0.52, 26: 0.55,
          29: 1.44, 30: -1.55}
THOMASSEN = [0, 0, 0, 1, 0.5, 0.71, 1, 0.83, 0.33]
MODEL_THRESHOLD = 0.3448275862068966


def accent_matrix(m, mask):
    p, d, f = m.pitches, m.durations, m.flags
    n = len(p)
    if n < 2:
        return []
    A = [abs(p[t + 1] - p[t]) for t in range(n - 1)]
    ref = min(modal_values(d))
    S = phrase_contour_points(m, "steinbeck")
    O = phrase_contour_points(m, "orvik")
    on = lambda bits: any(mask & (1 << b) for b in bits)
    ends = lambda t: (f[t] & 2) != 0
    rows = []
    s_next, s_last, o_next = 0, None, 0
    last_longpr = 0
    for t in range(n):
        fired = set()
        if on([0, 1, 2, 3, 4, 5, 6, 19, 22, 23]):
            if t < n - 1:
                if A[t] >= 3: fired |= {3, 22}
                if A[t] >= 4: fired |= {4, 23}
                if A[t] >= 5: fired |= {5, 19}
            if t > 0:
                if A[t - 1] >= 3: fired |= {0, 22}
                if A[t - 1] >= 4: fired |= {1, 23}
                if A[t - 1] >= 5: fired |= {2, 19}
            if 1 < t < n - 1 and abs(A[t - 2] - A[t - 1]) > 2 and abs(A[t - 1] - A[t]) > 2 \
                    and not ends(t - 1) and not ends(t):
                fired.add(6)
        if on([8, 9, 10, 11]):
            if 0 < t < n - 1 and f[t] == 0 and \
                    ((p[t] > p[t - 1] and p[t] > p[t + 1]) or (p[t] < p[t - 1] and p[t] < p[t + 1])):
                fired.add(8)
            if s_last is not None and f[t] == 0 and t == s_last + 1:
                fired.add(11)
            if s_next < len(S) and S[s_next] == t:
                s_last = t
                s_next += 1
                if 0 < t < n - 1 and f[t] == 0:
                    fired.add(9)
            if o_next < len(O) and O[o_next] == t:
                o_next += 1
                if 0 < t < n - 1 and f[t] == 0:
                    fired.add(10)
        if on([12, 13, 14, 15, 16, 17, 18]):
            D = d[t]
            if D > ref: fired.add(14)
            if D > 2 * ref: fired.add(15)
            if t > 0:
                P = d[t - 1]
                if P >= 2 * ref and last_longpr != t - 1:
                    fired.add(18)
                if D > P:
                    fired.add(12)
                    last_longpr = t
                if D >= 2 * P:
                    fired.add(13)
                if t < n - 2 and not (ends(t) or ends(t + 1) or ends(t + 2)):
                    if D < P: fired.add(16)
                    if P >= 2 * D: fired.add(17)
        if on([7, 20, 21, 26, 27]):
            bar, beat, tick, _div = m.positions[t]
            following = beat % m.numerator + 1  # the beat after this note's beat
            if tick == 0:
                if is_main_beat(m.numerator, beat): fired.add(21)
                if beat == 1: fired.add(20)
                fired.add(7)
            if t < n - 1 and tick != 0:
                nb, nbeat, ntick, _ = m.positions[t + 1]
                start_bar = bar + 1 if beat == m.numerator else bar
                at_next_beat_start = (nb, nbeat, ntick) == (start_bar, following, 0)
                later = nb > bar or (nb == bar and nbeat > beat)
                if not at_next_beat_start and later:
                    fired.add(26)
                    if is_main_beat(m.numerator, following): fired.add(27)
            if t == n - 1 and tick != 0:
                fired.add(26)
                if is_main_beat(m.numerator, following): fired.add(27)
        if on([28, 29, 31]):
            if f[t] & 1: fired.add(28)
            if f[t] & 2: fired.add(29)
            if t > 0 and ends(t) and (f[t - 1] & 1): fired.add(31)
        if on([24, 25]):
            k = find_key(bar_pitches(m, m.positions[t][0]))
            v = k - 12 if k > 12 else k
            off = (pitch_class(p[t]) - v) % 12
            if off in (0, 7) or (off == 4 and k < 12) or (off == 3 and k >= 12):
                fired.add(24)
                if ends(t): fired.add(25)
        fired.add(30)
        rows.append([1.0 if (b in fired and mask & (1 << b)) else 0.0 for b in range(32)])
    return rows


def rule_accents(m, mask):
    return [sum(r) for r in accent_matrix(m, mask)]


def direction(a, b):
    return 0 if b == a else (1 if b < a else 2)


def thomassen(m, thresholded):
    p = m.pitches
    n = len(p)
    P = [p[0], p[0]] + p + [p[-1]]
    out = []
    for j in range(n):
        a, b, c = direction(P[j], P[j + 1]), direction(P[j + 1], P[j + 2]), direction(P[j + 2], P[j + 3])
        v = 0.0 if a == 0 and b == 0 else (1 - THOMASSEN[3 * a + b]) * THOMASSEN[3 * b + c]
        out.append((1.0 if v >= 0.5 else 0.0) if thresholded else v)
    return out


def linear_model(m, thresholded):
    out = []
    for row in accent_matrix(m, 0x64901542):
        x = sum(c * row[b] for b, c in LINEAR.items())
        v = math.exp(x) / (math.exp(x) + 1)
        out.append((1.0 if v >= MODEL_THRESHOLD else 0.0) if thresholded else v)
    return out


def tree_model(m, thresholded):
    out = []
    h = thomassen(m, False)
    for t, row in enumerate(accent_matrix(m, 0x24081080)):
        if row[12] > 0.5:
            if h[t] > 0.1082:
                v = 0.6773 if row[7] > 0.5 else (0.6631 if row[29] > 0.5 else 0.4229)
            else:
                v = 0.3673
        else:
            v = (0.5369 if row[19] > 0.5 else 0.3211) if row[26] > 0.5 else 0.2114
        out.append((1.0 if v >= MODEL_THRESHOLD else 0.0) if thresholded else v)
    return out

# --- statistics -------------------------------------------------------------------

def entropy_term(x):
    if x == 0:
        return 0.0
    t = abs(x * math.log2(x))
    return 0.0 if t < 1e-10 else t


def norm_entropy_counts(counts):
    k = len(counts)
    if k < 2:
        return 0.0
    total = sum(counts)
    return -sum(c / total * math.log2(c / total) for c in counts) / math.log2(k)


def jsd_vector(s):
    n = len(s)
    values = sorted(set(s))
    out = []
    for split in range(n - 1):
        first, second = s[:split + 1], s[split + 1:]
        w1, w2 = len(first) / n, len(second) / n
        total = 0.0
        for v in values:
            p1 = first.count(v) / len(first)
            p2 = second.count(v) / len(second)
            mix = w1 * p1 + w2 * p2
            total += entropy_term(mix) - w1 * entropy_term(p1) - w2 * entropy_term(p2)
        total = abs(total)
        out.append(0.0 if total < 1e-10 else total)
    return out


def statistic(s, parameter):
    n = len(s)
    if parameter == 0:
        return list(s)
    mean = sum(s) / n if n else 0.0
    var = (sum(x * x for x in s) / n - mean * mean) if n else 0.0
    if parameter & 0x001: return [float(n)]
    if parameter & 0x002: return [max(s) - min(s) if n else 0.0]
    if parameter & 0x004: return [mean]
    if parameter & 0x008: return [modal_values(s)[0] if n else 0.0]
    if parameter & 0x010:
        if not n: return [0.0]
        t = sorted(s)
        return [t[n // 2] if n % 2 else (t[n // 2 - 1] + t[n // 2]) / 2]
    if parameter & 0x020: return [var]
    if parameter & 0x200: return [min(s) if n else 0.0]
    if parameter & 0x400: return [max(s) if n else 0.0]
    if parameter & 0x800:
        return [norm_entropy_counts([s.count(v) for v in set(s)])]
    if parameter & 0x080:
        if not n: return [0.0]
        return [sum((x - mean) ** 3 for x in s) / n / var ** 1.5 if var > 0 else math.nan]
    if parameter & 0x100:
        if not n: return [0.0]
        return [sum((x - mean) ** 4 for x in s) / n / var ** 2 if var > 0 else math.nan]
    if parameter & 0x1000: return jsd_vector(s)
    if parameter & 0x2000:
        v = jsd_vector(s)
        best, pos = 0.0, 0
        for i, x in enumerate(v):
            if x > best:
                best, pos = x, i
        return [float(pos)]
    return []

# --- n-grams ----------------------------------------------------------------------

def ngram_counts(s, length):
    counts = {}
    for t in range(len(s) - length + 1):
        g = tuple(s[t:t + length])
        counts[g] = counts.get(g, 0) + 1
    return list(counts.values())


def zipf(counts):
    c = sorted(counts, reverse=True)
    k = len(c)
    xs = [math.log(r + 1) for r in range(k)]
    ys = [math.log(x) for x in c]
    den = k * sum(x * x for x in xs) - sum(xs) ** 2
    if k == 0 or den == 0:
        return 0.0
    slope = (k * sum(x * y for x, y in zip(xs, ys)) - sum(xs) * sum(ys)) / den
    return 2.0 ** slope


def ngram_complexity(s, N, use_entropy, use_zipf, weighted):
    c = len(s)
    d = N if (N > 0 and c >= N) else c
    if use_zipf and N > 0:
        return zipf(ngram_counts(s, d)) if d > 0 else 0.0
    total, weights = 0.0, 0.0
    for i in range(1, d + 1):
        counts = ngram_counts(s, i)
        f = len(counts)
        if f == 1:
            break
        if use_entropy:
            g = norm_entropy_counts(counts)
        elif use_zipf:
            g = zipf(counts)
        else:
            g = (f - 1) / (c - i)
        w = 1.0 / i if weighted else 1.0
        total += g * w
        weights += w
        if N == 0 and f == c - i + 1:
            break
    return total / weights if weights > 0 else 0.0

# --- the dispatcher --------------------------------------------------------------------

TWO_PI = 6.283185307179586


def huron(p, aggregated):
    if len(p) < 3:
        return 9
    mid = sum(p[1:-1]) / (len(p) - 2)
    code = lambda x: 0 if x == 0 else (1 if x < 0 else 2)
    cls = 3 * code(math.floor(mid - p[0])) + code(math.floor(p[-1] - mid))
    return [0, 4, 3, 3, 1, 3, 4, 4, 2][cls] if aggregated else cls


def bar_phase(m, pos):
    total = m.tpb * m.numerator
    return TWO_PI * (m.tpb * (pos[1] - 1) + pos[2]) / total if total > 0.0001 else 0.0


def feature(m, flags, parameter):
    p = [float(x) for x in m.pitches]
    d = [float(x) for x in m.durations]
    iv = [p[t + 1] - p[t] for t in range(len(p) - 1)]
    if flags & 0x4000:
        return [float(huron(m.pitches, flags & 1))]
    if flags & 0x2000:
        if parameter != 0:  # the number-of-bars row (same flags as the sine row)
            return [float(number_of_bars(m))]
        if flags & (0x20000000 | 0x02000000):
            return [bar_phase(m, q) for q in m.positions]
        if flags & 0x40000000:
            return [math.cos(bar_phase(m, q)) for q in m.positions]
        if flags & 0x80000000:
            return [math.sin(bar_phase(m, q)) for q in m.positions]
        if flags & 0x10000000:
            out = []
            for q in m.positions:
                k = find_key(bar_pitches(m, q[0]))
                out.append(float(60 + (k - 12 if k >= 12 else k)))
            return out
        if flags & 0x01000000:
            return [TWO_PI * q[2] / m.tpb for q in m.positions]
        if flags & 0x04000000:
            return [((x - m.key) % 12) * 0.5235987755982988 for x in m.pitches]
        return [float(number_of_bars(m))]
    if flags & 0x80000000:
        if flags & 0x2:
            s = p
        elif flags & 0x100:
            s = d
        elif flags & 0x78000:
            s = None
            for bit, level in ((0x8000, 1), (0x10000, 0), (0x20000, -1), (0x40000, -2)):
                if flags & bit:
                    v = syncopation(m, level)
                    if s is None:
                        s = v
                    else:
                        s = [max(s[i], v[i] if i < len(v) else 0.0) for i in range(len(s))]
        elif flags & 0x80000:
            s = linear_model(m, False)
        elif flags & 0x100000:
            s = tree_model(m, False)
        elif flags & 0x200000:
            s = linear_model(m, True)
        elif flags & 0x400000:
            s = tree_model(m, True)
        elif flags & 0x20:
            s = iv
        else:
            s = []
        return statistic(s, parameter)
    if flags & 0x80:
        s = iv if flags & 0x20 else (d if flags & 0x400 else p)
        return [ngram_complexity(s, parameter, bool(flags & 0x800), bool(flags & 0x10000),
                                 bool(flags & 1))]
    if flags & 0x10000000:
        return thomassen(m, bool(parameter & 1)) if parameter & 0x100 else []
    if flags & 0x800:
        return rule_accents(m, parameter)
    return []


def main(paths):
    table = read_feature_table()
    for path in paths:
        m = read_melody(path)
        out_path = os.path.splitext(path)[0] + ".expected"
        with open(out_path, "w", encoding="utf-8") as out:
            for index, name, flags, parameter in table:
                values = feature(m, flags, parameter)
                out.write("%d\t%s\t%s\n" % (index, name, " ".join(repr(float(v)) for v in values)))


if __name__ == "__main__":
    main(sys.argv[1:])
