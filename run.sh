#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on its built-in default.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset win32 >/dev/null
cmake --build --preset win32
# The player and its demo movie are not built yet: what exists so far is the portable core,
# and its work is shown by extracting a real cabinet with the reader the player will use.
cabinet=tests/data/cab/cabextract/large-files-cab.cab
out=$(mktemp -d)
./build/native/tools/tqcab/tqcab list "$cabinet"
./build/native/tools/tqcab/tqcab extract "$cabinet" "$out"
ls -l "$out"
rm -rf "$out"
