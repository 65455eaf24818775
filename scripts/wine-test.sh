#!/usr/bin/env bash
# Runs one Windows test program under wine64 (the build's test launcher). A program that ends
# with a failure gets a line on stderr naming its exit code and run time, so that a process
# that died before it could write anything still leaves a trace in the test log.
start=$(date +%s%N)
/usr/lib/wine/wine64 "$@"
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "wine-test: $(basename "$1") exited with $rc after $((($(date +%s%N) - start) / 1000000)) ms" >&2
fi
exit "$rc"
