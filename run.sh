#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo movie, attaches it to both players and
# plays the x86_64 one under Wine: on your display when DISPLAY is set, otherwise on a
# virtual one, with a screenshot taken during playback.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build build/native --target tqpack
cmake --preset win32 >/dev/null
cmake --build build/win32 --target quillo
cmake --preset win64 >/dev/null
cmake --build build/win64 --target quillo

run=build/run
mkdir -p "$run"
./build/native/tools/tqpack/tqpack demo "$run/demo.tqf"
./build/native/tools/tqpack/tqpack attach build/win32/src/quillo.exe "$run/demo.tqf" \
  "$run/quillo-demo-i686.exe"
./build/native/tools/tqpack/tqpack attach build/win64/src/quillo.exe "$run/demo.tqf" \
  "$run/quillo-demo.exe"

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX="$PWD/$run/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then export LC_ALL=ru_RU.UTF-8; fi
  /usr/lib/wine/wine64 wineboot -i </dev/null >"$run/wineboot.log" 2>&1
  ./scripts/play-demo.sh "$run/quillo-demo.exe"
else
  shot="$PWD/$run/playback.png"
  rm -f "$shot"
  ./scripts/wine-session.sh "$run" ./scripts/play-demo.sh "$run/quillo-demo.exe" "$shot"
  echo "screenshot during playback: $shot"
fi
