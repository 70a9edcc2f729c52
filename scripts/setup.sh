#!/usr/bin/env bash
# Installs what Tarvel needs from Debian's packages (only what is missing),
# then configures and builds the project into build/.
# Quiet and quick when everything is already there.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$root/build}

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6dbus6 libqt6test6
  libzip-dev libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-bin libdbus-1-dev
  locales
  xvfb openbox x11-utils xdotool
  libvisio-tools
)

"$root/scripts/install-packages.sh" "${packages[@]}"

if [[ ! -f $build_dir/build.ninja ]]; then
  echo "Configuring Tarvel in $build_dir"
  cmake -S "$root" -B "$build_dir" -G Ninja ${TARVEL_CMAKE_ARGS:-} >/dev/null
fi
# Ninja prints nothing but its progress line when all is up to date; on
# errors the whole log is shown.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake --build "$build_dir" -- -j"$(nproc)" >"$log" 2>&1; then
  cat "$log" >&2
  echo "Build failed." >&2
  exit 1
fi
