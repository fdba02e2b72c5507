# Independent recomputation of the key-analysis part of the tonality report
# from a melody table (bars from column 3, pitches from column 6).
import sys
names = ["C","C#","D","Eb","E","F","F#","G","G#","A","Bb","B"]
maj = [6.33,2.23,3.48,2.33,4.38,4.09,2.52,5.19,2.39,3.66,2.29,2.88]
mnr = [6.33,2.68,3.52,5.38,2.60,3.53,2.54,4.75,3.98,2.69,3.34,3.17]
rows = [l.strip().split(';') for l in open(sys.argv[1], encoding='latin-1').read().splitlines()[2:] if l.strip()]
notes = [(int(r[2]), int(r[5])) for r in rows]
pc = lambda p: (p - 60) % 12
first, last = notes[0][0], notes[-1][0]
nbars = last - first + (1 if first != 0 else 0)
out = []
def key(bar, ps):
    if not ps: out.append("Empty bar."); return  # no line break
    out.append(("Melody" if bar < 1 else "Bar %d" % bar) + "\n")
    out.append("".join(names[pc(p)] + " " for p in ps) + "\n")
    best, res = 0.0, 0
    for t in range(12):
        out.append("Testing Root: %s\n" % names[t])
        sM = sm = 0.0
        for p in ps:
            i = (pc(p) - t) % 12
            out.append("Tone: %d Pitchclass: %s tonIdx = %d\n" % (p, names[pc(p)], i))
            out.append("---> Val(maj)= %g Val(min) =%g\n" % (maj[i], mnr[i]))
            sM += maj[i]; sm += mnr[i]
        out.append("Sum %s(maj) = %g sum %s(min) = %g\n" % (names[t], sM, names[t], sm))
        if sM > best: best, res = sM, t
        if sm > best: best, res = sm, t + 12
    mode = " major" if res < 12 else " minor"
    out.append(("Winner = %s%s\n" % (names[res % 12], mode)) if bar < 0 else
               ("Winner (Bar %d) = %s%s\n" % (bar, names[res % 12], mode)))
def tv(bar, prof):
    if bar == 0: ps = [p for b, p in notes]
    else:
        ps = [p for b, p in notes if b == bar]
        c = bar - 1
        while not ps and c >= 2:
            ps = [p for b, p in notes if b == c]; c -= 1
    if not ps: out.append("Empty Bar!\n"); return
    v = [sum(prof[(pc(p) - t) % 12] for p in ps) for t in range(12)]
    out.append("Tonality vector:\n" + "".join("%g " % x for x in v) + "\n")
    order = sorted(range(12), key=lambda t: -v[t])  # Python's sort is stable
    out.append("Sorted: " + "".join("%-2s: %5.2f|" % (names[t], v[t]) for t in order) + "\n")
out.append("Barwise analysis: \n----------------- \n")
for b in range(1, nbars + 1): key(b, [p for bb, p in notes if bb == b])
out.append("Total Key analysis: \n--------------------\n")
key(-1, [p for b, p in notes])
out.append("\nBarwise tonality vectors (Major)\n" + "-" * 31 + "\n")
for b in range(1, nbars + 1): tv(b, maj)
out.append("\nBarwise tonality vectors (Minor)\n" + "-" * 31 + "\n")
for b in range(1, nbars + 1): tv(b, mnr)
out.append("\nTotal tonality vectors (Major)\n" + "-" * 29 + "\n"); tv(0, maj)
out.append("\nTotal tonality vectors (Minor)\n" + "-" * 29 + "\n"); tv(0, mnr)
sys.stdout.write("".join(out))
