#!/bin/sh
# install_test.sh <build folder> <work folder>
# Builds the installer with CPack, then in a fresh Wine prefix: a converter folder
# registered under App Paths, a .pdf association and some user settings; a silent
# install without /D (it must pick the converter's folder); the files, Start-menu entry,
# uninstall entry and verb keys; the installed program registering its verb again; a
# silent uninstall that leaves the converter, the settings and no file or key of ours.
set -u
build=$1
work=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
installer=$(ls "$work"/package/*.exe 2>/dev/null | head -n 1)
[ -n "$installer" ] || { echo "FAIL: no installer built"; exit 1; }

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1
wineserver -p 2>/dev/null

folder='C:\Korvello Test'
unixfolder="$WINEPREFIX/drive_c/Korvello Test"
mkdir -p "$unixfolder"
printf 'converter' >"$unixfolder/korvello.exe"
reg() { wine reg "$@" >/dev/null 2>&1; }
reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\korvello.exe' /ve /d "$folder\\korvello.exe" /f
reg add 'HKCR\.pdf' /ve /d KorvelloTest.Document /f
reg add 'HKCU\Software\Veltrana\Korvello\GUI' /v LogEnabled /t REG_DWORD /d 0 /f

command_of() { # <document type>: the verb's command, empty when missing
    wine reg query "HKCR\\$1\\shell\\korvello\\command" /ve 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *(Default) *REG_SZ *//p'
}
expected_command="\"$folder\\korvello-gui.exe\" \"%l\""

wine "$installer" /S
wineserver -w

for f in korvello-gui.exe langmap.txt uninstall-korvello-gui.exe; do
    [ -f "$unixfolder/$f" ] || fail "$f not installed into the converter's folder"
done
shortcut=$(find "$WINEPREFIX/drive_c/users" -name 'Korvello Converter.lnk' 2>/dev/null)
[ -n "$shortcut" ] || fail "no Start-menu entry"
reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvelloConverterGUI' /v UninstallString ||
    fail "no uninstall entry"
for type in KorvelloTest.Document AcroExch.Document.7; do
    [ "$(command_of $type)" = "$expected_command" ] || fail "verb of $type after install: '$(command_of $type)'"
done

# The installed program starts and writes the verb again.
reg delete 'HKCR\KorvelloTest.Document\shell\korvello' /f
wine "$unixfolder/korvello-gui.exe" /Install
code=$?
[ $code -eq 0 ] || fail "korvello-gui.exe /Install ended with $code"
[ "$(command_of KorvelloTest.Document)" = "$expected_command" ] || fail "the installed program wrote no verb"

wine "$unixfolder/uninstall-korvello-gui.exe" /S
wineserver -w # the uninstaller runs on from a temporary copy

for f in korvello-gui.exe langmap.txt uninstall-korvello-gui.exe; do
    [ ! -e "$unixfolder/$f" ] || fail "$f left behind"
done
[ -f "$unixfolder/korvello.exe" ] || fail "the converter was removed"
left=$(find "$WINEPREFIX/drive_c" -name 'korvello-gui.exe' -o -name 'Korvello Converter.lnk' -o -name 'uninstall-korvello-gui.exe' 2>/dev/null)
[ -z "$left" ] || fail "files of ours left: $left"
for type in KorvelloTest.Document AcroExch.Document.7; do
    reg query "HKCR\\$type\\shell\\korvello" && fail "verb key of $type left"
done
reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvelloConverterGUI' && fail "uninstall entry left"
reg query 'HKCU\Software\Veltrana\Korvello\GUI' /v LogEnabled || fail "the user's settings were removed"

wineserver -k 2>/dev/null
[ $failures -eq 0 ] && echo "installer: all checks passed"
exit $failures
