#!/usr/bin/env bash
# Runs every fuzzer for a fixed number of inputs over its seed corpus. Longer runs are made by
# hand: FUZZ_RUNS=1000000 scripts/run-fuzzers.sh build/fuzz
set -euo pipefail
build_dir=$1
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${FUZZ_RUNS:-2000}
status=0
run() { # run <fuzzer> <seed folder>...
  local fuzzer=$1
  shift
  local scratch
  scratch=$(mktemp -d)
  if "$build_dir/fuzz/$fuzzer" -runs="$runs" -max_len=1048576 -timeout=10 -rss_limit_mb=2048 \
      "$scratch" "$@" >"$build_dir/$fuzzer.log" 2>&1; then
    echo "$fuzzer: $(grep -E '^#[0-9]+.*(DONE|pulse)' "$build_dir/$fuzzer.log" | tail -1)"
  else
    echo "$fuzzer: FAILED"
    tail -40 "$build_dir/$fuzzer.log"
    status=1
  fi
  rm -rf "$scratch"
}
run cab_reader_fuzzer "$root/fuzz/corpus/cab_reader" "$root/tests/data/cab"
run movie_loader_fuzzer "$root/fuzz/corpus/movie_loader"
run cursor_record_fuzzer "$root/fuzz/corpus/cursor_record"
run frame_codec_fuzzer "$root/fuzz/corpus/frame_codec"
run command_line_fuzzer "$root/fuzz/corpus/command_line"
exit $status
