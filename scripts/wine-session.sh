#!/usr/bin/env bash
# Runs a command inside one Wine session: a private Xvfb display, a prefix inside the build
# folder, one persistent wineserver and one wineboot up front, so that each test process
# starts in a fraction of a second. Everything is torn down afterwards.
#   scripts/wine-session.sh <build-dir> <command> [args...]
# QUILLO_XVFB_SCREEN sets the screen (default 1024x768x24; x8 and x16 give palette and
# high-colour screens).
set -uo pipefail

build_dir=$(cd "$1" && pwd)
shift

export WINEPREFIX="$build_dir/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
# ANSI code page 1251 for the Russian texts.
if locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then export LC_ALL=ru_RU.UTF-8; fi

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 "${QUILLO_XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"

wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" >/dev/null 2>&1 || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
"$wineserver" -p >/dev/null 2>&1
# Wine's own services must not inherit the caller's output pipes, or the caller never returns.
/usr/lib/wine/wine64 wineboot -i </dev/null >"$build_dir/wineboot.log" 2>&1
# There is no window manager on this display: a top-level window that Wine leaves to one waits
# two seconds for it at every hide, and none answers. Wine manages the windows itself.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  </dev/null >>"$build_dir/wineboot.log" 2>&1
# A program that crashes ends with its exception as its exit code, with no dialog to wait for.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 \
  /f </dev/null >>"$build_dir/wineboot.log" 2>&1
# This Wine looks for its own fonts (Tahoma, MS Sans Serif, Marlett) outside the folder that
# fonts-wine fills; the prefix's font folder is always searched.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for f in /usr/share/wine/fonts/*.ttf; do [ -e "$f" ] && ln -sf "$f" "$fonts/"; done

"$@"
