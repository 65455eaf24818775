#!/usr/bin/env bash
# Takes the README's pictures of the player: the real x86_64 exe with the demo attached, under
# Wine on a virtual 1024 x 768 screen, driven from outside by the test driver: the demo playing
# with the panel, the segment list open, the about box.
#   scripts/screenshots.sh [folder]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
wine=/usr/lib/wine/wine64

if [ "${1:-}" = --inside ]; then # inside the Wine session: <player> <driver> <folder>
  player=$2 driver=$3 out=$4
  on_desktop() { "$wine" explorer /desktop=quillo,1024x768 "$@"; }
  # The panel's strip is drawn again at every frame; now and then a picture catches it while a
  # layout change has it without its texts, so up to five are taken until its format line shows.
  shot() {
    for _ in 1 2 3 4 5; do
      import -window root "$out/$1"
      [ "$(convert "$out/$1" -crop 150x12+214+730 -format '%[fx:maxima]' info:)" = 1 ] && return
      sleep 0.4
    done
  }
  on_desktop "$player" &
  pid=$!
  # Wine's start and the movie's load take a few seconds; the first segment plays for twenty.
  sleep 8
  shot playing.png
  on_desktop "$driver" command 113 # the segment list
  sleep 2
  shot segment-list.png
  on_desktop "$driver" command 113
  on_desktop "$driver" command 131 # the about box
  sleep 2
  shot about.png
  on_desktop "$driver" dialog 2
  on_desktop "$driver" command 100 # the end
  wait "$pid"
  exit 0
fi

mkdir -p "${1:-docs}"
out=$(cd "${1:-docs}" && pwd)
./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build build/native --target tqpack
cmake --preset win64 >/dev/null
cmake --build build/win64 --target quillo quillo_driver
run=build/screenshots
mkdir -p "$run"
./build/native/tools/tqpack/tqpack demo "$run/demo.tqf"
./build/native/tools/tqpack/tqpack attach build/win64/src/quillo.exe "$run/demo.tqf" \
  "$run/quillo-demo.exe"
./scripts/wine-session.sh "$run" "$root/scripts/screenshots.sh" --inside "$root/$run/quillo-demo.exe" \
  "$root/build/win64/tests/win/quillo-driver.exe" "$out"
echo "screenshots: $out/playing.png $out/segment-list.png $out/about.png"
