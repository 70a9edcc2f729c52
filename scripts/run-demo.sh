#!/usr/bin/env bash
# Sets everything up and runs Tarvel on its built-in demo drawing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
build_dir=${TARVEL_BUILD_DIR:-$root/build}
exec "$build_dir/cli/tarvel-tree" --constants "$@"
