#!/usr/bin/env bash
# Sets everything up and runs Tarvel on its built-in demo drawing: choose
# Visio > Connect in the main window to open the tree. Drawings given as
# arguments (.vsdx, .vssx, .vstx, ...) are shown instead of the demo.
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY), the command-line
# companion prints the demo drawing's object tree instead, down to the first
# shape of the first page.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
build_dir=${TARVEL_BUILD_DIR:-$root/build}
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
  echo "No display: printing the object tree with tarvel-tree instead of opening Tarvel's windows." >&2
  if (($# == 0)); then
    set -- --expand 'Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]'
  fi
  exec "$build_dir/cli/tarvel-tree" "$@"
fi
exec "$build_dir/app/tarvel" "$@"
