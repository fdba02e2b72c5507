#!/usr/bin/env python3
"""Tune-family retrieval figures from a tunecmp list output.

Reads the list written by `tunecmp -f list.txt result.csv` (all pairs; any
field separator and decimal mark) and a labels file (CSV with a header, the
melody id in the first column and its family in the second; the id is the
melody file's name without folder and extension). Every labelled melody with
at least one other member of its family in the list is a query; the other
melodies are ranked by their similarity to it, highest first. For every
measure column it prints

  MAP  mean average precision of the query's own family over all queries
  NN   share of queries whose nearest neighbour (rank 1) is of their family

Equal values are ranked in a random order drawn from a fixed seed (the same
for every column), so that a measure gains nothing from ties.

  bench/family_retrieval.py --labels families.csv result.csv [--seed 1]
                            [--sep ';'] [--sort map] [--only NAME ...]
"""

import argparse
import csv
import os
import random
import sys


def melody_id(path):
    return os.path.splitext(os.path.basename(path.strip()))[0]


def read_labels(path):
    labels = {}
    with open(path, newline="", encoding="utf-8") as f:
        rows = csv.reader(f)
        next(rows, None)
        for row in rows:
            if len(row) >= 2 and row[0]:
                labels[row[0].strip()] = row[1].strip()
    return labels


def parse_value(text):
    text = text.strip().replace(",", ".")
    try:
        return float(text)
    except ValueError:
        return None


def read_list(path, sep):
    """Returns (measure names, {(id1, id2): [values]})."""
    with open(path, encoding="utf-8", errors="replace") as f:
        header = f.readline().rstrip("\r\n")
        if sep is None:
            sep = "\t" if "\t" in header and ";" not in header else ";"
        names = header.split(sep)[2:]
        if names and names[-1] == "":
            names.pop()
        pairs = {}
        for line in f:
            fields = line.rstrip("\r\n").split(sep)
            if len(fields) < 2 + len(names):
                continue
            values = [parse_value(v) for v in fields[2:2 + len(names)]]
            pairs[(melody_id(fields[0]), melody_id(fields[1]))] = values
    return names, pairs


def average_precision(ranked, family, labels):
    hits = 0
    total = 0.0
    for rank, other in enumerate(ranked, start=1):
        if labels[other] == family:
            hits += 1
            total += hits / rank
    return total / hits if hits else 0.0


def evaluate(names, pairs, labels, seed):
    melodies = sorted({m for pair in pairs for m in pair if m in labels})
    size = {}
    for m in melodies:
        size[labels[m]] = size.get(labels[m], 0) + 1
    queries = [m for m in melodies if size[labels[m]] > 1]
    # One random order per query, shared by all measures: ties fall the same
    # way for every column.
    rng = random.Random(seed)
    orders = {}
    for q in queries:
        others = [m for m in melodies if m != q]
        rng.shuffle(others)
        orders[q] = others
    results = []
    for k, name in enumerate(names):
        ap_sum = 0.0
        nn_hits = 0
        missing = 0
        for q in queries:
            scored = []
            for position, other in enumerate(orders[q]):
                values = pairs.get((q, other)) or pairs.get((other, q))
                value = values[k] if values else None
                if value is None:
                    missing += 1
                    value = float("-inf")
                scored.append((-value, position, other))
            scored.sort()
            ranked = [other for _, _, other in scored]
            ap_sum += average_precision(ranked, labels[q], labels)
            nn_hits += labels[ranked[0]] == labels[q]
        n = len(queries)
        results.append((name, ap_sum / n if n else 0.0, nn_hits / n if n else 0.0, missing))
    return len(melodies), len(queries), results


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("result", help="tunecmp list output (all pairs)")
    parser.add_argument("--labels", required=True, help="CSV: id, family")
    parser.add_argument("--seed", type=int, default=1, help="seed of the tie order")
    parser.add_argument("--sep", default=None, help="field separator (default: ';' or tab)")
    parser.add_argument("--sort", choices=["column", "map", "nn"], default="column")
    parser.add_argument("--only", nargs="*", help="report only these measures")
    args = parser.parse_args()

    labels = read_labels(args.labels)
    names, pairs = read_list(args.result, args.sep)
    if not names:
        sys.exit(f"{args.result}: no measure columns")
    melodies, queries, results = evaluate(names, pairs, labels, args.seed)
    if args.only:
        results = [r for r in results if r[0] in args.only]
    if args.sort == "map":
        results.sort(key=lambda r: -r[1])
    elif args.sort == "nn":
        results.sort(key=lambda r: -r[2])
    print(f"# {melodies} labelled melodies, {queries} queries, seed {args.seed}")
    print(f"{'measure':<16} {'MAP':>6} {'NN':>6}")
    for name, map_value, nn_value, missing in results:
        note = f"  ({missing} values missing)" if missing else ""
        print(f"{name:<16} {map_value:6.3f} {nn_value:6.3f}{note}")


if __name__ == "__main__":
    main()
