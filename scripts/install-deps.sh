#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need. Safe to run again:
# it asks apt only for what is missing.
set -euo pipefail

packages=(
  cmake g++ make ninja-build googletest libgtest-dev libbenchmark-dev libmspack-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 fonts-wine xvfb x11-utils imagemagick
  cabextract libarchive-tools gcab xz-utils time locales libpng-dev python3
  libwim-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

if [ ${#missing[@]} -ne 0 ]; then
  echo "install-deps: installing ${missing[*]}" >&2
  $SUDO apt-get update -qq >/dev/null || true
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from the locale: the Russian texts need ru_RU (code page 1251).
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
  $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
