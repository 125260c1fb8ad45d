#!/bin/bash
# What the downloads carry, read without running them: setup.exe's payload
# (7-Zip reads NSIS archives) is the zip's files, byte for byte, plus
# Uninstall.exe and NSIS's own plug-ins; whatever converter library ships is
# not the test converter; and setup asks for an administrator.
#   payload_test.sh SETUP_EXE PORTABLE_ZIP TEST_CONVERTER_STAGED WORK_FOLDER
set -euo pipefail

setup=$1 zip=$2 test_converter=$3 work=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/setup" "$work/zip"
7z x -y -o"$work/setup" "$setup" >"$work/7z.log" || fail "7z cannot read $setup; see $work/7z.log"
unzip -q "$zip" -d "$work/zip"
zip_folder=$(find "$work/zip" -mindepth 1 -maxdepth 1)
[ "$(printf '%s\n' "$zip_folder" | wc -l)" -eq 1 ] && [ -d "$zip_folder" ] ||
  fail "the zip should hold one folder, it holds: $(ls -A "$work/zip" | paste -sd' ')"

files_in() { (cd "$1" && find . -type f ! -path './$PLUGINSDIR/*' ! -name Uninstall.exe | LC_ALL=C sort); }
setup_files=$(files_in "$work/setup")
zip_files=$(files_in "$zip_folder")
[ "$setup_files" = "$zip_files" ] ||
  fail "setup.exe ships [$(echo $setup_files)], the zip [$(echo $zip_files)]"
while IFS= read -r file; do
  cmp -s "$work/setup/$file" "$zip_folder/$file" || fail "$file differs between setup.exe and the zip"
done <<<"$setup_files"
[ -e "$work/setup/Uninstall.exe" ] || fail "setup.exe writes no Uninstall.exe"
for file in corvane.exe corvane-cli.exe LICENSE.txt THIRD-PARTY-NOTICES.txt README.txt; do
  [ -f "$zip_folder/$file" ] || fail "$file is missing from the downloads"
done
if [ -f "$zip_folder/corvane-docx.cnv" ] && cmp -s "$zip_folder/corvane-docx.cnv" "$test_converter"; then
  fail "the shipped converter library is the test converter"
fi
grep -q $'\r$' "$zip_folder/README.txt" || fail "README.txt lacks Windows line ends"
# A per-machine install: Windows must ask for an administrator before setup
# starts (the uninstaller is the same program and asks the same).
grep -aq 'requestedExecutionLevel level="requireAdministrator"' "$setup" ||
  fail "setup.exe's manifest does not ask for an administrator"
echo "ok: setup.exe and the zip ship the same $(echo "$setup_files" | wc -l) files: $(echo $setup_files)"
