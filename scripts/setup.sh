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

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

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
