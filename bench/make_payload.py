#!/usr/bin/env python3
"""Writes a deterministic synthetic payload shaped like the shipped one:
about 300 MB in about 460 files, one of them about 48 MB, compressing about
3:1 with LZMA (two sevenths of every block random, the rest repeated text).

    make_payload.py DIR [--scale S]   (S scales every size; 1.0 is full size)
"""
import os
import random
import sys

FILES = 460
TOTAL = 300 * 1000 * 1000
LARGEST = 48 * 1000 * 1000
BLOCK = 64 * 1024
WORDS = (b"certificate seal token reader client update notice control provider "
         b"registry folder signature digest container entry payload ").split()


def block(rng, size):
    """One block: two sevenths random bytes, the rest text made of few words."""
    noise = rng.randbytes(size * 2 // 7)
    text = bytearray()
    while len(text) < size - len(noise):
        text += rng.choice(WORDS) + b" "
    return noise + bytes(text[: size - len(noise)])


def sizes(rng, scale):
    rest = int((TOTAL - LARGEST) * scale)
    weights = [rng.paretovariate(1.2) for _ in range(FILES - 1)]
    total = sum(weights)
    return [int(LARGEST * scale)] + [max(1, int(rest * w / total)) for w in weights]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    scale = float(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--scale" else 1.0
    rng = random.Random(20261209)
    for i, size in enumerate(sizes(rng, scale)):
        folder = os.path.join(root, "setupdir", f"dir{i % 23:02d}", f"sub{i % 5}")
        os.makedirs(folder, exist_ok=True)
        name = "Reader_Pro.bin" if i == 0 else f"file{i:03d}.dat"
        with open(os.path.join(folder, name), "wb") as out:
            left = size
            while left > 0:
                n = min(BLOCK, left)
                out.write(block(rng, n))
                left -= n


if __name__ == "__main__":
    main()
