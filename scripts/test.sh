#!/usr/bin/env bash
# Builds every configuration and runs every test: native, native with sanitizers, the threaded
# tests under ThreadSanitizer, the x86_64 Windows build under Wine, the fuzzers for a fixed
# number of runs, and the i686 release build with its checks.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

"$root/scripts/install-deps.sh" || { echo "test.sh: installing dependencies failed" >&2; exit 1; }

failed=()
started=$SECONDS
step() { # step <name> <command...>
  local name=$1 at=$SECONDS status
  shift
  echo "=== $name"
  "$@"
  status=$?
  echo "--- $name: $((SECONDS - at)) s"
  [ $status -eq 0 ] && return 0
  failed+=("$name")
  return 1
}

build() { # build <preset> [target...]
  local preset=$1
  shift
  cmake --preset "$preset" >"$root/build/$preset.configure.log" 2>&1 || {
    cat "$root/build/$preset.configure.log"
    return 1
  }
  local log="$root/build/$preset.build.log" status targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build --preset "$preset" "${targets[@]}" -- -k 0 >"$log" 2>&1
  status=$?
  grep -v -E '^\[[0-9]+/[0-9]+\]' "$log" | tail -60
  return $status
}

run_ctest() { # run_ctest <preset> [wine]
  local dir="$root/build/$1" log="$root/build/$1.ctest.log" status
  if [ "${2:-}" = wine ]; then
    "$root/scripts/wine-session.sh" "$dir" ctest --test-dir "$dir" -j2 --output-on-failure \
      >"$log" 2>&1
  else
    ctest --test-dir "$dir" -j2 --output-on-failure >"$log" 2>&1
  fi
  status=$?
  # The failures in full, then the runner's closing lines.
  if [ $status -ne 0 ]; then grep -B2 -A25 -E 'Failure|\*\*\*Failed|Exception|SEGFAULT|Timeout' "$log" | head -150; fi
  grep -A60 -E '^[0-9]+% tests passed' "$log" | head -40
  return $status
}

run_tsan() { # the tests whose threads share the ring, the clock and the lock, twenty times
  local dir="$root/build/native-tsan" log="$root/build/native-tsan.ctest.log" status
  TSAN_OPTIONS="halt_on_error=1" ctest --test-dir "$dir" -j2 --output-on-failure \
    -R '^(BlockRing|BlockChain|CriticalSection|TickSchedule|TimerPeriod)\.' \
    --repeat until-fail:20 >"$log" 2>&1
  status=$?
  if [ $status -ne 0 ]; then grep -B2 -A30 -E 'ThreadSanitizer|Failure|\*\*\*Failed' "$log" | head -150; fi
  grep -A3 -E '^[0-9]+% tests passed' "$log" | head -4
  return $status
}

run_on_screen() { # run_on_screen <preset> <Xvfb screen> <test>: one Windows test on another screen
  local dir="$root/build/$1" log="$root/build/$1.$2.ctest.log" status
  # The demo movie is already written by the full run; -FS keeps ctest from writing it again.
  QUILLO_XVFB_SCREEN=$2 "$root/scripts/wine-session.sh" "$dir" \
    ctest --test-dir "$dir" -R "^$3\$" -FS writer_demo --output-on-failure >"$log" 2>&1
  status=$?
  grep -A3 -E '^[0-9]+% tests passed' "$log" | head -4
  if grep -q -E 'Skipped|No tests were found' "$log"; then
    echo "$3 did not run on the $2 screen"
    return 1
  fi
  return $status
}

mkdir -p "$root/build"
step "build native" build native && step "test native" run_ctest native
step "build native-asan" build native-asan && step "test native-asan" run_ctest native-asan
step "build native-tsan" build native-tsan core_tests && step "test native-tsan" run_tsan
step "build win64" build win64 && step "test win64 (wine64)" run_ctest win64 wine &&
  step "test win64 on a 16-bit screen" run_on_screen win64 1024x768x16 \
    Playback.TrueColourSegmentOnASixteenBitScreen &&
  step "test win64 on an 8-bit screen" run_on_screen win64 1024x768x8 \
    Playback.EightBitSegmentRealisesItsPaletteOnAnEightBitScreen
step "build win32 (i686 release)" build win32 && step "check the i686 release" run_ctest win32
if [ -f "$root/fuzz/CMakeLists.txt" ]; then
  step "build fuzz" build fuzz && step "run fuzzers" "$root/scripts/run-fuzzers.sh" "$root/build/fuzz"
fi

echo "=== $((SECONDS - started)) s in all"
if [ ${#failed[@]} -ne 0 ]; then
  printf 'test.sh: FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "test.sh: every configuration built and every test passed"
