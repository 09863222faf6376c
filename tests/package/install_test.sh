#!/bin/sh
# install_test.sh <build folder> <work folder> <shipped langmap.txt>
# Builds the installer with CPack, then in a fresh Wine prefix with a converter folder
# registered under App Paths, a .pdf association and some user settings, silently:
# - an install without /D (it must pick the converter's folder), with its files, Start-menu
#   entry, uninstall entry, verb keys and the recorded hash of the shipped rule file;
# - an upgrade over an edited langmap.txt: kept, the shipped file beside it;
# - while the program shows its sheet, an upgrade and an uninstall: exit code 32, nothing changed;
# - the uninstall through QuietUninstallString: it waits, removes everything of ours,
#   keeps the edited rule file, the converter and the settings;
# - installs into "Old Place" then "New Place": the install moves, and the uninstaller of a
#   copy left in a third folder leaves the registration, shortcut and verb of "New Place";
#   its own uninstaller with /RemoveSettings removes it all, the settings too.
set -u
build=$1
work=$2
shipped_rules=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
installer=$(ls "$work"/package/*.exe 2>/dev/null | head -n 1)
[ -n "$installer" ] || { echo "FAIL: no installer built"; exit 1; }

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1
wineserver -p 2>/dev/null
drive="$WINEPREFIX/drive_c"
cp "$installer" "$drive/setup.exe"

folder='C:\Korvello Test'
unixfolder="$drive/Korvello Test"
mkdir -p "$unixfolder"
printf 'converter' >"$unixfolder/korvello.exe"
reg() { wine reg "$@" >/dev/null 2>&1; }
reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\korvello.exe' /ve /d "$folder\\korvello.exe" /f
reg add 'HKCR\.pdf' /ve /d KorvelloTest.Document /f
reg add 'HKCU\Software\Veltrana\Korvello\GUI' /v LogEnabled /t REG_DWORD /d 0 /f

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvelloConverterGUI'
value_of() { # <key> <value name>: its data, empty when missing
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
command_of() { # <document type>: the verb's command, empty when missing
    wine reg query "HKCR\\$1\\shell\\korvello\\command" /ve 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *(Default) *REG_SZ *//p'
}
as_windows_reads_it() { # <command line>: run exactly so (/D= and _?= take unquoted paths)
    printf '@%s\r\n' "$1" >"$drive/command.bat"
    wine cmd /c 'C:\command.bat'
}
shortcut() { find "$drive/users" -name 'Korvello Converter.lnk' 2>/dev/null; }
state() { # what an install or uninstall changes: files, Start-menu entry, registration, verbs
    find "$unixfolder" "$(shortcut)" -printf '%p %s %T@\n' 2>/dev/null | sort
    wine reg query "$uninstall_key" 2>/dev/null
    command_of KorvelloTest.Document
}
expected_command="\"$folder\\korvello-gui.exe\" \"%l\""
edited_rule='# A rule of my own'

# A fresh install.
wine "$drive/setup.exe" /S || fail "the install ended with $?"
for f in korvello-gui.exe langmap.txt uninstall-korvello-gui.exe; do
    [ -f "$unixfolder/$f" ] || fail "$f not installed into the converter's folder"
done
[ -n "$(shortcut)" ] || fail "no Start-menu entry"
cmp -s "$unixfolder/langmap.txt" "$shipped_rules" || fail "langmap.txt is not the shipped one"
hash=$(sha256sum "$shipped_rules" | cut -d' ' -f1)
[ "$(value_of "$uninstall_key" RuleFileSha256)" = "$hash" ] || fail "recorded rule hash is not $hash"
for type in KorvelloTest.Document AcroExch.Document.7; do
    [ "$(command_of $type)" = "$expected_command" ] || fail "verb of $type after install: '$(command_of $type)'"
done

# The installed program starts and writes the verb again.
reg delete 'HKCR\KorvelloTest.Document\shell\korvello' /f
wine "$unixfolder/korvello-gui.exe" /Install || fail "korvello-gui.exe /Install ended with $?"
[ "$(command_of KorvelloTest.Document)" = "$expected_command" ] || fail "the installed program wrote no verb"

# An upgrade over an edited rule file keeps it and puts the shipped one beside it.
echo "$edited_rule" >>"$unixfolder/langmap.txt"
cp "$unixfolder/langmap.txt" "$work/edited.txt"
wine "$drive/setup.exe" /S || fail "the upgrade ended with $?"
cmp -s "$unixfolder/langmap.txt" "$work/edited.txt" || fail "the upgrade replaced the edited langmap.txt"
cmp -s "$unixfolder/langmap.txt.new" "$shipped_rules" || fail "no shipped langmap.txt.new beside the edited file"

# While the program shows its sheet, an upgrade and an uninstall change nothing.
wine "$unixfolder/korvello-gui.exe" >/dev/null 2>&1 &
program=$!
i=0
until xwininfo -name 'Korvello Converter' >/dev/null 2>&1 || [ $i -ge 600 ]; do sleep 0.1; i=$((i + 1)); done
before=$(state)
wine "$drive/setup.exe" /S
code=$?
[ $code -eq 32 ] || fail "the upgrade beside the running program ended with $code, not 32"
as_windows_reads_it "\"$folder\\uninstall-korvello-gui.exe\" /S /RemoveSettings _?=$folder"
code=$?
[ $code -eq 32 ] || fail "the uninstall beside the running program ended with $code, not 32"
[ "$(state)" = "$before" ] || fail "the program was running, yet files or keys changed"
kill $program
wait $program 2>/dev/null

# The registered silent uninstall waits until it has removed everything of ours.
as_windows_reads_it "$(value_of "$uninstall_key" QuietUninstallString)" || fail "the uninstall ended with $?"
for f in korvello-gui.exe langmap.txt.new; do
    [ ! -e "$unixfolder/$f" ] || fail "$f left behind"
done
wineserver -w # the uninstaller's own file goes once it has ended
[ ! -e "$unixfolder/uninstall-korvello-gui.exe" ] || fail "the uninstaller left itself"
cmp -s "$unixfolder/langmap.txt" "$work/edited.txt" || fail "the uninstall removed the edited langmap.txt"
[ -f "$unixfolder/korvello.exe" ] || fail "the converter was removed"
[ -z "$(shortcut)" ] || fail "Start-menu entry left"
for type in KorvelloTest.Document AcroExch.Document.7; do
    reg query "HKCR\\$type\\shell\\korvello" && fail "verb key of $type left"
done
reg query "$uninstall_key" && fail "uninstall entry left"
reg query 'HKCU\Software\Veltrana\Korvello\GUI' /v LogEnabled || fail "the user's settings were removed"

# Two folders: the second install moves the first; a stray copy's uninstaller takes
# nothing of the registered one.
as_windows_reads_it 'C:\setup.exe /S /D=C:\Old Place' || fail "the install into Old Place ended with $?"
cp -r "$drive/Old Place" "$drive/Stray Place"
as_windows_reads_it 'C:\setup.exe /S /D=C:\New Place' || fail "the install into New Place ended with $?"
[ ! -e "$drive/Old Place" ] || fail "the install into New Place left Old Place: $(ls "$drive/Old Place")"
as_windows_reads_it '"C:\Stray Place\uninstall-korvello-gui.exe" /S _?=C:\Stray Place' || fail "the stray uninstall ended with $?"
[ "$(value_of "$uninstall_key" InstallLocation)" = 'C:\New Place' ] || fail "New Place lost its registration"
grep -aq 'New Place' "$(shortcut)" 2>/dev/null || fail "New Place lost its Start-menu entry"
[ "$(command_of KorvelloTest.Document)" = '"C:\New Place\korvello-gui.exe" "%l"' ] || fail "New Place lost its verb"
as_windows_reads_it '"C:\New Place\uninstall-korvello-gui.exe" /S /RemoveSettings _?=C:\New Place' ||
    fail "the uninstall of New Place ended with $?"
wineserver -w
[ ! -e "$drive/New Place" ] || fail "the uninstall left New Place: $(ls "$drive/New Place")"
reg query "$uninstall_key" && fail "uninstall entry of New Place left"
reg query 'HKCU\Software\Veltrana\Korvello\GUI' && fail "/RemoveSettings kept the settings"

wineserver -k 2>/dev/null
[ $failures -eq 0 ] && echo "installer: all checks passed"
exit $failures
