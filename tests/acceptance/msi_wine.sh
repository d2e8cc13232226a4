#!/usr/bin/env bash
# Installs the Windows installer quietly under Wine in a fresh prefix, upgrades it, has an
# older one refused over the newer, removes it, and checks what each step leaves; runs the
# installed tessaport-import.exe against the Linux import and the installed tessaport.exe
# with real input (real_input_wine.sh).
#
#   tests/acceptance/msi_wine.sh MSI --build WINDOWS_BUILD --reference DIR [--linux BUILD_DIR] [--no-real-input]
#
# MSI comes from scripts/package-windows with its zip beside it, made from WINDOWS_BUILD (a
# second one, a minor version later, is made from it to upgrade to). DIR holds the reference
# database db/ and the Linux import's linux.wk1, linux.biff4 and linux.csv of its security
# LONG (scripts/test-windows makes them); BUILD_DIR is the Linux build of real_input_wine.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
usage="usage: msi_wine.sh MSI --build WINDOWS_BUILD --reference DIR [--linux BUILD_DIR] [--no-real-input]"
msi=$(realpath "${1:?$usage}")
shift
build= reference= linux=$root/build real_input=1
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(realpath "$2"); shift 2 ;;
    --reference) reference=$(realpath "$2"); shift 2 ;;
    --linux) linux=$(realpath "$2"); shift 2 ;;
    --no-real-input) real_input=0; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
[ -n "$build" ] && [ -n "$reference" ] || { echo "$usage" >&2; exit 2; }

# No menu entries or file types on the Linux desktop for what is installed here.
export WINEPREFIX=$root/build-windows/wine-prefix-msi WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
started=$SECONDS
fail() { echo "msi_wine: FAIL: $*" >&2; exit 1; }
step() { echo "msi_wine $((SECONDS - started))s: $*"; }

# What the package says of itself.
property() { msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
version=$(property ProductVersion)
maker="Quorvane Example Labs, Inc."
upgrade_code={$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' packaging/windows/tessaport.wxs)}
[ "$(basename "$msi")" = "tessaport-$version-windows-x86_64.msi" ] || fail "$msi is not named for its version $version"
[[ "$(property ProductName)|$(property Manufacturer)|$(property UpgradeCode)|$(property ALLUSERS)" == \
   Tessaport*"|$maker|$upgrade_code|1" ]] || fail "the package's properties:"$'\n'"$(msiinfo export "$msi" Property)"
step "$(basename "$msi"): $(property ProductName) $version by $maker, upgrade code $upgrade_code, for all users"

rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot could not make $WINEPREFIX (its output above)"; }
drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/Tessaport"
classes='HKLM\Software\Classes'
# Another program's default for xlsx files, which "Open with" must leave in place.
wine reg add "$classes\\.xlsx" /ve /d Other.Workbook /f >/dev/null 2>&1

# A snapshot: every path under C:\, and every key and value of HKLM\Software (both views)
# and of HKCU\Software, one line each; but Wine's own keys and the network cards it lists
# when a program first asks.
snapshot() {
  (cd "$drive_c" && find . -mindepth 1 | LC_ALL=C sort) > "$work/$1.files"
  wine reg export 'HKLM\Software' "$(winepath -w "$work/$1.HKLM.reg")" /y >/dev/null 2>&1 &&
    wine reg export 'HKCU\Software' "$(winepath -w "$work/$1.HKCU.reg")" /y >/dev/null 2>&1 || fail "reg export failed"
  cat "$work/$1".HK??.reg | iconv -f UTF-16 -t UTF-8 | tr -d '\r' |
    awk '/^\[/ { key = $0; print key; next } /^["@]/ { print key " " $0 }' |
    grep -v -e '^\[HKEY_CURRENT_USER\\Software\\Wine[]\\]' -e '\\NetworkCards[]\\]' | LC_ALL=C sort > "$work/$1.registry"
}
# What snapshot $2 has and $1 has not (of kind $3), but Windows Installer's own folder and
# the keys that hold its records (not the records), which every Windows has.
installer_own='\./windows/Installer|\[HKEY_LOCAL_MACHINE\\Software\\(Classes|Microsoft\\Windows\\CurrentVersion)'
installer_own+='\\Installer(\\[A-Za-z]+|\\UserData\\S-1-5-18(\\[A-Za-z]+)?)?]'
added() { LC_ALL=C comm -13 "$work/$1.$3" "$work/$2.$3" | grep -vxE "$installer_own" || true; }
# Windows Installer's service may still be at work (a rollback, its records) when msiexec
# returns: every step waits until nothing runs in the prefix before it looks.
settled() { wineserver -w 2>/dev/null || true; }
install() {
  local status=0
  wine msiexec /i "$(winepath -w "$1")" /qn /l*v "$(winepath -w "$work/$2.log")" || status=$?
  settled
  return $status
}
# The Apps & features entries named Tessaport, and a value of the (first) one.
entries() { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
  awk '/^HKEY/ { key = $0 } $1 == "DisplayName" && $3 ~ /^Tessaport/ { print key }'; }
entry() { wine reg query "$(entries | head -1)" /v "$1" 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v { $1 = $2 = ""; sub(/^ +/, ""); print }'; }
shortcuts() { (cd "$drive_c" && find . -path '*/Start Menu/Programs/*.lnk' -printf '%f\n' | LC_ALL=C sort | tr '\n' '|'); }
# The default program of xlsx files; what reg said when it named none, so that a failure
# shows the read that failed, not a second one.
xlsx_default() {
  local said; said=$(wine reg query "$classes\\.xlsx" /ve 2>&1 | tr -d '\r') || true
  awk '/REG_SZ/ { print $NF; found = 1 } END { exit !found }' <<<"$said" || echo "unread (reg query said: ${said:-nothing})"
}
# The installation: one entry of this version, the zip's files byte for byte and no other,
# the two shortcuts, the default program of xlsx files as it was.
installed() {
  local seen
  seen="$(entries | wc -l)|$(entry DisplayVersion)"
  [ "$seen" = "1|$1" ] || fail "Apps & features: entries|version $seen, not 1|$1 (now $(entries | wc -l)|$(entry DisplayVersion))"
  rm -rf "$work/unzipped" && mkdir "$work/unzipped" && (cd "$work/unzipped" && cmake -E tar xf "$2")
  diff -r "$work"/unzipped/tessaport-*-windows-x86_64 "$folder" >&2 || fail "the program folder is not $(basename "$2")'s (above)"
  [ "$(shortcuts)" = "Tessaport Pattern File Viewer.lnk|Tessaport.lnk|" ] || fail "Start menu shortcuts: $(shortcuts)"
  local xlsx; xlsx=$(xlsx_default)
  [ "$xlsx" = Other.Workbook ] || fail "the default program of xlsx files is now $xlsx"
}

snapshot before
install "$msi" install || fail "msiexec /i failed with status $? (log: $work/install.log)"
snapshot installed
installed "$version" "${msi%.msi}.zip"
for pair in Tessaport.lnk:tessaport.exe "Tessaport Pattern File Viewer.lnk:viewer.exe"; do
  link=$(cd "$drive_c" && find . -path "*/Start Menu/Programs/${pair%%:*}")
  strings "$drive_c/$link" | grep -qxF "C:\\Program Files\\Tessaport\\${pair#*:}" || fail "$link does not start ${pair#*:}"
done
# New files: the program folder, the shortcuts and Windows Installer's cache.
others=$(added before installed files | grep -v -e '^\./Program Files/Tessaport' -e '/Start Menu/Programs/Tessaport' -e '^\./windows/Installer/' || true)
[ -z "$others" ] || fail "the installation wrote files elsewhere too:"$'\n'"$others"
# New keys beside Windows Installer's records: the file types and the Apps & features entry.
keys=$(added before installed registry | grep '\]$' | grep -v -i -e '\\Installer\\' -e '\\Uninstall\\{' | tr -d '[]' |
       sed 's/^HKEY_LOCAL_MACHINE\\Software\\Classes\\//' | LC_ALL=C sort | tr '\n' ' ')
expected=".pat .pat\\OpenWithProgids .wk1 .wk1\\OpenWithProgids .xlsx\\OpenWithProgids"
for progid in Tessaport.PatternFile Tessaport.Workbook Tessaport.Worksheet; do
  expected+=" $progid $progid\\DefaultIcon $progid\\shell $progid\\shell\\open $progid\\shell\\open\\command"
done
[ "$keys" = "$(tr ' ' '\n' <<<"$expected" | LC_ALL=C sort | tr '\n' ' ')" ] || fail "the installation wrote the keys: $keys"
grep -qxF "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Tessaport.PatternFile\\shell\\open\\command] @=\"\\\"C:\\\\Program Files\\\\Tessaport\\\\viewer.exe\\\" \\\"%1\\\"\"" \
  "$work/installed.registry" || fail "the viewer's command for pattern files is not what it should be"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\ts32.exe' /reg:32 >/dev/null 2>&1 &&
  fail "the installer wrote the trading platform's registry key"
[ "$(entry Publisher)" = "$maker" ] && entry UninstallString | grep -q '^MsiExec.exe /X{' ||
  fail "Apps & features: maker $(entry Publisher), removal $(entry UninstallString)"
icon=$(wine reg query "$classes\\Installer\\Products" /s 2>/dev/null | tr -d '\r' | awk '$1 == "ProductIcon" { print $3 }')
[ -f "$(winepath -u "$icon" 2>/dev/null)" ] || fail "Apps & features has no icon ($icon)"
step "installed: $(cd "$folder" && find . -type f | wc -l) files in C:\\Program Files\\Tessaport, shortcuts $(shortcuts), Open with for .pat .wk1 .xlsx"

for format in wk1 biff4 csv; do
  wine "$folder/tessaport-import.exe" --data "$(winepath -w "$reference/db")" --keep-invalid --open-interest \
    --format $format -o "$(winepath -w "$work/import.$format")" LONG >/dev/null || fail "the installed tessaport-import.exe cannot write $format"
  cmp "$reference/linux.$format" "$work/import.$format" || fail "the installed tessaport-import.exe: the $format file differs from Linux's"
done
step "the installed tessaport-import.exe writes the Linux import's bytes (wk1, biff4, csv)"
if [ $real_input = 1 ]; then
  # The display run starts a server of its own, with the display, once this one is gone.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  tests/acceptance/real_input_wine.sh "$folder" --wm openbox --linux "$linux"
fi

# One minor version later, from the same build: it replaces this one.
snapshot ran
IFS=. read -r major minor _ <<<"$version"
newer_version=$major.$((minor + 1))
newer=$work/newer/tessaport-$newer_version-windows-x86_64.msi
scripts/package-windows --version "$newer_version" "$build" "$work/newer" >/dev/null
install "$newer" upgrade || fail "the upgrade to $newer_version failed with status $? (log: $work/upgrade.log)"
snapshot upgraded
installed "$newer_version" "${newer%.msi}.zip"
step "upgraded to $newer_version: one entry, the new files"

# The older one is refused over it, with its message, and changes nothing.
status=0
install "$msi" downgrade || status=$?
[ $status = $((1603 % 256)) ] || fail "installing $version over $newer_version ended with status $status, not 1603"
msiinfo export "$msi" LaunchCondition | grep -q $'^NOT WIX_DOWNGRADE_DETECTED\tA later version of Tessaport is already installed' ||
  fail "the package has no message for a later version"
installed "$newer_version" "${newer%.msi}.zip"
step "$version refused over $newer_version"

wine msiexec /x "$(winepath -w "$newer")" /qn /l*v "$(winepath -w "$work/uninstall.log")" ||
  fail "msiexec /x failed with status $? (log: $work/uninstall.log)"
settled
snapshot removed
[ ! -e "$folder" ] && [ -z "$(shortcuts)" ] && [ -z "$(entries)" ] || fail "the folder, a shortcut or the entry is left"
xlsx=$(xlsx_default)
[ "$xlsx" = Other.Workbook ] || fail "the default program of xlsx files is now $xlsx"
for kind in files registry; do
  left=$(cat <(added before installed $kind) <(added ran upgraded $kind) | LC_ALL=C sort -u | LC_ALL=C comm -12 - "$work/removed.$kind")
  [ -z "$left" ] || fail "left after the removal ($kind):"$'\n'"$left"
done
step "removed: no file, shortcut, key or entry of it left; passed"
