#!/usr/bin/env python3
"""Prints frame_benchmark's results as time relative to memcpy of the same bytes, next to the targets.

    python3 bench/frame_ratios.py frame.json

Uses the median of repeated runs when the file has them (--benchmark_repetitions), else the single run.
"""
import collections
import json
import sys

# (largest cold ratio to memcpy, must also beat libyuv)
TARGETS = {
    "yuy2_to_rgb24": (1.5, True),
    "nv12_to_rgb24": (1.5, True),
    "rgb24_to_yuy2": (2.5, True),
    "rgb32_to_rgb24": (1.1, True),
    "crop_yuy2": (1.2, False),
    "crop_nv12": (1.2, False),
    "rotate_rgb32": (3.0, True),
    "rotate_nv12": (3.0, True),
    "rotate_rgb24": (4.0, False),
    "rotate_yuy2": (5.0, False),
}


def load_runs(path):
    """The report, whether it holds repetitions, and its runs: the medians of repetitions, else each run."""
    with open(path) as file:
        report = json.load(file)
    repeated = any(b.get("aggregate_name") for b in report["benchmarks"])
    runs = [b for b in report["benchmarks"] if not repeated or b.get("aggregate_name") == "median"]
    return report, repeated, runs


def main(path):
    report, repeated, runs = load_runs(path)
    times = collections.defaultdict(dict)
    for bench in runs:
        operation, implementation, size, mode = bench["name"].split("/")[:4]
        times[(operation, size, mode)][implementation] = bench["real_time"]

    sizes = sorted({size for _, size, _ in times}, key=lambda s: int(s.split("x")[0]))
    print(f"simd level: {report['context'].get('frame_simd_level', '?')}; "
          f"{'median of repetitions' if repeated else 'single runs'}; ratio = time / memcpy time")
    print(f"{'operation':15} {'size':>10} | {'cold ours':>9} {'libyuv':>7} {'memcpy us':>9} | "
          f"{'hot ours':>8} {'libyuv':>7} | target")
    misses = 0
    for operation, (limit, beatLibyuv) in TARGETS.items():
        for size in sizes:
            cold, hot = times.get((operation, size, "cold")), times.get((operation, size, "hot"))
            if not cold or not hot:
                continue
            ours, libyuv = cold["ours"] / cold["memcpy"], cold["libyuv"] / cold["memcpy"]
            met = ours <= limit and (not beatLibyuv or ours < libyuv)
            misses += not met
            print(f"{operation:15} {size:>10} | {ours:9.2f} {libyuv:7.2f} {cold['memcpy']:9.1f} | "
                  f"{hot['ours'] / hot['memcpy']:8.2f} {hot['libyuv'] / hot['memcpy']:7.2f} | "
                  f"<= {limit}{' and < libyuv' if beatLibyuv else ''}: {'met' if met else 'MISSED'}")
    print(f"{misses} cold figures miss their target")


if __name__ == "__main__":
    main(sys.argv[1])
