#!/usr/bin/env python3
"""Prints each median of a benchmark run beside the same median of a base run."""
import json
import sys


def medians(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    out = {}
    for run in runs:
        if run.get("aggregate_name", "median") != "median":
            continue
        name = run["run_name"] if "run_name" in run else run["name"]
        figures = {"time": (run["real_time"], run["time_unit"])}
        for key, value in run.items():
            if key in ("real_time", "cpu_time", "iterations", "repetitions", "repetition_index", "threads",
                       "family_index", "per_family_instance_index"):
                continue
            if isinstance(value, (int, float)) and not isinstance(value, bool):
                figures[key] = (value, "")
        out[name] = figures
    return out


def main():
    base, new = medians(sys.argv[1]), medians(sys.argv[2])
    print(f"{'benchmark / figure':60} {'base':>12} {'now':>12} {'now/base':>9}")
    for name, figures in new.items():
        for key, (value, unit) in figures.items():
            old = base.get(name, {}).get(key)
            ratio = f"{value / old[0]:9.3f}" if old and old[0] else "        -"
            old_text = f"{old[0]:12.4g}" if old else "           -"
            print(f"{(name + ' ' + key + (' ' + unit if unit else '')):60} {old_text} {value:12.4g} {ratio}")


if __name__ == "__main__":
    main()
