#!/usr/bin/env python3
"""The peer benchmark's driver (bench/peer sets up and calls it).

Makes the payloads once (cached), builds our installer with each and the NSIS
installer of the same files, runs both under Wine in fresh prefix copies,
alternating, and prints the medians and ratios:
  first install of the big payload, second run over the installed tree,
  first install of the tiny payload (6 files), peak memory of the installer.
"""
import argparse
import filecmp
import os
import re
import shutil
import statistics
import subprocess
import sys

TINY_FILES = {  # 6 files: 5 into the installation folder, 1 into the system folder
    "setupdir/Tolvane.ini": b"[Tolvane]\r\nversion=1\r\n",
    "setupdir/readme.txt": b"Tolvane tiny payload.\r\n" * 40,
    "setupdir/bin/tiny.dat": bytes(range(256)) * 64,
    "setupdir/bin/more.dat": bytes(255 - (i % 256) for i in range(50000)),
    "setupdir/Reg/tiny.reg": b"Windows Registry Editor Version 5.00\r\n",
    "windir/TolvaneTiny.ini": b"[TolvaneTiny]\r\n",
}


def sh(argv, **kw):
    return subprocess.run(argv, check=True, **kw)


def make_big(cache, root, build, scale):
    """The sample payload plus a synthetic part below setupdir/bench/."""
    out = os.path.join(cache, "payload-big")
    if os.path.exists(os.path.join(out, ".ready")):
        return out
    print("bench: making the big payload (once)", file=sys.stderr)
    shutil.rmtree(out, ignore_errors=True)
    shutil.copytree(os.path.join(root, "build", build, "sample-payload"), out,
                    ignore=shutil.ignore_patterns(".stamp"))
    synthetic = os.path.join(cache, "synthetic")
    shutil.rmtree(synthetic, ignore_errors=True)
    sh([sys.executable, os.path.join(root, "bench", "make_payload.py"), synthetic, "--scale", str(scale)])
    shutil.move(os.path.join(synthetic, "setupdir"), os.path.join(out, "setupdir", "bench"))
    shutil.rmtree(synthetic)
    open(os.path.join(out, ".ready"), "w").close()
    return out


def make_tiny(cache):
    out = os.path.join(cache, "payload-tiny")
    if os.path.exists(os.path.join(out, ".ready")):
        return out
    shutil.rmtree(out, ignore_errors=True)
    for rel, data in TINY_FILES.items():
        path = os.path.join(out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    open(os.path.join(out, ".ready"), "w").close()
    return out


def build_ours(root, cache, arch, payload, name):
    """Our installer with this payload, in its own build folder (kept up to date)."""
    folder = os.path.join(cache, "build-" + name)
    toolchain = "mingw-i686.cmake" if arch == "i686" else "mingw-x86_64.cmake"
    log = os.path.join(cache, "build-" + name + ".log")
    with open(log, "w") as out:
        if not os.path.exists(os.path.join(folder, "CMakeCache.txt")):
            sh(["cmake", "-S", root, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(root, "cmake", toolchain), "-DTOLVANE_TESTS=OFF",
                "-DQVAPACK=" + os.path.join(root, "build", "host", "qvapack"),
                "-DTOLVANE_PAYLOAD_DIR=" + payload], stdout=out, stderr=out)
        print(f"bench: building our {arch} installer with the {name} payload (log: {log})", file=sys.stderr)
        sh(["cmake", "--build", folder, "--target", "TolvaneSetup"], stdout=out, stderr=out)
    return os.path.join(folder, "TolvaneSetup.exe")


def build_nsis(cache, arch, payload, name):
    """The NSIS installer of the same files: solid LZMA, 16 MiB dictionary, same places."""
    exe = os.path.join(cache, "nsis-" + name + ".exe")
    if os.path.exists(exe):
        return exe
    print(f"bench: making the NSIS installer of the {name} payload (once)", file=sys.stderr)
    script = os.path.join(cache, "nsis-" + name + ".nsi")
    lines = [
        "Unicode true",
        "Target " + ("x86-unicode" if arch == "i686" else "amd64-unicode"),
        "SetCompressor /SOLID /FINAL lzma",
        "SetCompressorDictSize 16",
        "RequestExecutionLevel admin",
        'Name "TolvaneKelm"',
        f'OutFile "{exe}.new"',
        'InstallDir "' + ("$PROGRAMFILES" if arch == "i686" else "$PROGRAMFILES64") + '\\TolvaneKelm"',
        "Section",
        '  SetOutPath "$INSTDIR"',
        f'  File /r "{payload}/setupdir/*"',
        '  SetOutPath "$SYSDIR"',
        f'  File /r "{payload}/windir/*"',
        "SectionEnd",
    ]
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    sh(["makensis", "-V2", "-INPUTCHARSET", "UTF8", script], env=env, stdout=subprocess.DEVNULL)
    os.rename(exe + ".new", exe)
    return exe


def build_runner(root, cache, arch):
    exe = os.path.join(cache, "peer_runner.exe")
    source = os.path.join(root, "bench", "peer_runner.cpp")
    if not os.path.exists(exe) or os.path.getmtime(exe) < os.path.getmtime(source):
        compiler = ("i686" if arch == "i686" else "x86_64") + "-w64-mingw32-g++-posix"
        sh([compiler, "-O2", "-municode", "-static", source, "-o", exe, "-lpsapi"])
    return exe


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_in_prefix(root, runner, runs, keep=False):
    """runs: (label, exe, argument) run one after another in one fresh prefix.
    Returns {label: (seconds, peak MiB, exit code)} and the kept prefix (or None)."""
    argv = [os.path.join(root, "scripts", "wine-run"), windows_path(runner)]
    for label, exe, argument in runs:
        argv += [label, windows_path(exe), argument]
    env = dict(os.environ, TOLVANE_KEEP_PREFIX="1" if keep else "0")
    proc = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    results = {}
    for line in proc.stdout.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[0] in {r[0] for r in runs}:
            results[parts[0]] = (float(parts[1]), float(parts[2]), int(parts[3]))
    if len(results) != len(runs):
        sys.exit(f"bench: a run failed (exit {proc.returncode}):\n{proc.stdout}\n{proc.stderr}")
    kept = re.search(r"prefix kept at (\S+)", proc.stderr)
    return results, kept.group(1) if kept else None


def check_installed(prefix, arch, payload, who):
    """Every payload file landed with its bytes; then the prefix goes."""
    program_files = "Program Files (x86)" if arch == "i686" else "Program Files"
    system = "syswow64" if arch == "i686" else "system32"
    targets = {"setupdir": os.path.join(prefix, "drive_c", program_files, "TolvaneKelm"),
               "windir": os.path.join(prefix, "drive_c", "windows", system)}
    try:
        for container, target in targets.items():
            source = os.path.join(payload, container)
            for folder, _, files in os.walk(source):
                for name in files:
                    rel = os.path.relpath(os.path.join(folder, name), source)
                    if not filecmp.cmp(os.path.join(folder, name), os.path.join(target, rel), shallow=False):
                        sys.exit(f"bench: {who} did not install {container}/{rel}")
    except FileNotFoundError as missing:
        sys.exit(f"bench: {who} did not install {missing.filename}")
    finally:
        shutil.rmtree(os.path.dirname(prefix), ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--arch", default="i686")
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--scale", type=float, default=0.437)
    a = ap.parse_args()
    build = "win32" if a.arch == "i686" else "win64"
    cache = os.path.join(a.root, "bench", "cache", f"peer-{a.arch}-{a.scale}")
    os.makedirs(cache, exist_ok=True)

    big, tiny = make_big(cache, a.root, build, a.scale), make_tiny(cache)
    ours = {"big": build_ours(a.root, cache, a.arch, big, "big"),
            "tiny": build_ours(a.root, cache, a.arch, tiny, "tiny")}
    nsis = {"big": build_nsis(cache, a.arch, big, "big"), "tiny": build_nsis(cache, a.arch, tiny, "tiny")}
    runner = build_runner(a.root, cache, a.arch)
    options = {"ours": "-s", "nsis": "/S"}
    exes = {"ours": ours, "nsis": nsis}

    samples = {k: {"first": [], "second": [], "tiny": [], "memory": []} for k in exes}
    for r in range(a.rounds):
        order = ["ours", "nsis"] if r % 2 == 0 else ["nsis", "ours"]
        for who in order:
            exe, opt = exes[who]["big"], options[who]
            results, prefix = run_in_prefix(a.root, runner, [("first", exe, opt), ("second", exe, opt)],
                                            keep=(r == 0))
            if prefix:
                check_installed(prefix, a.arch, big, who)
            for label in ("first", "second"):
                if results[label][2] != 0:
                    sys.exit(f"bench: {who} ended with exit code {results[label][2]}")
                samples[who][label].append(results[label][0])
            samples[who]["memory"].append(max(results["first"][1], results["second"][1]))
        for who in order:
            results, _ = run_in_prefix(a.root, runner, [("tiny", exes[who]["tiny"], options[who])])
            samples[who]["tiny"].append(results["tiny"][0])
        print(f"bench: round {r + 1} of {a.rounds} done", file=sys.stderr)

    files = sum(len(f) for _, _, f in os.walk(big))
    size = sum(os.path.getsize(os.path.join(d, n)) for d, _, fs in os.walk(big) for n in fs)
    print(f"payload: {files} files, {size / 1e6:.1f} MB; {a.arch} under Wine, {a.rounds} rounds, medians")
    print(f"installers: ours {os.path.getsize(ours['big']) / 1e6:.1f} MB, NSIS {os.path.getsize(nsis['big']) / 1e6:.1f} MB")
    print(f"{'':34} {'ours':>9} {'NSIS':>9} {'ours/NSIS':>10}   goal")
    goals = {"first": "<= 1.00", "second": "<= 1.00", "tiny": "<= NSIS + 0.6 s", "memory": ""}
    titles = {"first": "first install, big payload (s)", "second": "second run over the tree (s)",
              "tiny": "first install, tiny payload (s)", "memory": "peak memory, big (MiB)"}
    for key in ("first", "second", "tiny", "memory"):
        o, n = statistics.median(samples["ours"][key]), statistics.median(samples["nsis"][key])
        extra = f" ({o - n:+.2f} s)" if key == "tiny" else ""
        print(f"{titles[key]:34} {o:9.2f} {n:9.2f} {o / n:10.2f}   {goals[key]}{extra}")


if __name__ == "__main__":
    main()
