#!/usr/bin/env bash
# qvapack.exe under Wine against the host's qvapack: a payload folder of
# Chinese names packs into the same containers, byte for byte, and builds
# the same installer from the same stub; a name that has no code page 936
# form is one line and exit code 2, with no output left.
#   qvapack_windows_test.sh HOST_QVAPACK QVAPACK.exe STUB.exe WORKDIR
set -euo pipefail
host=$1 exe=$2 stub=$3 work=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
mkdir -p "$work"

winpath() { echo "Z:$1" | tr / '\\'; }
# Runs qvapack.exe; a skip (77: no 32-bit programs here) ends the test as one.
wine_qvapack() {  # output-file args...
  local out=$1 rc=0; shift
  "$root/scripts/wine-run" "$exe" "$@" >"$out" 2>&1 || rc=$?
  if [ $rc -eq 77 ]; then cat "$out"; exit 77; fi
  return $rc
}

p=$work/payload
mkdir -p "$p/setupdir/Reader_Pro/乗模板" "$p/setupdir/印章" "$p/windir/TolvaneKelm"
head -c 300000 /dev/urandom >"$p/setupdir/Tolvane.exe"
printf '<template/>' >"$p/setupdir/Reader_Pro/乗模板/属性.xml"
printf '使用说明\r\n' >"$p/setupdir/使用说明.txt"
: >"$p/setupdir/印章/空.bin"
printf '[skf]\r\n' >"$p/windir/TolvaneKelm/skf.ini"

mkdir -p "$work/linux" "$work/windows"
for c in setupdir windir; do
  "$host" pack "$p/$c" "$work/linux/$c.qvai"
  wine_qvapack "$work/pack-$c.txt" pack "$(winpath "$p/$c")" "$(winpath "$work/windows/$c.qvai")" ||
    { cat "$work/pack-$c.txt"; echo "FAIL: qvapack.exe pack $c"; exit 1; }
  for ext in qvai qvas; do
    cmp "$work/linux/$c.$ext" "$work/windows/$c.$ext" ||
      { echo "FAIL: $c.$ext differs between the Linux and the Windows qvapack"; exit 1; }
  done
done

"$host" build "$p" -o "$work/linux/TolvaneSetup.exe" --stub "$stub"
wine_qvapack "$work/build.txt" build "$(winpath "$p")" -o "$(winpath "$work/windows/TolvaneSetup.exe")" \
  --stub "$(winpath "$stub")" || { cat "$work/build.txt"; echo "FAIL: qvapack.exe build"; exit 1; }
cmp "$work/linux/TolvaneSetup.exe" "$work/windows/TolvaneSetup.exe" ||
  { echo "FAIL: the installers of the Linux and the Windows qvapack differ"; exit 1; }

# Without --stub: the stub beside qvapack.exe (as a release engineer has the two).
if [ "$(dirname "$exe")" = "$(dirname "$stub")" ]; then
  wine_qvapack "$work/default.txt" build "$(winpath "$p")" -o "$(winpath "$work/windows/default.exe")" ||
    { cat "$work/default.txt"; echo "FAIL: qvapack.exe build without --stub"; exit 1; }
  cmp "$work/linux/TolvaneSetup.exe" "$work/windows/default.exe" ||
    { echo "FAIL: without --stub qvapack.exe did not take the stub beside it"; exit 1; }
fi

# 한 (Korean) has no form in code page 936.
cp -r "$p" "$work/bad"
: >"$work/bad/windir/한.dll"
rc=0
wine_qvapack "$work/bad.txt" build "$(winpath "$work/bad")" -o "$(winpath "$work/bad.exe")" \
  --stub "$(winpath "$stub")" || rc=$?
expected="qvapack: $(winpath "$work/bad")/windir/한.dll: name cannot be written in code page 936"
[ $rc -eq 2 ] || { cat "$work/bad.txt"; echo "FAIL: exit code $rc for a name without a 936 form"; exit 1; }
[ "$(tr -d '\r' <"$work/bad.txt")" = "$expected" ] ||
  { cat "$work/bad.txt"; echo "FAIL: expected the one line: $expected"; exit 1; }
[ ! -e "$work/bad.exe" ] && [ ! -e "$work/bad.exe.partial" ] || { echo "FAIL: output left behind"; exit 1; }
echo "qvapack.exe packs and builds as the Linux qvapack does"
