#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it from there: the commands are
# links in bin/ into the program folder, and the programs must find the data-access
# library and the viewer beside themselves through those links.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
has() { grep -q -- "$2" <<<"$1"; }

cmake --install "$build" --prefix "$prefix" >/dev/null
programs="$prefix/lib/tessaport"
for name in tessaport tessaport-import omegadb sheetdump viewer libQv2Omg32.so; do
  [ -f "$programs/$name" ] || fail "$programs/$name is not installed"
done
for command in tessaport tessaport-import omegadb sheetdump tessaport-viewer; do
  link="$prefix/bin/$command"
  [ -L "$link" ] || fail "$link is not a link"
  [ "$(realpath "$link")" = "$(realpath "$programs")/$(basename "$(readlink "$link")")" ] \
    || fail "$link points at $(readlink "$link"), outside the program folder"
done

# Through the links, with no build folder in sight: a database made, imported, printed.
cd "$prefix"
printf 'Date,Open,High,Low,Close,Volume\n2024-01-02,10,11,9,10.5,1000\n2024-01-03,10.5,12,10,11.75,2000\n' > prices.csv
bin/omegadb create db
bin/omegadb add db XYZ --description "Test Stock" prices.csv
has "$(bin/omegadb list db)" '^XYZ' || fail "omegadb list"
# The import loads the library from the folder of the program the link leads to.
bin/tessaport-import --data db -o xyz.pat XYZ >/dev/null || fail "tessaport-import through its link"
dump=$(bin/sheetdump xyz.pat)
has "$dump" '^file type: WK1$' || fail "sheetdump: $dump"
has "$dump" '^C3,2,2,number,12$' || fail "the imported high of 3 January is missing: $dump"

# Desktop entries, metadata and manual pages as installed.
desktop-file-validate "$prefix"/share/applications/*.desktop
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >/dev/null \
  || appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml
for page in tessaport tessaport-import omegadb sheetdump tessaport-viewer; do
  text=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" 2>&1)
  for section in NAME SYNOPSIS DESCRIPTION 'SEE ALSO'; do
    has "$text" "^$section\$" || fail "man $page has no $section section"
  done
done
# The tools' pages come from their --help: every option it lists is in the page.
for tool in tessaport-import omegadb sheetdump; do
  text=$(MANWIDTH=200 man -l "$prefix/share/man/man1/$tool.1.gz" 2>&1)
  has "$text" '^EXIT STATUS$' || fail "man $tool has no EXIT STATUS section"
  for option in $(bin/$tool --help | grep -oE '^  -[-a-z]+' ); do
    has "$text" "^ *$option" || fail "man $tool lacks $option"
  done
done
echo "installed layout works"
