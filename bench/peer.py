#!/usr/bin/env python3
"""The peer benchmark's driver (bench/peer sets up and calls it).

Makes the payloads once (cached), builds our installer with each and two
NSIS installers of the same files, runs them under Wine in fresh prefix
copies, alternating, and prints the medians and ratios:
  first install of the big payload, second run over the installed tree,
  first install of the tiny payload (6 files), peak memory of the installer.

Our installer also runs a few dozen outside programs that it must wait for
(the control registrar and the registry editor for every row of its tables,
the prerequisite and driver setups), and under Wine every such start costs
about a tenth of a second. The peer that the ratios are taken against does
the same work: "NSIS" writes the same files and starts the same programs with
the same command lines, in the same folders, before and after the files as
ours does, waiting for each (ExecShellWait, as ours waits through the shell).
The list is read from the install log of a calibration run of ours. "NSIS,
files only" writes the files and nothing else, for reference.
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


def read_install_log(prefix):
    """The lines of the last install log in the prefix, decoded."""
    temp = os.path.join(prefix, "drive_c", "users", os.environ.get("USER", "root"), "Temp")
    for folder, _, files in os.walk(os.path.join(prefix, "drive_c", "users")):
        if "TolvaneSetup.log" in files:
            temp = folder
    with open(os.path.join(temp, "TolvaneSetup.log"), "rb") as f:
        return f.read().decode("gbk", errors="replace").splitlines()


START = re.compile(r"^\S+ \S+  program started: (.*)$")


def programs_of(log):
    """The programs our run started, in order: (program, parameters, folder,
    waited, before the files)."""
    programs, before_files = [], True
    for line in log:
        if "  step 16: " in line:
            before_files = False
        m = START.match(line)
        if not m:
            continue
        text = m.group(1)
        nowait = re.match(r"^(.*), no parameters, no working folder \(result -?\d+\)$", text)
        if nowait:
            programs.append((nowait.group(1), "", "", False, before_files))
            continue
        started = re.match(r"^(.*) in (.*?)( \(result -?\d+\))?$", text)
        program, _, parameters = started.group(1).partition(" ")
        programs.append((program, parameters, started.group(2), started.group(3) is None, before_files))
    return programs


def calibrate(root, runner, exe):
    """Runs ours once in a fresh prefix; returns the programs it started."""
    _, prefix = run_in_prefix(root, runner, [("calibration", exe, "-s")], keep=True)
    try:
        return programs_of(read_install_log(prefix))
    finally:
        shutil.rmtree(os.path.dirname(prefix), ignore_errors=True)


def nsis_program_lines(programs):
    def quoted(text):  # NSIS strings in backquotes; "$" is written "$$"
        return "`" + text.replace("$", "$$") + "`"
    lines = []
    for program, parameters, folder, waited, _ in programs:
        if folder:
            lines.append("  SetOutPath " + quoted(folder))
        command = "ExecShellWait" if waited else "ExecShell"
        lines.append(f"  {command} open {quoted(program)} {quoted(parameters)}")
    return lines


def build_nsis(cache, arch, payload, name, programs=None):
    """The NSIS installer of the same files: solid LZMA, 16 MiB dictionary,
    same places; with programs, it also starts them as ours did. Rebuilt when
    its script changes."""
    kind = "nsis-" + name + ("-programs" if programs is not None else "")
    script = os.path.join(cache, kind + ".nsi")
    exe = os.path.join(cache, kind + ".exe")
    before = nsis_program_lines([p for p in programs or [] if p[4]])
    after = nsis_program_lines([p for p in programs or [] if not p[4]])
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
    ] + before + [
        '  SetOutPath "$INSTDIR"',
        f'  File /r "{payload}/setupdir/*"',
        '  SetOutPath "$SYSDIR"',
        f'  File /r "{payload}/windir/*"',
    ] + after + [
        "SectionEnd",
    ]
    text = "\n".join(lines) + "\n"
    if os.path.exists(exe) and os.path.exists(script):
        with open(script, encoding="utf-8") as f:
            if f.read() == text:
                return exe
    print(f"bench: making the NSIS installer {kind}", file=sys.stderr)
    if os.path.exists(exe):
        os.remove(exe)
    with open(script, "w", encoding="utf-8") as f:
        f.write(text)
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


PHASES = (  # (title, the log line that starts it, the one that ends it)
    ("Wine start-up and process end", None, "TolvaneSetup: command line"),
    ("window, browser check, indexes", "TolvaneSetup: command line", "step 3: "),
    ("unpacking at the resources' step", "step 3: ", "step 4: "),
    ("stop list, sweeps, lock holders", "step 4: ", "step 11: "),
    ("cleanup of earlier installations", "step 11: ", "step 12: "),
    ("extraction, following the unpacking", "step 16: ", "step 17: "),
    ("steps after the extraction", "step 17: ", "step 37: "),
    ("the fixed pause", "step 37: ", "step 38: "),
    ("finish actions", "step 38: ", "finish actions done"),
)
TOOK = re.compile(r"^\S+ \S+  (.*) took (\d+\.\d+) s$")
BESIDE = re.compile(r"^\S+ \S+  payload resource (\d+) \w+ in (\d+\.\d+) s, beside the installation$")


def log_time(line):
    clock = line.split()[1]
    h, m, sec = clock.split(":")
    return int(h) * 3600 + int(m) * 60 + float(sec)


def breakdown(log, total):
    """Seconds of each phase of one run of ours, of the programs it waited
    for, and the times of its scans and sweeps and of the unpacking beside
    the installation, as its log gives them."""
    stamps = {}
    for line in log:
        for _, start, end in PHASES:
            for marker in (start, end):
                if marker and marker in line and marker not in stamps:
                    stamps[marker] = log_time(line)
    first = log_time(log[0])
    rows = []
    for title, start, end in PHASES:
        if start is None:
            rows.append((title, None))
        elif start in stamps and end in stamps:
            rows.append((title, stamps[end] - stamps[start]))
    waited, started = 0.0, None
    for line in log:
        if "  program started: " in line and "(result" not in line and "no working folder" not in line:
            started = log_time(line)
        elif "  program ended: " in line and started is not None:
            waited += log_time(line) - started
            started = None
    rows.append(("programs waited for, within the above", waited))
    last = log_time(log[-1])
    rows[0] = (rows[0][0], total - (last - first))
    for line in log:
        m = BESIDE.match(line)
        if m:
            rows.append((f"  resource {m.group(1)}, on its own thread", float(m.group(2))))
    for line in log:
        m = TOOK.match(line)
        if m:
            rows.append(("  " + m.group(1), float(m.group(2))))
    return rows


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
    runner = build_runner(a.root, cache, a.arch)
    print("bench: a calibration run of ours for each payload, for the programs it starts", file=sys.stderr)
    programs = {size: calibrate(a.root, runner, ours[size]) for size in ("big", "tiny")}
    nsis = {size: build_nsis(cache, a.arch, payload, size, programs[size])
            for size, payload in (("big", big), ("tiny", tiny))}
    files_only = {size: build_nsis(cache, a.arch, payload, size) for size, payload in (("big", big), ("tiny", tiny))}
    options = {"ours": "-s", "nsis": "/S", "files": "/S"}
    exes = {"ours": ours, "nsis": nsis, "files": files_only}

    samples = {k: {"first": [], "second": [], "tiny": [], "memory": []} for k in exes}
    phases = None
    for r in range(a.rounds):
        order = list(exes) if r % 2 == 0 else list(reversed(list(exes)))
        for who in order:
            exe, opt = exes[who]["big"], options[who]
            results, prefix = run_in_prefix(a.root, runner, [("first", exe, opt), ("second", exe, opt)],
                                            keep=(r == 0))
            if prefix:
                if who == "ours":
                    phases = breakdown(read_install_log(prefix), results["second"][0])
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
    waited = sum(1 for p in programs["big"] if p[3])
    print(f"payload: {files} files, {size / 1e6:.1f} MB; {a.arch} under Wine, {a.rounds} rounds, medians")
    print(f"installers: ours {os.path.getsize(ours['big']) / 1e6:.1f} MB, NSIS {os.path.getsize(nsis['big']) / 1e6:.1f} MB")
    print(f"programs started per run: {len(programs['big'])} (big), {len(programs['tiny'])} (tiny), "
          f"{waited} of them waited for; NSIS starts the same ones, \"NSIS, files only\" none")
    print("medians; \"paired\" is the median of each round's own ratio (or difference), ours against the NSIS")
    print("run next to it, which the machine's drift from round to round does not move")
    print(f"{'':34} {'ours':>9} {'NSIS':>9} {'ours/NSIS':>10} {'paired':>8}   {'goal':16} {'NSIS, files only':>17}")
    goals = {"first": "<= 0.85", "second": "<= 0.85", "tiny": "<= +0.55 s", "memory": "<= 1.25"}
    titles = {"first": "first install, big payload (s)", "second": "second run over the tree (s)",
              "tiny": "first install, tiny payload (s)", "memory": "peak memory, big (MiB)"}
    for key in ("first", "second", "tiny", "memory"):
        o, n, f = (statistics.median(samples[w][key]) for w in ("ours", "nsis", "files"))
        pairs = list(zip(samples["ours"][key], samples["nsis"][key]))
        if key == "tiny":
            paired = f"{statistics.median(a - b for a, b in pairs):+8.2f}"
            goal = goals[key] + f" ({o - n:+.2f} s)"
        else:
            paired = f"{statistics.median(a / b for a, b in pairs):8.2f}"
            goal = goals[key]
        print(f"{titles[key]:34} {o:9.2f} {n:9.2f} {o / n:10.2f} {paired}   {goal:16} {f:17.2f}")
    print()
    print("every round (ours / NSIS / NSIS, files only):")
    for key in ("first", "second", "tiny"):
        rounds = "  ".join(f"{a:.2f}/{b:.2f}/{c:.2f}" for a, b, c in
                           zip(samples["ours"][key], samples["nsis"][key], samples["files"][key]))
        print(f"  {key:8} {rounds}")
    if phases:
        print()
        print("where the second run of ours went (round 1, from its install log; seconds; indented: within the")
        print("phases above, the unpacking on its own thread beside them, and each scan and sweep):")
        for title, seconds in phases:
            print(f"  {title:38} {seconds:6.2f}")


if __name__ == "__main__":
    main()
