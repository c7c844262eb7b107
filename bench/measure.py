#!/usr/bin/env python3
"""Runs the payload pipeline against the xz reference and prints a table.

    measure.py QVAPACK CACHE_DIR [--wine WINE_RUN LABEL=BENCH_EXE ...]
CACHE_DIR holds setupdir.qvai, setupdir.qvas and setupdir.qvas.lzma. With
--wine, each BENCH_EXE (bench_payload.exe of a Windows build) unpacks and
extracts the same payload under Wine through WINE_RUN (scripts/wine-run),
and its figures are printed beside the native ones, against the same xz run.
"""
import filecmp
import os
import shutil
import subprocess
import sys
import time


def run_with_cpu(label, argv, stdout=None):
    """Runs argv once; returns (seconds, peak RSS in MiB, CPU seconds)."""
    start = time.perf_counter()
    with subprocess.Popen(argv, stdout=stdout) as proc:
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit(f"bench: {label} failed with exit code {proc.returncode}")
    return seconds, usage.ru_maxrss / 1024.0, usage.ru_utime + usage.ru_stime


def run(label, argv, stdout=None):
    """Runs argv once; returns (seconds, peak RSS in MiB)."""
    return run_with_cpu(label, argv, stdout)[:2]


def windows_path(path):
    """A host path as Wine shows it to Windows programs."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_wine(label, wine_run, argv):
    """Runs a bench_payload step under Wine; returns (seconds of the step,
    seconds with Wine's start-up, peak working set in MiB)."""
    start = time.perf_counter()
    proc = subprocess.run([wine_run] + argv, stdout=subprocess.PIPE, text=True)
    wall = time.perf_counter() - start
    fields = proc.stdout.split()
    if proc.returncode != 0 or len(fields) < 4 or fields[0] != "seconds":
        sys.exit(f"bench: {label} under Wine failed with exit code {proc.returncode}: {proc.stdout.strip()}")
    return float(fields[1]), wall, float(fields[3])


def count_files(folder):
    return sum(len(f) for _, _, f in os.walk(folder))


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

    wine_rows = []
    if "--wine" in sys.argv:
        at = sys.argv.index("--wine")
        wine_run = sys.argv[at + 1]
        for spec in sys.argv[at + 2:]:
            kind, exe = spec.split("=", 1)
            out_w = os.path.join(work, f"by-{kind}")
            dest_w = os.path.join(work, f"dest-{kind}")
            e = run_wine(f"{kind} unpacking", wine_run,
                         [exe, "unpack", windows_path(lzma), windows_path(out_w)])
            if not filecmp.cmp(out_a, out_w, shallow=False):
                sys.exit(f"bench: (a) and the {kind} unpacking differ")
            drop(out_w)
            f = run_wine(f"{kind} extraction", wine_run,
                         [exe, "extract", windows_path(index), windows_path(dest_w)])
            if count_files(dest_w) != count_files(dest):
                sys.exit(f"bench: the {kind} extraction wrote {count_files(dest_w)} files, not {count_files(dest)}")
            g = run_wine(f"{kind} extraction again", wine_run,
                         [exe, "extract", windows_path(index), windows_path(dest_w)])
            drop(dest_w)
            wine_rows.append((kind, e, f, g))

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
    for kind, e, f, g in wine_rows:
        print()
        print(f"{kind} under Wine (the step's own time; with Wine's start-up in brackets):")
        print(f"{'step':40} {'seconds':>8} {'':>9} {'peak WS MiB':>12}")
        for label, (step, wall, peak) in ((f"(e) {kind} unpacking", e), (f"(f) {kind} first extraction", f),
                                          (f"(g) {kind} extraction again", g)):
            print(f"{label:40} {step:8.2f} {'(' + format(wall, '.2f') + ')':>9} {peak:12.1f}")
        print(f"e / a             = {e[0] / a:5.2f}   (beside b / a = {b / a:.2f})")
        print(f"(e + f) / a       = {(e[0] + f[0]) / a:5.2f}   (beside (b + c) / a = {(b + c) / a:.2f})")
        print(f"g / f             = {g[0] / f[0]:5.2f}   (beside d / c = {d / c:.2f})")
    drop(work)


if __name__ == "__main__":
    main()
