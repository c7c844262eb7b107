#!/usr/bin/env bash
# A release made with qvapack build from the stub and a payload folder of
# its own (the sample payload and more files, Chinese names among them)
# installs under Wine: every payload file lands byte for byte, and the
# footprint (files, shortcuts, registry, programs started) is the build's
# installer's, but for the files added.
#   custom_payload_test.sh QVAPACK STUB.exe SETUP.exe UIDRIVER.exe SAMPLE_PAYLOAD WORKDIR
set -euo pipefail
qvapack=$1 stub=$2 setup=$3 driver=$4 sample=$5 work=$6
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
mkdir -p "$work"

p=$work/payload
cp -r "$sample/setupdir" "$sample/windir" "$work/" && mkdir -p "$p" && mv "$work/setupdir" "$work/windir" "$p/"
mkdir -p "$p/setupdir/发布说明/附件" "$p/windir/TolvaneKelm/新"
head -c 2000000 /dev/urandom >"$p/setupdir/发布说明/附件/数据.bin"
printf '新版本\r\n' >"$p/setupdir/发布说明/说明.txt"
head -c 70000 /dev/urandom >"$p/windir/TolvaneKelm/新/驱动.dll"
custom=$work/TolvaneSetup.exe
"$qvapack" build "$p" -o "$custom" --stub "$stub"

journey() {  # setup output
  local rc=0
  TOLVANE_KEEP_PREFIX=1 "$root/scripts/wine-run" "$driver" journey "$1" -s >"$2" 2>"$2.err" || rc=$?
  [ $rc -ne 77 ] || { cat "$2"; exit 77; }
  [ $rc -eq 0 ] || { cat "$2" "$2.err"; echo "FAIL: the journey of $1 ended with $rc"; exit 1; }
  grep -q "ended, exit code 0" "$2" || { cat "$2"; echo "FAIL: $1 did not end well"; exit 1; }
}
journey "$custom" "$work/custom.txt"
prefix=$(grep -o '/[^ ]*' "$work/custom.txt.err" | tail -1)
trap 'rm -rf "$prefix"' EXIT
[ -d "$prefix/drive_c" ] || { cat "$work/custom.txt.err"; echo "FAIL: the kept prefix is not named"; exit 1; }

# Every payload file, byte for byte, in the installer's places: a 32-bit
# installer's go to the 32-bit folders of 64-bit Windows.
header=$(od -An -tu4 -j60 -N4 "$stub" | tr -d ' ')
if [ "$(od -An -tx2 -j$((header + 4)) -N2 "$stub" | tr -d ' ')" = 014c ]; then
  places=("setupdir:$prefix/drive_c/Program Files (x86)/TolvaneKelm" "windir:$prefix/drive_c/windows/syswow64")
else
  places=("setupdir:$prefix/drive_c/Program Files/TolvaneKelm" "windir:$prefix/drive_c/windows/system32")
fi
for pair in "${places[@]}"; do
  container=${pair%%:*} target=${pair#*:}
  (cd "$p/$container" && find . -type f) | while read -r f; do
    cmp "$p/$container/$f" "$target/$f" || { echo "FAIL: $container/$f is not installed as it is"; exit 1; }
  done
done

# The build's installer: the same footprint, but for the added files.
journey "$setup" "$work/build.txt"
rm -rf "$(grep -o '/[^ ]*' "$work/build.txt.err" | tail -1)"
# Compared: the temporary files, the files, shortcuts, registry, search
# path, configuration files and registry files imported. Left out: the
# added files, the installer's own copy, the install log's length, and what
# the journey samples (the window states and the programs seen running: what
# it catches varies from run to run).
normalise() {
  sed -n '/^temporary payload files/,/^programs the installer ran/p' "$1" | sed '$d' |
    grep -v -e '发布说明' -e '驱动.dll' -e 'sbak.exe' -e '^install log '
}
diff <(normalise "$work/build.txt") <(normalise "$work/custom.txt") ||
  { echo "FAIL: the footprints differ beyond the added files"; exit 1; }
# (The footprint lists the installation folder whole, the system folder by the sample's names.)
for f in '发布说明' '数据.bin'; do
  grep -q "$f" "$work/custom.txt" || { echo "FAIL: $f is not in the footprint"; exit 1; }
done
echo "the custom payload installed byte for byte, with the build's footprint"
