#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need. Safe to run again:
# it asks apt only for what is missing.
set -euo pipefail

packages=(
  cmake g++ make ninja-build googletest libgtest-dev libbenchmark-dev libmspack-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 fonts-wine xvfb x11-utils imagemagick
  cabextract libarchive-tools gcab xz-utils time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null || true
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
