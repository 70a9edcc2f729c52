#!/usr/bin/env bash
# Builds and runs the cross-process benchmark (build/bench/tarvel_bench_dbus)
# on a session bus of its own, with the bus daemon, the benchmark and its
# servers all on CPU 0. Arguments go to the benchmark (--rounds N, --calls N).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$root/build}
"$root/scripts/build-targets.sh" tarvel_bench_dbus tarvel-visio
exec taskset -c 0 dbus-run-session -- "$build_dir/bench/tarvel_bench_dbus" "$@"
