#!/usr/bin/env bash
# The installer, silently, in a fresh Wine prefix of its own: files, the start entry, an
# operator's custor.ini kept, and the uninstaller removing the programs but keeping the
# configuration and the logs.
# Usage: installer_test.sh <Custor-setup.exe> <work directory>
set -u
setup="$1"
work="$2"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"
WINEDLLOVERRIDES="mscoree,mshtml=" $wine wineboot -i >/dev/null 2>&1 </dev/null
wineserver -p 2>/dev/null
trap 'wineserver -k 2>/dev/null' EXIT
drive="$WINEPREFIX/drive_c"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Custor'

# Polls a condition for up to 60 s.
wait_for() {
  local i
  for i in $(seq 600); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

# The installer's last step is the uninstaller entry naming the folder. Under load that entry
# was once not yet readable right after the launcher came back, so the end of an installation
# is awaited by its effect, as the uninstaller's is.
installed_into() {
  wait_for "\$wine reg query \"\$uninstall_key\" /v NoRepair >/dev/null 2>&1 &&
            \$wine reg query \"\$uninstall_key\" /v InstallLocation 2>/dev/null | grep -qi '$1'"
}

# 1. A fresh folder: programs, example configuration, uninstaller, start entry.
$wine "$setup" /S '/D=C:\Watch' </dev/null >/dev/null 2>&1
installed_into 'C:\\Watch' || fail "the installation into C:\Watch did not end"
for f in Custor.exe shutter.exe custor.ini uninstall.exe; do
  [ -f "$drive/Watch/$f" ] || fail "$f not installed"
done
cmp -s "$drive/Watch/Custor.exe" "$(dirname "$setup")/bin/Custor.exe" || fail "Custor.exe differs from the build"
$wine reg query "$run_key" /v Custor 2>/dev/null | grep -qi 'C:\\Watch\\Custor.exe' || fail "no start entry"
entry=$($wine reg query "$uninstall_key" /v UninstallString 2>&1)
echo "$entry" | grep -qi 'uninstall.exe' || fail "no uninstaller entry: $entry"
# The example configuration passes the check.
out=$($wine 'C:\Watch\Custor.exe' /check </dev/null 2>/dev/null)
status=$?
[ $status -eq 0 ] || fail "/check of the example configuration: status $status: $out"
echo "$out" | grep -q '0 errors, 0 warnings' || fail "/check report: $out"

# 2. A folder with the operator's configuration: it stays as it was.
mkdir -p "$drive/Kept"
printf '[Timing]\r\nNotRunningError=7\r\n' > "$drive/Kept/custor.ini"
cp "$drive/Kept/custor.ini" "$work/operator.ini"
$wine "$setup" /S '/D=C:\Kept' </dev/null >/dev/null 2>&1
installed_into 'C:\\Kept' || fail "the installation into C:\Kept did not end"
[ -f "$drive/Kept/Custor.exe" ] || fail "Custor.exe not installed beside the operator's configuration"
cmp -s "$drive/Kept/custor.ini" "$work/operator.ini" || fail "the operator's custor.ini was changed"

# 3. Uninstall: programs and start entry go, configuration and logs stay. The uninstaller
# runs from a copy of itself, so its end is awaited by its effects.
printf 'log\r\n' > "$drive/Watch/custor.txt"
mkdir -p "$drive/Watch/LOGS.DIR" && printf 'old\r\n' > "$drive/Watch/LOGS.DIR/old.txt"
$wine 'C:\Watch\uninstall.exe' /S </dev/null >/dev/null 2>&1
wait_for '[ ! -f "$drive/Watch/Custor.exe" ] && [ ! -f "$drive/Watch/uninstall.exe" ]' || fail "programs not removed"
[ -f "$drive/Watch/shutter.exe" ] && fail "shutter.exe not removed"
wait_for '! $wine reg query "$run_key" /v Custor >/dev/null 2>&1' || fail "start entry not removed"
$wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "uninstaller entry not removed"
[ -f "$drive/Watch/custor.ini" ] || fail "configuration removed"
[ -f "$drive/Watch/custor.txt" ] || fail "event log removed"
[ -f "$drive/Watch/LOGS.DIR/old.txt" ] || fail "log directory removed"

[ $failures -eq 0 ] && echo "installer test passed"
exit $failures
