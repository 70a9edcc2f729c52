#!/usr/bin/env bash
# Cross-builds the Windows parts of Tarvel (cmake/Windows.cmake: the layers
# that need no Qt, the automation layer's COM backend, and the stand-in
# Visio as a COM local server, tarvel-tree.exe) into build-windows/ with
# Debian's mingw-w64, then runs the COM backend's tests, the served
# stand-in's and tarvel-tree.exe's (compared with the Linux tarvel-tree,
# which it builds in build/ when needed) under Wine,
# in a Wine prefix of their own that is removed at the end. Installs what
# it needs from Debian's packages (only what is missing); pugixml and
# libzip, which have no mingw-w64 packages, come as Debian's source
# packages (scripts/fetch-windows-sources.sh).
# Exits non-zero when anything fails.
set -euo pipefail
start=$SECONDS
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_WINDOWS_BUILD_DIR:-$root/build-windows}

# The posix thread model's compiler: the win32 one has no std::thread or
# std::mutex. GoogleTest comes as sources, built with the tests. widl
# (mingw-w64-tools) compiles the type library, with Wine's IDL files and
# stdole2.tlb (libwine-dev).
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine wine64
  libz-mingw-w64-dev dpkg-dev mingw-w64-tools libwine-dev procps)

"$root/scripts/install-packages.sh" "${packages[@]}"
"$root/scripts/fetch-windows-sources.sh" "$build_dir/third-party"

if [[ ! -f $build_dir/build.ninja ]]; then
  echo "Configuring Tarvel for Windows in $build_dir"
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "${launcher[@]}" >/dev/null
fi
# tarvel-tree.exe is compared with the Linux tarvel-tree of this checkout:
# built here when missing or out of date (normally the Linux tests built it).
linux_build=${TARVEL_LINUX_BUILD_DIR:-$root/build}
if [[ ! -f $linux_build/build.ninja ]]; then
  cmake -S "$root" -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if ! cmake --build "$linux_build" --target tarvel-tree >/dev/null; then
  echo "The Linux tarvel-tree, which tarvel-tree.exe is compared with, did not build." >&2
  exit 1
fi
log=$(mktemp)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-wine.XXXXXX")
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix" "$log"
}
trap cleanup EXIT
if ! cmake --build "$build_dir" -- -j"$(nproc)" >"$log" 2>&1; then
  cat "$log" >&2
  echo "Windows build failed." >&2
  exit 1
fi

# Quiet and headless. The first ordinary wine command creates the prefix
# (made by wineboot -i in the same run, COM calls fail); the server stays up
# between the programs until the trap ends it.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
timeout 30 wineserver -p
# Making the prefix talks a lot: said only when it fails.
if ! timeout 180 wine cmd /c exit >"$log" 2>&1; then
  cat "$log" >&2
  echo "Wine could not make its prefix in $prefix." >&2
  exit 1
fi
status=0
# The tests start this same program as a local server: it must come up.
TARVEL_COM_REQUIRE_SERVER=1 timeout 300 wine "$build_dir/tests/com/tarvel_com_tests.exe" "$@" ||
  status=$?
# tarvel-visio.exe, registered and started by COM as Visio is.
if ((status == 0)); then
  timeout 300 wine "$build_dir/tests/com/tarvel_visio_com_tests.exe" "$@" || status=$?
fi
# tarvel-tree.exe through COM against the Linux one in process.
if ((status == 0)); then
  "$root/tests/cli/tarvel-tree-windows.sh" "$build_dir" "$linux_build/cli/tarvel-tree" ||
    status=$?
fi
if ((status != 0)); then
  # What the local servers had to say (COM gives them no console).
  find "$prefix/drive_c/users" \( -name tarvel-com-echo.log -o -name tarvel-visio.log \) \
    -exec cat {} + >&2 2>/dev/null || true
  ((status == 124)) && echo "The Windows tests timed out." >&2
fi
echo "Windows build and tests took $((SECONDS - start)) s."
exit "$status"
