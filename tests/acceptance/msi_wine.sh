#!/usr/bin/env bash
# Installs the Windows installer quietly under Wine in a fresh prefix, upgrades it, refuses
# an older one over the newer, removes it, and checks what each step leaves: the program
# folder holds the zip's files byte for byte, two Start menu shortcuts, the Apps & features
# entry, the "Open with" keys and nothing else; the installed tessaport-import.exe writes
# the Linux import's bytes; the installed tessaport.exe runs with real input
# (real_input_wine.sh); after the removal nothing the installs added is left.
#
#   tests/acceptance/msi_wine.sh MSI --build WINDOWS_BUILD --reference DIR [--linux BUILD_DIR] [--no-real-input]
#
# MSI is made by scripts/package-windows, its zip beside it; WINDOWS_BUILD is the build it
# was made from (a second installer, one minor version later, is made from it to upgrade
# to). DIR holds the reference database db/ and the Linux import's files of its security
# LONG, linux.wk1, linux.biff4 and linux.csv (scripts/test-windows makes them). BUILD_DIR
# is the Linux build real_input_wine.sh takes its tools from.
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
properties=$(msiinfo export "$msi" Property | tr -d '\r')
property() { awk -F'\t' -v p="$1" '$1 == p { print $2 }' <<<"$properties"; }
version=$(property ProductVersion)
upgrade_code={$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' packaging/windows/tessaport.wxs)}
maker="Quorvane Example Labs, Inc."
[ "$(basename "$msi")" = "tessaport-$version-windows-x86_64.msi" ] || fail "$msi is not named for its version $version"
[[ $(property ProductName) == Tessaport* ]] || fail "product name: $(property ProductName)"
[ "$(property Manufacturer)" = "$maker" ] || fail "maker: $(property Manufacturer)"
[ "$(property UpgradeCode)" = "$upgrade_code" ] || fail "upgrade code: $(property UpgradeCode), not $upgrade_code"
[ "$(property ALLUSERS)" = 1 ] || fail "not installed for all users by default"
step "$(basename "$msi"): $(property ProductName) $version by $maker, upgrade code $upgrade_code"

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || fail "wineboot could not make $WINEPREFIX"
drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/Tessaport"
classes='HKLM\Software\Classes'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# Another program's default for xlsx files, which "Open with" must leave in place.
wine reg add "$classes\\.xlsx" /ve /d Other.Workbook /f >/dev/null 2>&1

# A snapshot: every path under C:\, and every key and value of HKLM\Software (both views)
# and of HKCU\Software but Wine's own, one line each.
snapshot() {
  (cd "$drive_c" && find . -mindepth 1 | LC_ALL=C sort) > "$work/$1.files"
  local hive
  for hive in HKLM HKCU; do
    wine reg export "$hive\\Software" "$(winepath -w "$work/$1.$hive.reg")" /y >/dev/null 2>&1 ||
      fail "reg export $hive failed"
  done
  cat "$work/$1".HK??.reg | iconv -f UTF-16 -t UTF-8 | tr -d '\r' |
    awk '/^\[/ { key = $0; print key; next } /^["@]/ { print key " " $0 }' |
    grep -v '^\[HKEY_CURRENT_USER\\Software\\Wine[]\\]' | LC_ALL=C sort > "$work/$1.registry"
}
# What is in snapshot $2 and not in $1 (of kind $3), but Windows Installer's own folder and
# the keys that hold its records (not the records), which every Windows has.
installer_own='\./windows/Installer|\[HKEY_LOCAL_MACHINE\\Software\\(Classes|Microsoft\\Windows\\CurrentVersion)'
installer_own+='\\Installer(\\[A-Za-z]+|\\UserData\\S-1-5-18(\\[A-Za-z]+)?)?]'
added() { LC_ALL=C comm -13 "$work/$1.$3" "$work/$2.$3" | grep -vxE "$installer_own" || true; }
install() {  # install MSI NAME: quietly, with a log
  wine msiexec /i "$(winepath -w "$1")" /qn /l*v "$(winepath -w "$work/$2.log")"
}
our_entries() { wine reg query "$uninstall" /s 2>/dev/null | tr -d '\r' |
  awk '/^HKEY/ { key = $0 } $1 == "DisplayName" && $3 ~ /^Tessaport/ { print key }'; }
entries() { our_entries | wc -l; }
entry_value() { wine reg query "$(our_entries | head -1)" /v "$1" 2>/dev/null | tr -d '\r' |
  awk -v v="$1" '$1 == v { $1 = $2 = ""; sub(/^ +/, ""); print }'; }
shortcuts() { (cd "$drive_c" && find . -path '*/Start Menu/Programs/*.lnk' -printf '%f\n' | LC_ALL=C sort); }
xlsx_default() { wine reg query "$classes\\.xlsx" /ve 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ { print $NF }'; }

# The folder holds the zip's files and nothing else, byte for byte.
same_as_zip() {
  rm -rf "$work/unzipped" && mkdir "$work/unzipped"
  (cd "$work/unzipped" && cmake -E tar xf "$1")
  local unzipped
  unzipped=$(echo "$work"/unzipped/tessaport-*-windows-x86_64)
  diff <(cd "$unzipped" && find . | LC_ALL=C sort) <(cd "$folder" && find . | LC_ALL=C sort) >&2 ||
    fail "the program folder holds other files than $(basename "$1") (above: < zip, > folder)"
  diff -r -q "$unzipped" "$folder" >&2 || fail "installed files differ from those of $(basename "$1")"
}

snapshot before
install "$msi" install || fail "msiexec /i failed with status $? (log: $work/install.log)"
snapshot installed
same_as_zip "${msi%.msi}.zip"
[ "$(shortcuts)" = $'Tessaport Pattern File Viewer.lnk\nTessaport.lnk' ] || fail "Start menu shortcuts: $(shortcuts)"
for pair in Tessaport.lnk:tessaport.exe "Tessaport Pattern File Viewer.lnk:viewer.exe"; do
  link=$(cd "$drive_c" && find . -path "*/Start Menu/Programs/${pair%%:*}")
  strings "$drive_c/$link" | grep -qxF "C:\\Program Files\\Tessaport\\${pair#*:}" || fail "$link does not start ${pair#*:}"
done
# New files: the program folder, the shortcuts and Windows Installer's cache (the package
# and the icon Apps & features shows).
others=$(added before installed files | grep -v -e '^\./Program Files/Tessaport' -e '/Start Menu/Programs/Tessaport' \
         -e '^\./windows/Installer/' || true)
[ -z "$others" ] || fail "the installation wrote files elsewhere too:"$'\n'"$others"
# New keys, beside Windows Installer's own records: the file types and the uninstall entry.
keys=$(added before installed registry | grep '\]$' | grep -v -i -e '\\Installer\\' -e '\\Installer]' \
       -e '\\Uninstall\\{' | tr -d '[]' | sed 's/^HKEY_LOCAL_MACHINE\\Software\\Classes\\//' | LC_ALL=C sort | tr '\n' ' ')
expected_keys=".pat .pat\\OpenWithProgids .wk1 .wk1\\OpenWithProgids .xlsx\\OpenWithProgids"
for progid in Tessaport.PatternFile Tessaport.Workbook Tessaport.Worksheet; do
  expected_keys+=" $progid $progid\\DefaultIcon $progid\\shell $progid\\shell\\open $progid\\shell\\open\\command"
done
[ "$keys" = "$(tr ' ' '\n' <<<"$expected_keys" | LC_ALL=C sort | tr '\n' ' ')" ] || fail "the installation wrote the keys: $keys"
[ "$(xlsx_default)" = Other.Workbook ] || fail "the default program of xlsx files is now $(xlsx_default)"
wine reg query "$classes\\.pat\\OpenWithProgids" /v Tessaport.PatternFile >/dev/null 2>&1 || fail "no Open with for .pat files"
wine reg query "$classes\\Tessaport.PatternFile\\shell\\open\\command" /ve 2>/dev/null | tr -d '\r' |
  grep -qF '"C:\Program Files\Tessaport\viewer.exe" "%1"' || fail "the viewer's command for pattern files is wrong"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\ts32.exe' /reg:32 >/dev/null 2>&1 &&
  fail "the installer wrote the trading platform's registry key"
[ "$(entries)" = 1 ] || fail "$(entries) entries in Apps & features"
[ "$(entry_value DisplayVersion)" = "$version" ] || fail "Apps & features shows version $(entry_value DisplayVersion)"
[ "$(entry_value Publisher)" = "$maker" ] || fail "Apps & features shows the maker $(entry_value Publisher)"
entry_value UninstallString | grep -q '^MsiExec.exe /X{' || fail "no removal in Apps & features"
icon=$(wine reg query "$classes\\Installer\\Products" /s 2>/dev/null | tr -d '\r' | awk '$1 == "ProductIcon" { print $3 }')
[ -f "$(winepath -u "$icon" 2>/dev/null)" ] || fail "Apps & features has no icon ($icon)"
step "installed: $(cd "$folder" && find . -type f | wc -l) files in C:\\Program Files\\Tessaport, shortcuts $(shortcuts | tr '\n' ' '), Open with for .pat .wk1 .xlsx"

# The installed import against the Linux one, on the reference database.
for format in wk1 biff4 csv; do
  wine "$folder/tessaport-import.exe" --data "$(winepath -w "$reference/db")" --keep-invalid --open-interest \
    --format $format -o "$(winepath -w "$work/import.$format")" LONG >/dev/null || fail "the installed tessaport-import.exe cannot write $format"
  cmp "$reference/linux.$format" "$work/import.$format" || fail "the installed tessaport-import.exe: the $format file differs from Linux's"
done
step "the installed tessaport-import.exe writes the Linux import's bytes (wk1, biff4, csv)"

if [ $real_input = 1 ]; then
  wineserver -k 2>/dev/null || true  # the display run starts its own, with the display
  tests/acceptance/real_input_wine.sh "$folder" --wm openbox --linux "$linux"
fi

# The upgrade: one minor version later, from the same build.
snapshot ran
IFS=. read -r major minor _ <<<"$version"
newer_version=$major.$((minor + 1))
scripts/package-windows --version "$newer_version" "$build" "$work/newer" >/dev/null
newer=$work/newer/tessaport-$newer_version-windows-x86_64.msi
install "$newer" upgrade || fail "the upgrade to $newer_version failed with status $? (log: $work/upgrade.log)"
snapshot upgraded
[ "$(entries)" = 1 ] || fail "$(entries) entries in Apps & features after the upgrade"
[ "$(entry_value DisplayVersion)" = "$newer_version" ] || fail "Apps & features shows $(entry_value DisplayVersion) after the upgrade"
same_as_zip "${newer%.msi}.zip"
head -1 "$folder/README.txt" | grep -qF "Tessaport $newer_version " || fail "README.txt is not the new one"
[ "$(shortcuts | wc -l)" = 2 ] || fail "shortcuts after the upgrade: $(shortcuts)"
step "upgraded to $newer_version: one entry, the new files"

# The older one refuses to install over it and changes nothing.
status=0
install "$msi" downgrade || status=$?
[ $status = $((1603 % 256)) ] || fail "installing $version over $newer_version ended with status $status, not 1603"
msiinfo export "$msi" LaunchCondition | grep -q $'^NOT WIX_DOWNGRADE_DETECTED\tA later version of Tessaport is already installed' ||
  fail "the package has no message for a later version"
[ "$(entry_value DisplayVersion)" = "$newer_version" ] || fail "the refused downgrade changed the installation"
same_as_zip "${newer%.msi}.zip"
step "$version refused over $newer_version"

wine msiexec /x "$(winepath -w "$newer")" /qn /l*v "$(winepath -w "$work/uninstall.log")" ||
  fail "msiexec /x failed with status $? (log: $work/uninstall.log)"
snapshot removed
[ ! -e "$folder" ] || fail "C:\\Program Files\\Tessaport is still there"
[ -z "$(shortcuts)" ] || fail "shortcuts left: $(shortcuts)"
[ "$(entries)" = 0 ] || fail "Apps & features still lists Tessaport"
[ "$(xlsx_default)" = Other.Workbook ] || fail "the default program of xlsx files is now $(xlsx_default)"
for kind in files registry; do
  left=$(cat <(added before installed $kind) <(added ran upgraded $kind) | LC_ALL=C sort -u |
         LC_ALL=C comm -12 - "$work/removed.$kind")
  [ -z "$left" ] || fail "left after the removal ($kind):"$'\n'"$left"
done
step "removed: no file, shortcut, key or entry of it left; passed"
