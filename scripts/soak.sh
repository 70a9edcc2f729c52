#!/usr/bin/env bash
# Builds and runs the soak test (build/bench/tarvel_soak) for MINUTES
# (default 3) on a session bus of its own: tarvel-visio with the demo
# drawing, a driver changing it, and Tarvel's main window offscreen with
# Auto refresh every 500 ms. Exit status 1 on errors or memory growth.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$root/build}
minutes=${1:-3}
"$root/scripts/build-targets.sh" tarvel_soak tarvel-visio
export QT_QPA_PLATFORM=offscreen
exec dbus-run-session -- "$build_dir/bench/tarvel_soak" --minutes "$minutes"
