#!/usr/bin/python3
"""zel23.read + to_pandas() beside the C++ zel23::read of the same text and
beside Python's csv module reading the same file into lists of dicts.

    /usr/bin/python3 bench/python_bench.py [--build DIR] [--buses N] [--repetitions R]

DIR is a Release build with ZEL23_BUILD_BENCH=ON (default: build-bench, as
bench/run.sh makes it); zel23 is imported from sys.path (an installed package,
or PYTHONPATH). N is 10000 or 100000 (the sizes zel23_bench knows). Each
figure is the best of R runs, wall and CPU time, on the text in memory.
"""

import argparse
import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import time

import zel23


def best(fn, repetitions):
    """(wall, cpu) seconds of the fastest of `repetitions` runs of fn()."""
    wall, cpu = [], []
    for _ in range(repetitions):
        w0, c0 = time.perf_counter(), time.process_time()
        fn()
        wall.append(time.perf_counter() - w0)
        cpu.append(time.process_time() - c0)
    return min(wall), min(cpu)


def cpp_read(build, buses, repetitions):
    out = subprocess.run(
        [os.path.join(build, "bench", "zel23_bench"),
         f"--benchmark_filter=^Read/Recoverable/{buses}/",
         f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    if not runs:
        sys.exit(f"zel23_bench has no Read/Recoverable/{buses}")
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[runs[0]["time_unit"]]
    return (min(b["real_time"] for b in runs) * scale,
            min(b["cpu_time"] for b in runs) * scale)


def csv_dicts(text):
    """The csv module's reading of a case: one dict per record line, keyed by
    the section's field names, values left as text."""
    names = [r.fields for r in (zel23.Bus, zel23.Generator, zel23.Branch,
                                zel23.TransformerAdjustment, zel23.AreaInterchange,
                                zel23.TwoTerminalDC, zel23.SwitchedShunt)]
    sections = [[] for _ in names]
    rows = csv.reader(io.StringIO(text), quotechar="'", skipinitialspace=True)
    for _ in range(3):
        next(rows)
    section = 0
    for row in rows:
        if not row:
            continue
        if row[0].lstrip().startswith("0"):
            section += 1
        elif section < len(names):
            sections[section].append(dict(zip(names[section], row)))
    return sections


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build-bench")
    parser.add_argument("--buses", type=int, default=100000, choices=(10000, 100000))
    parser.add_argument("--repetitions", type=int, default=5)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "case.raw")
        subprocess.run([os.path.join(args.build, "bench", "zel23_gen_case"), "--buses",
                        str(args.buses), "--seed", "2023", "-o", path], check=True)
        with open(path, "rb") as f:
            data = f.read()
    text = data.decode()

    case = zel23.read(data, strict=True)
    records = sum(len(getattr(case, s)) for s in zel23.SECTIONS)
    print(f"case: {args.buses} buses, {records} records, {len(data) / 1e6:.1f} MB "
          f"(zel23 from {os.path.dirname(zel23.__file__)})")

    figures = {
        "C++ zel23::read": cpp_read(args.build, args.buses, args.repetitions),
        "zel23.read": best(lambda: zel23.read(data), args.repetitions),
        "zel23.read + to_pandas()": best(lambda: zel23.read(data).to_pandas(),
                                         args.repetitions),
        "csv module, lists of dicts": best(lambda: csv_dicts(text), args.repetitions),
    }
    print(f"{'':28} {'wall ms':>9} {'CPU ms':>9}")
    for name, (wall, cpu) in figures.items():
        print(f"{name:28} {wall * 1e3:9.1f} {cpu * 1e3:9.1f}")
    ours = figures["zel23.read + to_pandas()"]
    cpp = figures["C++ zel23::read"]
    plain = figures["csv module, lists of dicts"]
    for label, k in (("wall", 0), ("CPU", 1)):
        print(f"{label}: zel23.read + to_pandas() = {ours[k] / cpp[k]:.2f} x C++ zel23::read "
              f"(goal <= 2); csv module = {plain[k] / ours[k]:.1f} x zel23.read + "
              f"to_pandas() (goal >= 10)")


if __name__ == "__main__":
    main()
