#!/usr/bin/env python3
"""Times qvapack build against xz on the same container files.

    build_measure.py QVAPACK STUB CACHE_DIR SCALE ROUNDS

CACHE_DIR/payload (made once) holds setupdir/ (make_payload.py) and windir/;
CACHE_DIR/containers holds the four container files qvapack packs from it.
Each round runs `qvapack build` (pack and compress both containers into the
stub) and xz --format=lzma with the same settings over the four container
files, one after another; the medians are compared.
"""
import os
import random
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_payload  # noqa: E402
import measure  # noqa: E402

# The settings qvapack uses (tools/qvapack/lzma_encode.h).
XZ_SETTINGS = "dict=16MiB,lc=3,lp=0,pb=2,mode=normal,mf=bt4,nice=32,depth=32"
SYSTEM_FILES = 53
SYSTEM_TOTAL = 16 * 1000 * 1000


def run(label, argv, stdout=subprocess.DEVNULL):
    """Runs argv once; returns (seconds, peak RSS in MiB, CPU seconds)."""
    return measure.run_with_cpu(label, argv, stdout)


def make_system_folder(folder, scale):
    rng = random.Random(20261211)
    size = max(1, int(SYSTEM_TOTAL * scale / SYSTEM_FILES))
    os.makedirs(os.path.join(folder, "TolvaneKelm"), exist_ok=True)
    for i in range(SYSTEM_FILES):
        with open(os.path.join(folder, "TolvaneKelm", f"lib{i:02d}.dll"), "wb") as out:
            out.write(make_payload.block(rng, size))


def main():
    qvapack, stub, cache, scale, rounds = sys.argv[1:6]
    scale, rounds = float(scale), int(rounds)
    payload = os.path.join(cache, "payload")
    containers = os.path.join(cache, "containers")
    if not os.path.isdir(containers):
        print(f"bench: making the payload (once; cached in {cache})", file=sys.stderr)
        subprocess.run([sys.executable, make_payload.__file__, payload, "--scale", str(scale)], check=True)
        make_system_folder(os.path.join(payload, "windir"), scale)
        os.makedirs(containers + ".tmp", exist_ok=True)
        for c in ("setupdir", "windir"):
            run(f"qvapack pack {c}", [qvapack, "pack", os.path.join(payload, c),
                                      os.path.join(containers + ".tmp", c + ".qvai")])
        os.rename(containers + ".tmp", containers)
    files = [os.path.join(containers, f"{c}.{e}") for c in ("setupdir", "windir") for e in ("qvai", "qvas")]
    size = sum(os.path.getsize(f) for f in files)
    out = os.path.join(cache, "TolvaneSetup.exe")

    ours, theirs = [], []
    for r in range(rounds):
        ours.append(run("qvapack build", [qvapack, "build", payload, "-o", out, "--stub", stub]))
        xz_time, xz_peak, xz_cpu = 0.0, 0.0, 0.0
        for f in files:
            with open(os.devnull, "wb") as null:
                t, m, c = run("xz", ["xz", "--format=lzma", f"--lzma1={XZ_SETTINGS}", "-T1", "-c", f], stdout=null)
            xz_time += t
            xz_peak = max(xz_peak, m)
            xz_cpu += c
        theirs.append((xz_time, xz_peak, xz_cpu))
        print(f"  round {r + 1}: qvapack build {ours[-1][0]:.2f} s ({ours[-1][2]:.2f} s CPU), {ours[-1][1]:.0f} MiB; "
              f"xz {xz_time:.2f} s ({xz_cpu:.2f} s CPU), {xz_peak:.0f} MiB", file=sys.stderr)

    our_time = statistics.median(t for t, _, _ in ours)
    our_cpu = statistics.median(c for _, _, c in ours)
    our_peak = max(m for _, m, _ in ours)
    xz_time = statistics.median(t for t, _, _ in theirs)
    xz_cpu = statistics.median(c for _, _, c in theirs)
    xz_peak = max(m for _, m, _ in theirs)
    limit = xz_peak + 64
    print(f"payload: {size / 1e6:.1f} MB in 4 container files (scale {scale}), "
          f"installer {os.path.getsize(out) / 1e6:.1f} MB, {rounds} rounds, medians")
    print(f"{'':24}{'time':>10}{'CPU time':>10}{'peak memory':>14}")
    print(f"{'qvapack build':24}{our_time:>9.2f}s{our_cpu:>9.2f}s{our_peak:>10.0f} MiB")
    print(f"{'xz --format=lzma':24}{xz_time:>9.2f}s{xz_cpu:>9.2f}s{xz_peak:>10.0f} MiB")
    print(f"time ratio {our_time / xz_time:.3f} (target at most 1.05); "
          f"CPU time ratio {our_cpu / xz_cpu:.3f} (steadier on a busy machine)")
    print(f"peak memory {our_peak:.0f} MiB against xz's dictionary needs + 64 MiB = {limit:.0f} MiB: "
          f"{'within' if our_peak <= limit else 'OVER'}")


if __name__ == "__main__":
    main()
