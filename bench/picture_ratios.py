#!/usr/bin/env python3
"""Prints picture_benchmark's results: each case's time ours, general path, libyuv's chain and memcpy,
and the ratios the targets are stated in.

    python3 bench/picture_ratios.py picture.json

Same-size cases (a layout change, mirror or flip) must stay within 1.5x memcpy of the producer frame;
scaled cases must be no slower than libyuv. Uses the median of repeated runs when the file has them.
"""
import collections
import re
import sys

from frame_ratios import load_runs

SIZE = re.compile(r"_(\d+[pk])_to_\w+?_(\d+[pk])")


def main(path):
    _, repeated, runs = load_runs(path)
    times = collections.defaultdict(dict)
    for bench in runs:
        name = bench.get("run_name", bench["name"])
        if "/" not in name:
            continue
        case, way = name.split("/")[:2]
        times[case][way] = bench["real_time"]

    print(f"{'single runs' if not repeated else 'median of repetitions'}; times in ms, cold frames")
    print(f"{'case':40} {'ours':>6} {'general':>7} {'libyuv':>6} {'memcpy':>6} | "
          f"{'ours/memcpy':>11} {'ours/libyuv':>11} | target")
    misses = 0
    for case, t in times.items():
        if not all(k in t for k in ("ours", "general", "libyuv", "memcpy")):
            continue
        sizes = SIZE.search(case)
        same = sizes is not None and sizes.group(1) == sizes.group(2)
        ours_memcpy, ours_libyuv = t["ours"] / t["memcpy"], t["ours"] / t["libyuv"]
        met = ours_memcpy <= 1.5 if same else ours_libyuv <= 1.0
        misses += not met
        target = "<= 1.5 memcpy" if same else "<= libyuv"
        print(f"{case:40} {t['ours'] / 1000:6.2f} {t['general'] / 1000:7.2f} {t['libyuv'] / 1000:6.2f} "
              f"{t['memcpy'] / 1000:6.2f} | {ours_memcpy:11.2f} {ours_libyuv:11.2f} | "
              f"{target}: {'met' if met else 'MISSED'}")
    print(f"{misses} cases miss their target")


if __name__ == "__main__":
    main(sys.argv[1])
