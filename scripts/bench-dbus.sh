#!/usr/bin/env bash
# Builds and runs the cross-process benchmark (build/bench/tarvel_bench_dbus)
# on a session bus of its own, with the bus daemon, the benchmark and its
# servers all on CPU 0. Arguments go to the benchmark (--rounds N, --calls N).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$root/build}
if [[ ! -f $build_dir/build.ninja ]] || ! command -v dbus-run-session >/dev/null; then
  "$root/scripts/setup.sh"
fi
log=$(mktemp)
if ! cmake --build "$build_dir" --target tarvel_bench_dbus tarvel-visio -- -j"$(nproc)" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "Build failed." >&2
  exit 1
fi
rm -f "$log"
exec taskset -c 0 dbus-run-session -- "$build_dir/bench/tarvel_bench_dbus" "$@"
