#!/usr/bin/env bash
# Builds and runs the soak test (build/bench/tarvel_soak) for MINUTES
# (default 3) on a session bus of its own: tarvel-visio with the demo
# drawing, a driver changing it, and Tarvel's main window offscreen with
# Auto refresh every 500 ms. Exit status 1 on errors or memory growth.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$root/build}
minutes=${1:-3}
if [[ ! -f $build_dir/build.ninja ]] || ! command -v dbus-run-session >/dev/null; then
  "$root/scripts/setup.sh"
fi
log=$(mktemp)
if ! cmake --build "$build_dir" --target tarvel_soak tarvel-visio -- -j"$(nproc)" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "Build failed." >&2
  exit 1
fi
rm -f "$log"
export QT_QPA_PLATFORM=offscreen
exec dbus-run-session -- "$build_dir/bench/tarvel_soak" --minutes "$minutes"
