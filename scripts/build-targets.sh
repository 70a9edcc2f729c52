#!/usr/bin/env bash
# Builds the given targets quietly into the build folder (set up first when
# it or the bus tools are missing); on failure prints the build's output.
# Used by the benchmark and soak scripts.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$root/build}
if [[ ! -f $build_dir/build.ninja ]] || ! command -v dbus-run-session >/dev/null; then
  "$root/scripts/setup.sh"
fi
log=$(mktemp)
if ! cmake --build "$build_dir" --target "$@" -- -j"$(nproc)" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "Build failed." >&2
  exit 1
fi
rm -f "$log"
