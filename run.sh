#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on its built-in default.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset win32 >/dev/null
cmake --build --preset win32
# The player itself is not built yet. Until it is, the main job is the movie it will play:
# the demo movie is written, then read back and checked segment by segment.
mkdir -p build/run
./build/native/tools/tqpack/tqpack demo build/run/demo.tqf
./build/native/tools/tqpack/tqpack info build/run/demo.tqf
