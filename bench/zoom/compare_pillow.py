#!/usr/bin/python3
"""The zoom benchmarks beside the same work in Pillow, as one table with ratios (ours / Pillow).

    bench/zoom/compare_pillow.py build/release/bench/zoom/zoom_bench

Runs zoom_bench (which dumps its tiled photographs for Pillow first), times Pillow single-threaded
on the same pictures, best of several runs each, and prints a Markdown table.
"""
import json
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

REPEATS = 5

# benchmark name prefix, source file, Pillow work, its description
CASES = [
    ("BM_ZoomDown6000x4000To4500x3000", "6000x4000.bmp",
     lambda im: im.resize((4500, 3000), Image.Resampling.BOX),
     "zoomdown 6000 × 4000 → 4500 × 3000", "resize((4500, 3000), BOX)"),
    ("BM_ZoomDown6000x4000To1500x1000", "6000x4000.bmp",
     lambda im: im.resize((1500, 1000), Image.Resampling.BOX),
     "zoomdown 6000 × 4000 → 1500 × 1000", "resize((1500, 1000), BOX)"),
    ("BM_ZoomUp2000x1500To4000x3000", "2000x1500.bmp",
     lambda im: im.resize((4000, 3000), Image.Resampling.BILINEAR),
     "zoomup 2000 × 1500 → 4000 × 3000", "resize((4000, 3000), BILINEAR)"),
    ("BM_Rotate4000x3000By30", "4000x3000.bmp",
     lambda im: im.rotate(30, Image.Resampling.BILINEAR, expand=True),
     "rotate 4000 × 3000 by 30°", "rotate(30, BILINEAR, expand=True)"),
]
EXTRA = [("6000x4000.bmp", lambda im: im.reduce(4), "reduce(4) 6000 × 4000 → 1500 × 1000")]


def best_ms(work, image):
    best = None
    for _ in range(REPEATS):
        start = time.perf_counter()
        work(image)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best * 1000


def main():
    bench = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([bench, f"--dump-photos={tmp}"], check=True, stdout=subprocess.DEVNULL)
        images = {}
        for name in {case[1] for case in CASES}:
            images[name] = Image.open(Path(tmp) / name).convert("RGB")
            images[name].load()
        run = subprocess.run([bench, "--benchmark_format=json", "--benchmark_repetitions=3",
                              "--benchmark_report_aggregates_only=true"],
                             check=True, capture_output=True, text=True)
    ours = {}
    for b in json.loads(run.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "min" or (b.get("aggregate_name") == "mean" and b["run_name"] not in ours):
            ours[b["run_name"]] = b["real_time"]  # milliseconds
    # Prefer the mean when no min aggregate is reported.
    pillow = {case[0]: best_ms(case[2], images[case[1]]) for case in CASES}

    print("| case | Pillow reference | Pillow ms | ours ms (transparency off) | ratio | "
          "ours ms (transparency on) | ratio |")
    print("| --- | --- | ---: | ---: | ---: | ---: | ---: |")
    for prefix, _, _, title, reference in CASES:
        off = ours[f"{prefix}/transparent:0"]
        on = ours[f"{prefix}/transparent:1"]
        p = pillow[prefix]
        print(f"| `{title}` | `{reference}` | {p:.0f} | {off:.0f} | {off / p:.2f} | {on:.0f} | {on / p:.2f} |")
    for name, work, title in EXTRA:
        print(f"\nPillow {title}: {best_ms(work, images[name]):.0f} ms")


if __name__ == "__main__":
    main()
