#!/usr/bin/python3
"""Draws the bus voltage magnitudes of a case by area to a PNG.

    /usr/bin/python3 examples/python/plot_voltages.py [CASE] [-o PNG]

CASE defaults to examples/sample.raw, PNG to voltages.png. Each area gets a
box of its buses' VM with every bus drawn over it; buses outside 0.95-1.05
per unit are marked in red.
"""
import argparse
import os
import pathlib

import matplotlib
import numpy as np

import zel23

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the file backend)

LOW, HIGH = 0.95, 1.05


def main():
    here = pathlib.Path(__file__).resolve().parents[2]
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("case", nargs="?", default=here / "examples" / "sample.raw")
    parser.add_argument("-o", "--output", default="voltages.png")
    args = parser.parse_args()

    case = zel23.read(args.case)
    for p in case.problems:
        print(f"{args.case}:{p.line}: {p.message}")
    tables = case.to_pandas()
    buses = tables["buses"]
    names = {a.I: a.ARNAME.strip("' ") for a in case.areas}
    areas = sorted(buses["AREA"].unique())

    fig, ax = plt.subplots(figsize=(max(6, 1.1 * len(areas) + 3), 4.5), dpi=120)
    groups = [buses.loc[buses["AREA"] == a, "VM"].to_numpy() for a in areas]
    ax.boxplot(groups, widths=0.5, showfliers=False,
               medianprops={"color": "black"}, boxprops={"color": "0.4"})
    jitter = np.random.default_rng(1)
    for k, vm in enumerate(groups, start=1):
        x = k + jitter.uniform(-0.18, 0.18, len(vm))
        outside = (vm < LOW) | (vm > HIGH)
        ax.scatter(x[~outside], vm[~outside], s=10, alpha=0.6, color="tab:blue")
        ax.scatter(x[outside], vm[outside], s=14, color="tab:red")
    ax.axhspan(LOW, HIGH, color="tab:green", alpha=0.07)
    for limit in (LOW, HIGH):
        ax.axhline(limit, color="tab:green", lw=1, ls="--")
    ax.set_xticks(range(1, len(areas) + 1),
                  [f"{a}\n{names.get(a, '')}" for a in areas], fontsize=8)
    ax.set_xlabel("area")
    ax.set_ylabel("voltage magnitude VM (per unit)")
    low = int((buses["VM"] < LOW).sum())
    ax.set_title(f"{case.comments[1].strip() if len(case.comments) > 1 else args.case}\n"
                 f"{len(buses)} buses, {low} below {LOW}", fontsize=10)
    fig.tight_layout()
    # Into a temporary file first: an existing picture is replaced only whole.
    temporary = f"{args.output}.{os.getpid()}.tmp"
    try:
        fig.savefig(temporary, format="png")
        os.replace(temporary, args.output)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise
    print(f"wrote {args.output}")


if __name__ == "__main__":
    main()
