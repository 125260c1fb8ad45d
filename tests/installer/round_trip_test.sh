#!/bin/bash
# The setup program's round trip in the test prefix: a silent install into a
# fresh folder, what it wrote read back, the install date the web links
# report, a .docx conversion by the installed program with nothing
# registered, a refused install while Corvane runs, an upgrade in place, and
# a silent uninstall that leaves nothing of ours, leaves another product's
# converter class alone and opens the maker's uninstall page. Setup
# registers no converter class: the program reads its formats itself.
#   round_trip_test.sh SETUP_EXE RECORD_BROWSER_EXE WORK_FOLDER FOREIGN_CLASS
#                      CONVERTER VERSION FOLDER
# FOREIGN_CLASS: Word12 or MEWord12, registered by "another product" first;
#   the other class is free for ours.
# CONVERTER: real (the .docx converter), fixture (the test converter under
#   its name) or none (this build has no converter).
# FOLDER: "default" for setup's own choice, or a Windows folder for /D=.
#   With /D=, the upgrade asks for another folder (and must not get it),
#   and a document of the user's in the program folder must survive.
set -euo pipefail

setup=$1 browser=$2 work=$3 foreign_class=$4 converter=$5 version=$6 folder=$7
. "$(dirname "$0")/wine_steps.sh"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'
uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
converters='HKLM\SOFTWARE\Microsoft\Shared Tools\Text Converters\Import'
foreign_key="$converters\\$foreign_class"
if [ "$foreign_class" = Word12 ]; then
  our_class=MEWord12 our_ext=docm our_name="Word 2007+ macro-enabled document"
else
  our_class=Word12 our_ext=docx our_name="Word 2007+ document"
fi
our_key="$converters\\$our_class"
uninstall_page="http://www.belmorn.com/we/service/uninstall/?prd=crv&v=$version&d=0"

rm -rf "$work"
mkdir -p "$work"
docx_result="$work/docx-conversion.result"

if [ "$folder" = default ]; then
  install_dir='C:\Program Files\Corvane'
  folder_option=()
else
  install_dir=$folder
  folder_option=("/D=$install_dir")
fi
install_unix=$(c_drive_path "$install_dir")

# A clean start, whatever an interrupted run left: no installation, none of
# our classes, the foreign class as the other product wrote it.
reg_delete_key "$uninstall_key"
reg_delete_key "$converters\\Word12"
reg_delete_key "$converters\\MEWord12"
rm -rf "$install_unix"
find "$WINEPREFIX/drive_c" -name Corvane.lnk -delete
foreign_path='C:\Program Files\Other Office\ooxml.cnv'
wine reg add "$foreign_key" /v Name /t REG_SZ /d "Other Office converter" /f /reg:32 </dev/null >/dev/null 2>&1 &&
  wine reg add "$foreign_key" /v Path /t REG_SZ /d "$foreign_path" /f /reg:32 </dev/null >/dev/null 2>&1 &&
  wine reg add "$foreign_key" /v Extensions /t REG_SZ /d "docx docm" /f /reg:32 </dev/null >/dev/null 2>&1 ||
  fail "cannot register the foreign converter"

use_recording_browser "$browser" "$work/browser.log"
cleanup() {
  restore_handler
  reg_delete_key "$foreign_key"
}
trap cleanup EXIT

expect_foreign_untouched() {
  expect_value "$foreign_key" Name "Other Office converter"
  expect_value "$foreign_key" Path "$foreign_path"
  expect_value "$foreign_key" Extensions "docx docm"
  if reg_value "$uninstall_key" "CorvaneRegisteredConverter_$foreign_class" >/dev/null; then
    fail "setup counts the foreign $foreign_class as its own"
  fi
}

expected_files=(LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt Uninstall.exe corvane-cli.exe corvane.exe)
[ "$converter" = none ] || expected_files+=(corvane-docx.cnv)
expect_installation() {  # what this step is, for the messages
  local listed wanted
  [ -d "$install_unix" ] || fail "$1: no program folder $install_unix"
  listed=$(cd "$install_unix" && LC_ALL=C ls -A | LC_ALL=C sort | paste -sd' ')
  wanted=$(printf '%s\n' "${expected_files[@]}" | LC_ALL=C sort | paste -sd' ')
  [ "$listed" = "$wanted" ] || fail "$1: the program folder holds '$listed', expected '$wanted'"

  local shortcuts
  shortcuts=$(cd "$WINEPREFIX/drive_c" && find . -name Corvane.lnk | paste -sd'|')
  # All users' Start menu (under ProgramData), not a user's own.
  case "$shortcuts" in
    ./users/*) fail "$1: a shortcut in a user's own folders: $shortcuts" ;;
    *"|"*) fail "$1: shortcuts '$shortcuts', expected the Start menu's Corvane.lnk only" ;;
    "./"*"/Start Menu/Programs/Corvane.lnk") ;;
    *) fail "$1: shortcuts '$shortcuts', expected the Start menu's Corvane.lnk only" ;;
  esac

  expect_value "$uninstall_key" DisplayName Corvane
  expect_value "$uninstall_key" DisplayVersion "$version"
  expect_value "$uninstall_key" Publisher Belmorn
  expect_value "$uninstall_key" DisplayIcon "$install_dir\\corvane.exe,0"
  expect_value "$uninstall_key" InstallLocation "$install_dir"
  expect_value "$uninstall_key" UninstallString "\"$install_dir\\Uninstall.exe\""
  expect_value "$uninstall_key" QuietUninstallString "\"$install_dir\\Uninstall.exe\" /S"
  expect_value "$uninstall_key" NoModify 0x1
  expect_value "$uninstall_key" NoRepair 0x1
  local size
  size=$(reg_value "$uninstall_key" EstimatedSize) || fail "$1: no EstimatedSize"
  [ $((size)) -gt 100 ] || fail "$1: EstimatedSize $size KB is too small for what was installed"

  expect_foreign_untouched
  ! reg_key_exists "$our_key" || fail "$1: setup registered $our_class"
  if reg_value "$uninstall_key" "CorvaneRegisteredConverter_$our_class" >/dev/null; then
    fail "$1: setup counts $our_class as registered by it"
  fi
}

# 1. Silent install into a fresh folder.
touch "$work/before-install"
started=$(now)
rc=0
wine "$setup" /S "${folder_option[@]}" </dev/null >"$work/install.out" 2>&1 || rc=$?
install_seconds=$(seconds_since "$started")
[ "$rc" -eq 0 ] || fail "silent install: exit code $rc"
expect_installation "first install"
ok "silent install into $install_dir in $install_seconds s: files, Start-menu shortcut, entry, no converter class"

# 2. The install date: Uninstall.exe was written just now.
wine "$install_dir\\corvane.exe" /uninstall </dev/null >"$work/page.out" 2>&1 ||
  fail "corvane.exe /uninstall failed"
expect_page 1 "$uninstall_page"
ok "the installed corvane.exe reports d=0"

# 3. A .docx conversion by the installed program, with no converter
# registered for it: the smallest package, its content types, its
# relations and one paragraph.
mkdir -p "$work/docx/_rels" "$work/docx/word"
cat >"$work/docx/[Content_Types].xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>
EOF
cat >"$work/docx/_rels/.rels" <<'EOF'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>
EOF
cat >"$work/docx/word/document.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>Converted by the installed program</w:t></w:r></w:p></w:body></w:document>
EOF
(cd "$work/docx" && zip -q -X -nw -r ../installed.docx '[Content_Types].xml' _rels word)
if (expect_conversion "$install_dir\\corvane-cli.exe" "$work/installed.docx" \
      "Converted by the installed program") 2>"$work/docx.err"; then
  echo "pass: corvane-cli.exe converted a .docx with nothing registered" >"$docx_result"
else
  echo "fail: $(cat "$work/docx.err")" >"$docx_result"
fi
cat "$docx_result"

# 4. Setup refuses while Corvane runs, and changes nothing.
folder_state() { (cd "$install_unix" && find . -type f -printf '%p %s %T@\n' | LC_ALL=C sort); }
before=$(folder_state)
WINEDEBUG=+pid,+win wine "$install_dir\\corvane.exe" </dev/null >"$work/running.out" 2>"$work/running.trace" &
running_pid=$!
window_up() {
  local ours
  ours=$(head -n 1 "$work/running.trace" | cut -d: -f1)
  [ -n "$ours" ] && grep -q "^$ours:[0-9a-f]*:trace:win:WIN_CreateWindowEx .*L\"CorvaneMainForm\"" "$work/running.trace"
}
wait_for 60 window_up || { kill "$running_pid" 2>/dev/null || true; fail "corvane.exe showed no window"; }
rc=0
wine "$setup" /S </dev/null >"$work/busy-install.out" 2>&1 || rc=$?
close_program "$running_pid"
wait "$running_pid" || true
[ "$rc" -ne 0 ] || fail "a silent install while Corvane ran reported success"
[ "$(folder_state)" = "$before" ] || fail "a refused install changed the program folder"
ok "a silent install while Corvane runs fails with exit code $rc and changes nothing"

# 5. A second install upgrades in place: same folder (even when asked for
# another), one entry, our classes still ours.
other_unix=
if [ "$folder" = default ]; then
  upgrade_option=()
else
  other_dir="${install_dir%\\*}\\Elsewhere"
  other_unix=$(c_drive_path "$other_dir")
  rm -rf "$other_unix"
  upgrade_option=("/D=$other_dir")
fi
rc=0
wine "$setup" /S "${upgrade_option[@]}" </dev/null >"$work/upgrade.out" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || fail "upgrade: exit code $rc"
expect_installation "upgrade"
if [ -n "$other_unix" ] && [ -e "$other_unix" ]; then fail "the upgrade installed into $other_dir too"; fi
entries=$(wine reg query "$uninstall_root" /s /reg:32 </dev/null 2>/dev/null | tr -d '\r' |
  grep -cE '^ +DisplayName +REG_SZ +Corvane$' || true)
[ "$entries" -eq 1 ] || fail "$entries Add/Remove entries named Corvane after the upgrade"
[ "$(pages_opened)" -eq 1 ] || fail "setup opened a web page"
ok "a second install upgraded $install_dir in place, one entry"

# 6. Silent uninstall, as Add/Remove Programs runs it. The uninstaller
# hands over to a copy of itself in the temporary folder and returns at
# once: done is when that copy has ended.
user_file=
if [ "$folder" != default ]; then
  user_file="$install_unix/My notes.txt"
  echo "the user's own" >"$user_file"
fi
quiet=$(reg_value "$uninstall_key" QuietUninstallString)
uninstaller=${quiet#\"}
uninstaller=${uninstaller%%\"*}
read -r -a uninstall_arguments <<<"${quiet##*\" }"
started=$(now)
rc=0
wine "$uninstaller" "${uninstall_arguments[@]}" </dev/null >"$work/uninstall.out" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || fail "silent uninstall: exit code $rc"
# The copy runs as ...\~nsuA.tmp\Un_A.exe; Wine shows that name as the
# process's command line.
uninstaller_copy_running() { grep -qa '~nsu.\.tmp' /proc/[0-9]*/cmdline 2>/dev/null; }
uninstalled() { ! reg_key_exists "$uninstall_key" && ! uninstaller_copy_running; }
wait_for 120 uninstalled || fail "the uninstaller did not finish"
uninstall_seconds=$(seconds_since "$started")

expect_page 2 "$uninstall_page"
if [ -n "$user_file" ]; then
  [ "$(ls -A "$install_unix")" = "My notes.txt" ] ||
    fail "the folder with the user's document holds: $(ls -A "$install_unix" | paste -sd' ')"
else
  [ ! -e "$install_unix" ] || fail "left behind: $install_unix ($(ls -A "$install_unix" | paste -sd' '))"
fi
leftover_links=$(cd "$WINEPREFIX/drive_c" && find . -name Corvane.lnk | paste -sd'|')
[ -z "$leftover_links" ] || fail "shortcuts left behind: $leftover_links"
! reg_key_exists "$uninstall_key" || fail "the Add/Remove entry is still there"
! reg_key_exists "$our_key" || fail "$our_class is still registered"
expect_foreign_untouched
ok "silent uninstall in $uninstall_seconds s: the page opened, nothing of ours left, the foreign $foreign_class untouched"

[ -z "$user_file" ] || rm -r "$install_unix"

# What the round trip left in the prefix's drive besides this test's own
# files: a figure, not a verdict (Wine deletes a file marked for removal at
# restart only when the prefix restarts).
left=$(cd "$WINEPREFIX/drive_c" && find . -newer "$work/before-install" -type f ! -path './windows/*' | paste -sd' ')
echo "figure: $(basename "$setup") $(stat -c %s "$setup") bytes, install $install_seconds s, uninstall $uninstall_seconds s, files left on drive C: ${left:-none}"
