#!/usr/bin/env bash
# Sets everything up and runs Tarvel on its built-in demo drawing.
# Until the windows exist, this is the command-line companion printing the
# demo drawing's object tree, down to the first shape of the first page.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
build_dir=${TARVEL_BUILD_DIR:-$root/build}
if (($# == 0)); then
  set -- --expand 'Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]'
fi
exec "$build_dir/cli/tarvel-tree" "$@"
