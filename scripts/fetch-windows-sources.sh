#!/usr/bin/env bash
# Fetches the sources of the libraries the Windows build needs that Debian
# has no mingw-w64 packages of (pugixml and libzip; zlib comes as
# libz-mingw-w64-dev), as Debian's own source packages of the release this
# machine runs, and unpacks them with their Debian patches into DIR/pugixml
# and DIR/libzip. The system's apt configuration is left alone: the source
# index and its state live in DIR/apt. Does nothing when they are there.
set -euo pipefail
dir=${1:?usage: fetch-windows-sources.sh DIR}
packages=(pugixml libzip)

have=1
for p in "${packages[@]}"; do [[ -f $dir/$p/.unpacked ]] || have=0; done
((have)) && exit 0

mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/download"
dir=$(cd "$dir" && pwd)
. /etc/os-release
codename=${VERSION_CODENAME:-bookworm}
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
  "http://deb.debian.org/debian $codename main" >"$dir/apt/sources.list"
opts=(-o Dir::Etc::SourceList="$dir/apt/sources.list" -o Dir::Etc::SourceParts=-
  -o Dir::State::Lists="$dir/apt/lists" -o Dir::Cache="$dir/apt/cache"
  -o APT::Sandbox::User=root -qq)
apt-get "${opts[@]}" update
for p in "${packages[@]}"; do
  [[ -f $dir/$p/.unpacked ]] && continue
  rm -rf "${dir:?}/download/$p" "${dir:?}/$p"
  mkdir -p "$dir/download/$p"
  (cd "$dir/download/$p" && apt-get "${opts[@]}" source --download-only "$p" >/dev/null)
  dsc=$(ls "$dir/download/$p"/*.dsc)
  # Checks the tarballs against the .dsc (whose own hash apt checked
  # against the signed index) and applies Debian's patches.
  # (It cannot check the .dsc's own signature without Debian's developer
  # keys: said only when unpacking fails.)
  if ! dpkg-source -x "$dsc" "$dir/$p" >"$dir/download/$p.log" 2>&1; then
    cat "$dir/download/$p.log" >&2
    exit 1
  fi
  rm -f "$dir"/"${p}"_*.orig.tar.*
  touch "$dir/$p/.unpacked"
done
