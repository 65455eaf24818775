#!/usr/bin/env bash
# Plays a self-playing player under Wine with /closeonfinish and waits until the movie has
# played. With a screenshot path, a picture of the screen is taken during playback.
#   scripts/play-demo.sh <player.exe> [screenshot.png]
set -uo pipefail
player=$1
shot=${2:-}
wine=/usr/lib/wine/wine64
if [ -n "$shot" ]; then
  # No window manager runs on the virtual display: Wine's own desktop places and maximises the
  # window, and ends with the program.
  "$wine" explorer /desktop=quillo,1024x768 "$player" /closeonfinish &
else
  "$wine" "$player" /closeonfinish &
fi
pid=$!
if [ -n "$shot" ]; then
  # Wine's start and the movie's load take a few seconds; the first segment plays for twenty.
  for _ in $(seq 8); do sleep 1; kill -0 "$pid" 2>/dev/null || break; done
  import -window root "$shot"
fi
wait "$pid"
