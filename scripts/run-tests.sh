#!/usr/bin/env bash
# Sets everything up and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
build_dir=${TARVEL_BUILD_DIR:-$root/build}
cd "$build_dir"
# Tests that need the session bus get a private one.
exec dbus-run-session -- ctest --output-on-failure -j"$(nproc)" "$@"
