#!/usr/bin/env bash
# Installs the build into a temporary prefix: the commands are links in bin/ into the
# program folder, and the manual pages are whole. (That the programs find the data-access
# library beside themselves through those links, scripts/test-package tries on the package.)
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

# Manual pages as installed (the desktop entries and metadata are validated by scripts/test-package).
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
  for option in $("$prefix/bin/$tool" --help | grep -oE '^  -[-a-z]+' ); do
    has "$text" "^ *$option" || fail "man $tool lacks $option"
  done
done
echo "installed layout works"
