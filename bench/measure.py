#!/usr/bin/env python3
"""Runs the payload pipeline against the xz reference and prints a table.

    measure.py QVAPACK CACHE_DIR
CACHE_DIR holds setupdir.qvai, setupdir.qvas and setupdir.qvas.lzma.
"""
import filecmp
import os
import shutil
import subprocess
import sys
import time


def run(label, argv, stdout=None):
    """Runs argv once; returns (seconds, peak RSS in MiB)."""
    start = time.perf_counter()
    with subprocess.Popen(argv, stdout=stdout) as proc:
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit(f"bench: {label} failed with exit code {proc.returncode}")
    return seconds, usage.ru_maxrss / 1024.0


def drop(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)


def main():
    qvapack, cache = sys.argv[1], sys.argv[2]
    lzma = os.path.join(cache, "setupdir.qvas.lzma")
    index = os.path.join(cache, "setupdir.qvai")
    work = os.path.join(cache, "work")
    drop(work)
    os.makedirs(work)
    out_a, out_b, dest = (os.path.join(work, n) for n in ("by-xz", "by-qvapack", "dest"))

    rows = []
    with open(out_a, "wb") as sink:
        rows.append(("(a) xz --format=lzma -d (reference)",) + run("xz", ["xz", "--format=lzma", "-dc", lzma], sink))
    rows.append(("(b) installer unpacking",) + run("unpack", [qvapack, "unpack", lzma, out_b]))
    if not filecmp.cmp(out_a, out_b, shallow=False):
        sys.exit("bench: (a) and (b) differ")
    rows.append(("(c) first extraction, verified",) + run("extract", [qvapack, "extract", index, dest],
                                                           stdout=subprocess.DEVNULL))
    rows.append(("(d) extraction again, unchanged",) + run("extract", [qvapack, "extract", index, dest],
                                                            stdout=subprocess.DEVNULL))

    unpacked = os.path.getsize(out_a)
    packed = os.path.getsize(lzma)
    files = sum(len(f) for _, _, f in os.walk(dest))
    largest = max(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(dest) for f in fs)
    print(f"payload: {files} files, {unpacked / 1e6:.1f} MB unpacked, {packed / 1e6:.1f} MB packed "
          f"(ratio {unpacked / packed:.2f}), largest entry {largest / 1e6:.1f} MB")
    print(f"{'step':40} {'seconds':>8} {'peak RSS MiB':>13}")
    for label, seconds, rss in rows:
        print(f"{label:40} {seconds:8.2f} {rss:13.1f}")
    a, b, c, d = (r[1] for r in rows)
    print()
    print(f"b / a             = {b / a:5.2f}   (target <= 1.05)")
    print(f"(b + c) / a       = {(b + c) / a:5.2f}   (target <= 1.25)")
    print(f"d / c             = {d / c:5.2f}")
    print(f"RSS (b)           = {rows[1][2]:6.1f} MiB   (dictionary 16 MiB plus buffers)")
    print(f"RSS (c) / largest = {rows[2][2] * 1048576 / largest:5.2f}   (target about 2 or less)")
    drop(work)


if __name__ == "__main__":
    main()
