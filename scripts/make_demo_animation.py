#!/usr/bin/env python3
"""Draws the demo's start-up animation: PNG frames of a ring that turns, on a
rounded card whose edge is semi-transparent, put together with img2webp.

Usage: make_demo_animation.py OUT_DIR   (writes animation.webp and config.json)
"""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

WIDTH, HEIGHT, FRAMES, FRAME_MS = 320, 160, 12, 80


def png(path, pixels):
    """Writes RGBA rows (lists of 4-tuples) as a PNG file."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def frame(index):
    angle = 2 * math.pi * index / FRAMES
    cx, cy, radius = WIDTH / 2, HEIGHT / 2, 44
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            # Card with rounded corners; a soft, half-transparent border.
            dx = max(abs(x - cx) - (WIDTH / 2 - 24), 0)
            dy = max(abs(y - cy) - (HEIGHT / 2 - 24), 0)
            edge = math.hypot(dx, dy)
            if edge > 24:
                row.append((0, 0, 0, 0))
                continue
            alpha = 235 if edge < 16 else 110
            colour = (38, 70, 120)
            # The ring: brighter where its turning head is.
            d = math.hypot(x - cx, y - cy)
            if abs(d - radius) < 7:
                a = (math.atan2(y - cy, x - cx) - angle) % (2 * math.pi)
                glow = 1 - a / (2 * math.pi)
                colour = (int(90 + 120 * glow), int(140 + 90 * glow), 230)
            row.append(colour + (alpha,))
        rows.append(row)
    return rows


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        names = []
        for i in range(FRAMES):
            name = os.path.join(tmp, "f%02d.png" % i)
            png(name, frame(i))
            names.append(name)
        subprocess.run(["img2webp", "-loop", "0", "-lossless", "-d", str(FRAME_MS)] + names +
                       ["-o", os.path.join(out, "animation.webp")], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(out, "config.json"), "w") as f:
        json.dump({"loop": True, "loop_index": 1, "window_width": WIDTH, "window_height": HEIGHT,
                   "topmost": True}, f)


if __name__ == "__main__":
    main()
