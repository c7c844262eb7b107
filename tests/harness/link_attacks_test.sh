#!/usr/bin/env bash
# The elevated installer is not turned against the machine through links
# that another program of the user plants in the folders it may write: in
# place of the reader profile, of the log folder in Documents, of the
# reader's folder in ProgramData, of the install log in TEMP and of a
# configuration file in Documents. Each is a link to a canary folder (under
# Wine a Unix symbolic link to a folder shows as a directory reparse point,
# as a junction does on Windows); after a silent installation every canary
# keeps every byte.
#   link_attacks_test.sh SETUP.exe UIDRIVER.exe WORKDIR
set -euo pipefail
setup=$1 driver=$2 work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
mkdir -p "$work"

cat >"$work/prepare" <<'PREPARE'
#!/usr/bin/env bash
set -eu
c=$1/drive_c
user=$(find "$c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
mkdir -p "$c/canary/profile/sub" "$c/canary/logs" "$c/canary/programdata"
mkdir -p "$c/canary/log" "$c/canary/cfg"
for f in profile/a.txt profile/sub/b.txt logs/keep.log logs/other.txt programdata/lic log/a.txt cfg/a.txt; do
  printf 'canary %s' "$f" >"$c/canary/$f"
done
mkdir -p "$user/AppData/Local" "$user/Documents" "$user/Temp" "$c/ProgramData"
ln -s "$c/canary/profile" "$user/AppData/Local/SuwellReader"
ln -s "$c/canary/logs" "$user/Documents/TolvaneKelmLog"
ln -s "$c/canary/programdata" "$c/ProgramData/suwellreader"
ln -s "$c/canary/log" "$user/Temp/TolvaneSetup.log"
ln -s "$c/canary/cfg" "$user/Documents/StampServerPDFIP.cfg"
PREPARE
chmod +x "$work/prepare"

set +e
TOLVANE_KEEP_PREFIX=1 TOLVANE_WINE_PREPARE="$work/prepare" \
  "$root/scripts/wine-run" "$driver" journey "$setup" -s >"$work/run.txt" 2>&1
rc=$?
set -e
[ $rc -ne 77 ] || { cat "$work/run.txt"; exit 77; }
prefix=$(sed -n 's/^wine-run: prefix kept at //p' "$work/run.txt" | tail -n 1)
if [ -z "$prefix" ] || [ ! -d "$prefix" ]; then
  cat "$work/run.txt"; echo "FAIL: no prefix kept (exit code $rc)"; exit 1
fi
c=$prefix/drive_c
user=$(find "$c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
status=0
fail() { echo "FAIL: $*"; status=1; }

grep -q "ended, exit code 0" "$work/run.txt" || fail "the installation did not end well"
for f in profile/a.txt profile/sub/b.txt logs/keep.log logs/other.txt programdata/lic log/a.txt cfg/a.txt; do
  [ "$(cat "$c/canary/$f" 2>/dev/null)" = "canary $f" ] || fail "the canary $f was deleted or changed through a link"
done
for d in log cfg; do
  [ "$(ls "$c/canary/$d")" = "a.txt" ] || fail "something was written into the canary $d through a link"
done
# The other configuration files, planted nowhere, are files of their own.
cfg=$user/Documents/StampServerPDFPort.cfg
{ [ -f "$cfg" ] && [ ! -L "$cfg" ]; } || fail "the configuration files were not copied"
rm -rf "$(dirname "$prefix")"
[ $status -ne 0 ] || { cat "$work/run.txt" | tail -n 3; echo "every canary kept"; }
[ $status -eq 0 ] || cat "$work/run.txt"
exit $status
