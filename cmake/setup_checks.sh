#!/usr/bin/env bash
# Checks the Windows setup program under Wine, in a fresh prefix of its own:
#   setup_checks.sh SETUP_EXE VERSION
# A silent install (/S /DAILY /D=...) into a folder with blanks in its name that
# already holds a user's data puts the program, its help, the uninstaller, the
# Start-menu shortcut and the uninstall entry in place, and the installed program
# runs; the daily task's definition is well-formed XML that starts the program with
# -auto in that folder. A silent uninstall takes all of that away again, the task
# included, and leaves the user's data alone.
set -euo pipefail
setup=$1
version=$2
if [ -z "${DISPLAY:-}" ]; then
  # Wine's services (the Task Scheduler's among them) want a display.
  exec xvfb-run -a "$0" "$@"
fi
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "setup_checks: $*" >&2; exit 1; }
quiet() { "$@" >/dev/null 2>&1; }

# The prefix is made in full first (wineboot goes on after it returns); then one
# wineserver for the rest, so that the Task Scheduler's service, once started, is
# there when the setup program asks for it.
quiet wineboot -i
wineserver -w
wineserver -p
quiet wine net start schedule || true
drive=$WINEPREFIX/drive_c
folder='C:\KESTRL Test'
unix_folder="$drive/KESTRL Test"
mkdir -p "$unix_folder/UPDATE" "$unix_folder/BACKUP" "$unix_folder/SAVE"
data=(UPDATE/kestrl_cty.zip BACKUP/kestrl.cty SAVE/kestrl.cty kstlupd.ini kstlupd.log kstlupd.old.log)
for file in "${data[@]}"; do echo "the user's $file" > "$unix_folder/$file"; done
cp "$setup" "$drive/setup.exe"

# /D= takes the rest of the command line, blanks included, so cmd passes it as typed.
quiet wine cmd /c "start /wait C:\\setup.exe /S /DAILY /D=$folder" || fail "the silent install failed"
installed=(kstlupd.exe kstlupd.html kstlupd-uninstall.exe kstlupd-task.xml)
for file in "${installed[@]}"; do [ -f "$unix_folder/$file" ] || fail "no $file in $folder"; done
shortcut=$(find "$drive/users" -path '*Start Menu/Programs/KESTRL Data Updater.lnk')
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\kstlupd'
entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
for value in "DisplayName    REG_SZ    KESTRL Data Updater" "DisplayVersion    REG_SZ    $version" \
  "QuietUninstallString    REG_SZ    \"$folder\\kstlupd-uninstall.exe\" /S"; do
  grep -qF "$value" <<<"$entry" || fail "the uninstall entry lacks '$value': $entry"
done
# Should Wine's Task Scheduler service not have started (a busy machine), only the
# definition below is checked. (Wine keeps neither the
# trigger nor the action of a registered task, so the definition is what tells.)
task="$drive/windows/system32/tasks/KESTRL Data Updater"
if [ -f "$task" ]; then
  grep -qF "DailyTask    REG_DWORD    0x1" <<<"$entry" || fail "the registered task is not in the uninstall entry"
else
  echo "setup_checks: Wine's Task Scheduler did not start: the task's registration is not checked" >&2
fi
said=$(cd "$unix_folder" && wine "$folder\\kstlupd.exe" --version 2>/dev/null | tr -d '\r')
[ "$said" = "kstlupd $version" ] || fail "the installed program said '$said'"

python3 - "$unix_folder/kstlupd-task.xml" "$folder" <<'PY' || fail "the task definition is wrong"
import sys, xml.etree.ElementTree as ET
ns = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
task = ET.parse(sys.argv[1]).getroot()
folder = sys.argv[2]
exec_ = task.find("t:Actions/t:Exec", ns)
got = [exec_.findtext("t:" + tag, None, ns) for tag in ("Command", "Arguments", "WorkingDirectory")]
want = [folder + "\\kstlupd.exe", "-auto", folder]
assert got == want, got
assert task.find("t:Triggers/t:CalendarTrigger/t:ScheduleByDay/t:DaysInterval", ns).text == "1"
PY

# The uninstaller goes on from a copy of itself in the temporary folder; its entry
# is the last thing it removes.
quiet wine "$folder\\kstlupd-uninstall.exe" /S || fail "the silent uninstall failed"
for _ in $(seq 60); do quiet wine reg query "$key" || break; sleep 1; done
for file in "${installed[@]}"; do [ ! -e "$unix_folder/$file" ] || fail "the uninstaller left $file"; done
[ ! -e "$shortcut" ] || fail "the uninstaller left the shortcut"
[ ! -e "$task" ] || fail "the uninstaller left the daily task"
if quiet wine reg query "$key"; then fail "the uninstaller left its entry"; fi
for file in "${data[@]}"; do
  [ "$(cat "$unix_folder/$file")" = "the user's $file" ] || fail "the uninstaller touched the user's $file"
done
