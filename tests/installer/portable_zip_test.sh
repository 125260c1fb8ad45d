#!/bin/bash
# The portable zip: unpacked anywhere, corvane.exe starts and the tools
# convert; without Uninstall.exe beside it the web links report d=999.
#   portable_zip_test.sh ZIP RECORD_BROWSER_EXE WORK_FOLDER VERSION
set -euo pipefail

zip=$1 browser=$2 work=$3 version=$4
. "$(dirname "$0")/wine_steps.sh"

rm -rf "$work"
mkdir -p "$work"
unzip -q "$zip" -d "$work"
folder="$work/corvane-$version"
listed=$(cd "$folder" && LC_ALL=C ls -A | LC_ALL=C sort | paste -sd' ')
case "$listed" in
  "LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt corvane-cli.exe corvane.exe" | \
  "LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt corvane-cli.exe corvane-docx.cnv corvane.exe") ;;
  *) fail "the zip holds '$listed'" ;;
esac
ok "the zip holds the program files, no setup"

use_recording_browser "$browser" "$work/browser.log"
wine "$folder/corvane.exe" /uninstall </dev/null >"$work/page.out" 2>&1 || fail "corvane.exe /uninstall failed"
expect_page 1 "http://www.belmorn.com/we/service/uninstall/?prd=crv&v=$version&d=999"
ok "corvane.exe from the zip reports d=999"

start_and_close "$folder/corvane.exe" "$work"
ok "corvane.exe from the zip starts and closes"

printf '{\\rtf1 From the portable copy\\par}' >"$work/portable.rtf"
expect_conversion "$folder/corvane-cli.exe" "$work/portable.rtf" "From the portable copy"
ok "corvane-cli.exe from the zip converts"
echo "figure: $(basename "$zip") $(stat -c %s "$zip") bytes"
