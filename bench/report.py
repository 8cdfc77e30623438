#!/usr/bin/env python3
"""Prints the key figures of a zel23_bench run as tables.

usage: report.py BENCHMARKS.json [PEAK_MEMORY.jsonl] [--markdown] [--cpu]

BENCHMARKS.json is Google Benchmark's JSON output of zel23_bench; the median
of repetitions is used when there are repetitions. PEAK_MEMORY.jsonl holds one
line of `zel23_peak_memory FILE --json` output per case size.

Figures come from wall time. With --cpu they come from the process's CPU
time instead, which other programs on a busy machine disturb less (but which
leaves out time spent waiting, for instance on the disk).
"""

import json
import sys

MiB = 1024.0 * 1024.0


def load_runs(path):
    """Maps 'Read/ZELParse/10000' to its run entry (median if repeated)."""
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data.get("benchmarks", []):
        if b.get("error_occurred"):
            continue
        name = b.get("run_name", b["name"])
        if name.endswith("/real_time"):
            name = name[: -len("/real_time")]
        kind = b.get("run_type", "iteration")
        if kind == "aggregate":
            if b.get("aggregate_name") != "median":
                continue
            runs[name] = b
        elif name not in runs:
            runs[name] = b
    return data.get("context", {}), runs


USE_CPU = False


def seconds(run):
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run.get("time_unit", "ns")]
    return run["cpu_time" if USE_CPU else "real_time"] * scale


def rescale(run, value):
    """A rate Google Benchmark computed from the run's own clock, moved to ours."""
    if not USE_CPU:
        return value
    return value * run["real_time"] / run["cpu_time"] if run.get("real_time") else value


def mbps(run):
    if not run or "bytes_per_second" not in run:
        return None
    return rescale(run, run["bytes_per_second"]) / MiB


def mrecs(run):
    if not run or "records/s" not in run:
        return None
    return rescale(run, run["records/s"]) / 1e6


def fmt(v, spec="{:.1f}"):
    return "-" if v is None else spec.format(v)


def ratio(runs, a, b):
    if a in runs and b in runs:
        return seconds(runs[a]) / seconds(runs[b])
    return None


def table(headers, rows, markdown):
    cells = [headers] + [[str(c) for c in r] for r in rows]
    widths = [max(len(r[i]) for r in cells) for i in range(len(headers))]
    out = []
    for k, r in enumerate(cells):
        if markdown:
            out.append("| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |")
            if k == 0:
                out.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
        else:
            out.append("  ".join(c.rjust(w) if i else c.ljust(w)
                                 for i, (c, w) in enumerate(zip(r, widths))))
            if k == 0:
                out.append("  ".join("-" * w for w in widths))
    return "\n".join(out)


def main(argv):
    global USE_CPU
    markdown = "--markdown" in argv
    USE_CPU = "--cpu" in argv
    args = [a for a in argv[1:] if a not in ("--markdown", "--cpu")]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    context, runs = load_runs(args[0])
    peaks = []
    if len(args) > 1:
        with open(args[1]) as f:
            peaks = [json.loads(line) for line in f if line.strip()]

    sizes = sorted({int(n.rsplit("/", 1)[1]) for n in runs
                    if n.startswith(("Read/", "Write/"))})
    print("machine: %s CPUs at %s MHz, Google Benchmark built as: %s" % (
        context.get("num_cpus", "?"), context.get("mhz_per_cpu", "?"),
        context.get("library_build_type", "?")))
    print("clock: %s; time ratios: library time / floor time on the same bytes "
          "(above 1: slower than the floor)\n" % ("CPU time" if USE_CPU else "wall time"))

    rows = []
    for n in sizes:
        r = lambda k: runs.get("%s/%d" % (k, n))
        rec = r("Read/ZELParse")
        rows.append([
            n,
            fmt(mbps(rec)),
            fmt(mrecs(rec), "{:.2f}"),
            fmt(mbps(r("Read/FloorMemchr"))),
            fmt(mbps(r("Read/FloorGetline"))),
            fmt(mbps(r("Read/FloorHandWritten"))),
            fmt(ratio(runs, "Read/ZELParse/%d" % n, "Read/FloorMemchr/%d" % n), "{:.2f}"),
            fmt(ratio(runs, "Read/ZELParse/%d" % n, "Read/FloorGetline/%d" % n), "{:.2f}"),
            fmt(ratio(runs, "Read/ZELParse/%d" % n, "Read/FloorHandWritten/%d" % n),
                "{:.2f}"),
        ])
    print("Reading (MiB/s of case text)")
    print(table(["buses", "ZELParse", "Mrec/s", "floor(a) memchr", "floor(b) getline",
                 "floor(c) by hand", "ZELParse/(a)", "ZELParse/(b)", "ZELParse/(c)"],
                rows, markdown))
    print()

    rows = []
    for n in sizes:
        r = lambda k: runs.get("%s/%d" % (k, n))
        speedup = lambda a, b: ratio(runs, "Read/%s/%d" % (b, n), "Read/%s/%d" % (a, n))
        rows.append([
            n,
            fmt(mbps(r("Read/ReadFromFile"))),
            fmt(mbps(r("Read/ReadFile1Thread"))),
            fmt(mbps(r("Read/ReadFile2Threads"))),
            fmt(speedup("ReadFile1Thread", "ReadFromFile"), "{:.2f}"),
            fmt(speedup("ReadFile2Threads", "ReadFromFile"), "{:.2f}"),
            fmt(speedup("ReadFile2Threads", "FloorMemchr"), "{:.2f}"),
        ])
    print("Parallel reading of a file (MiB/s; speed ratios, above 1: faster)")
    print(table(["buses", "read (ifstream)", "readFile 1 thread", "readFile 2 threads",
                 "1 thread/read", "2 threads/read", "2 threads/floor(a)"], rows, markdown))
    print()

    rows = []
    for n in sizes:
        r = lambda k: runs.get("%s/%d" % (k, n))
        rows.append([
            n,
            fmt(mbps(r("Write/ZELPrintMemory"))),
            fmt(mbps(r("Write/FloorEndlMemory"))),
            fmt(mbps(r("Write/ZELPrintFile"))),
            fmt(mbps(r("Write/FloorEndlFile"))),
            fmt(mbps(r("Write/FloorBulkFile"))),
            fmt(ratio(runs, "Write/ZELPrintFile/%d" % n, "Write/FloorEndlFile/%d" % n),
                "{:.2f}"),
        ])
    print("Writing (MiB/s of printed text)")
    print(table(["buses", "ZELPrint memory", "endl memory", "ZELPrint file",
                 "endl file floor", "one write()", "ZELPrint file/endl floor"],
                rows, markdown))
    print()

    if 10000 in sizes and 1000000 in sizes:
        rows = []
        for k in ("Read/ZELParse", "Write/ZELPrintMemory", "Write/ZELPrintFile"):
            small, big = mbps(runs.get(k + "/10000")), mbps(runs.get(k + "/1000000"))
            rows.append([k, fmt(small), fmt(big),
                         fmt(big / small if small and big else None, "{:.2f}")])
        print("Scaling")
        print(table(["benchmark", "MiB/s 10k", "MiB/s 1M", "1M / 10k"], rows, markdown))
        print()

    rec = [n for n in runs if n.startswith("Record/")]
    if rec:
        types = []
        for n in rec:
            t = n.split("/")[1]
            if t not in types:
                types.append(t)
        rows = []
        for t in types:
            p, w = runs.get("Record/%s/Parse" % t), runs.get("Record/%s/Print" % t)
            rows.append([t,
                         fmt(seconds(p) * 1e9 if p else None, "{:.0f}"),
                         fmt(mrecs(p), "{:.2f}"),
                         fmt(seconds(w) * 1e9 if w else None, "{:.0f}"),
                         fmt(mrecs(w), "{:.2f}")])
        print("Single records")
        print(table(["record", "parse ns", "parse Mrec/s", "print ns", "print Mrec/s"],
                    rows, markdown))
        print()

    if peaks:
        rows = []
        for p in peaks:
            growth = p["peak_rss_growth"]
            rows.append([
                p.get("reader", "ZELParse"),
                p["records"],
                fmt(p["file_bytes"] / MiB),
                fmt(p["record_bytes"] / MiB),
                fmt(p["peak_rss_after"] / MiB),
                fmt(growth / MiB),
                fmt(growth / p["file_bytes"], "{:.2f}"),
                fmt(growth / p["record_bytes"] if p["record_bytes"] else None, "{:.2f}"),
                fmt((growth - p["file_bytes"]) / p["record_bytes"]
                    if p["record_bytes"] else None, "{:.2f}"),
                fmt(p["parse_seconds"] * 1e3, "{:.0f}"),
            ])
        print("Peak memory of ZELParse from an std::ifstream, and of readFile (MiB), and the")
        print("time of that one read in a new process, memory the kernel hands out fresh")
        print(table(["reader", "records", "file", "records' own", "peak RSS", "peak growth",
                     "growth/file", "growth/records", "(growth-file)/records",
                     "read ms"], rows, markdown))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
