#!/usr/bin/env python3
"""Summarises a soak run's samples.csv (written by soak.sh) and judges growth.

Columns are "seconds" and PROCESS_METRIC ones (rss_kb, fds, threads); an empty value means
the process had ended. Prints start, warm-up maximum, end and maximum of each column and
exits 1 when one grew after the warm-up:
  rss_kb   the end level is over 20 % and over 8 MB above the warm-up maximum;
  others   the end level is above the warm-up maximum.
The end level is the lowest of the last three samples, so that a transfer under way at the
last sample does not count as growth."""
import argparse
import csv
import sys

RSS_FACTOR = 1.2
RSS_MARGIN_KB = 8 * 1024
END_SAMPLES = 3


def grew(metric, base, end):
    if metric.endswith("rss_kb"):
        return end > base * RSS_FACTOR and end - base > RSS_MARGIN_KB
    return end > base


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("samples", help="samples.csv of a soak run")
    parser.add_argument("--warmup", type=int, default=60, help="seconds of warm-up (default 60)")
    args = parser.parse_args()

    with open(args.samples, newline="") as f:
        rows = list(csv.DictReader(f))
    if not rows:
        print("soak-report: no samples", file=sys.stderr)
        return 1
    metrics = [name for name in rows[0] if name != "seconds"]
    warm = [r for r in rows if int(r["seconds"]) <= args.warmup]
    after = [r for r in rows if int(r["seconds"]) > args.warmup]

    failures = []
    if len(after) < END_SAMPLES:
        failures.append(f"only {len(after)} samples after the {args.warmup} s warm-up: too few to judge growth")
    for row in rows:
        ended = [m for m in metrics if row[m] == ""]
        if ended:
            failures.append(f"{', '.join(ended)}: no value at {row['seconds']} s (the process had ended)")
            break

    print(f"{'metric':<14}{'start':>10}{'warm-up max':>13}{'end':>10}{'max':>10}  verdict")
    for metric in metrics:
        values = [int(r[metric]) for r in rows if r[metric] != ""]
        if not values:
            print(f"{metric:<14}{'-':>10}")
            continue
        base = max((int(r[metric]) for r in warm if r[metric] != ""), default=values[0])
        end = min(values[-END_SAMPLES:])
        verdict = "ok"
        if len(after) >= END_SAMPLES and grew(metric, base, end):
            verdict = "GREW"
            failures.append(f"{metric} grew from {base} (warm-up maximum) to {end} at the end")
        print(f"{metric:<14}{values[0]:>10}{base:>13}{end:>10}{max(values):>10}  {verdict}")
    print(f"{len(rows)} samples over {rows[-1]['seconds']} s, warm-up {args.warmup} s")

    for failure in failures:
        print(f"soak-report: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
