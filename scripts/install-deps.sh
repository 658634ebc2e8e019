#!/usr/bin/env bash
# Installs the Debian 12 packages Mirrodex builds and tests with (as root, or through sudo).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  libx11-dev libxext-dev libxtst-dev xvfb xauth
  zlib1g-dev libbz2-dev libjpeg62-turbo-dev
  libgtest-dev libbenchmark-dev
  adwaita-icon-theme
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: these packages are missing and this user is not root: ${missing[*]}" >&2
    echo "install-deps: run this script as root, or install sudo" >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
