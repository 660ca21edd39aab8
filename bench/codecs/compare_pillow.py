#!/usr/bin/python3
"""Pillow's PNG save of the benchmark photo, for the side-by-side figure with BM_EncodePng.

    codecs_bench --dump-photo=/tmp/photo.bmp && bench/codecs/compare_pillow.py /tmp/photo.bmp
"""
import io
import sys
import time

from PIL import Image

image = Image.open(sys.argv[1]).convert("RGB")
image.load()
best = None
for _ in range(3):
    out = io.BytesIO()
    start = time.perf_counter()
    image.save(out, "PNG")  # Pillow's defaults: zlib level 6, adaptive filtering
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(f"Pillow PNG save {image.size[0]}x{image.size[1]}: {best * 1000:.0f} ms, {out.tell() / 2**20:.2f} MiB")
