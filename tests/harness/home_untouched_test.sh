#!/usr/bin/env bash
# A test run stays inside its Wine prefix: the template links no user folder
# out of the prefix, and a silent installation (which writes configuration
# files into Documents and shortcuts, and whose cleanup deletes the log
# folder and the news history in Documents) creates, changes and deletes
# nothing in the home folder.
#   home_untouched_test.sh SETUP.exe UIDRIVER.exe WORKDIR
set -euo pipefail
setup=$1 driver=$2 work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
home=${HOME:-/root}
rm -rf "$work"
mkdir -p "$work"

# What an installation could reach through a linked folder: the home
# folder's own entries (Documents and Desktop link there, or below it) and
# where Wine's menu builder writes. Hidden folders of other tools change
# while the test runs and are left out.
snapshot() {
  {
    find "$home" -mindepth 1 -maxdepth 1 ! -name '.*' -print0 |
      xargs -0r -I{} find {} -printf '%p %y %s %T@\n'
    for hidden in .local/share/applications .local/share/icons .local/share/desktop-directories .config/menus; do
      [ ! -e "$home/$hidden" ] || find "$home/$hidden" -printf '%p %y %s %T@\n'
    done
  } | sort
}

snapshot >"$work/before.txt"
set +e
TOLVANE_KEEP_PREFIX=1 "$root/scripts/wine-run" "$driver" journey "$setup" -s >"$work/run.txt" 2>&1
rc=$?
set -e
[ $rc -ne 77 ] || { cat "$work/run.txt"; exit 77; }
snapshot >"$work/after.txt"
prefix=$(sed -n 's/^wine-run: prefix kept at //p' "$work/run.txt" | tail -n 1)

status=0
if ! diff -u "$work/before.txt" "$work/after.txt" >"$work/home.diff"; then
  echo "FAIL: the runs changed the home folder $home:"
  cat "$work/home.diff"
  status=1
fi
if [ -n "$prefix" ] && [ -d "$prefix" ]; then
  links=$(find "$prefix/drive_c/users" -maxdepth 2 -type l)
  if [ -n "$links" ]; then
    echo "FAIL: user folders of the prefix are links:"
    printf '%s\n' "$links"
    status=1
  fi
  docs=$(find "$prefix/drive_c/users" -maxdepth 3 -name 'StampServerPDF*.cfg' | head -n 1)
  if [ -z "$docs" ]; then
    echo "FAIL: the installation wrote no configuration file into the prefix's Documents (exit code $rc)"
    cat "$work/run.txt"
    status=1
  fi
  rm -rf "$(dirname "$prefix")"
else
  echo "FAIL: no prefix kept (exit code $rc)"
  cat "$work/run.txt"
  status=1
fi
[ $status -ne 0 ] || echo "the home folder is untouched"
exit $status
