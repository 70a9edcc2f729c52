#!/usr/bin/env bash
# Runs a test program with LC_ALL=de_DE.UTF-8, a locale with a decimal
# comma made here with localedef, so that no installed locale is needed.
# Exits 77 (skipped) when the locale cannot be made.
set -uo pipefail
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
if ! localedef -i de_DE -f UTF-8 "$dir/de_DE.UTF-8" >/dev/null 2>&1 && [[ ! -d $dir/de_DE.UTF-8 ]]; then
  echo "skipped: localedef could not make de_DE.UTF-8 (is Debian's locales package installed?)"
  exit 77
fi
LOCPATH=$dir LC_ALL=de_DE.UTF-8 "$@"
