#!/usr/bin/env bash
# Checks the shipped 32-bit player as far as this machine can without running it: an i386 GUI
# program, static (only system DLLs imported), with its resources and version 1.5; then a
# self-playing demo made from it with tqpack attach, which tqpack info must accept.
#   scripts/check-release.sh <win32 build dir> <native tqpack>
set -uo pipefail
exe="$1/src/quillo.exe"
tqpack=$2
movie="$1/demo.tqf"
objdump=i686-w64-mingw32-objdump
failures=0
fail() { echo "check-release: $*" >&2; failures=$((failures + 1)); }

[ -f "$exe" ] || { echo "check-release: no $exe" >&2; exit 1; }
headers=$("$objdump" -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || fail "not an i386 program"
grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  fail "not a GUI program"
system='^(kernel32|user32|gdi32|winmm|comdlg32|shell32|advapi32|msvcrt|comctl32|ntdll)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table"
for dll in $imports; do
  grep -qiE "$system" <<<"$dll" || fail "imports $dll, which is not a system DLL"
done
"$objdump" -h "$exe" | grep -q ' \.rsrc ' || fail "no resource section"

# The resources by name (stored in UTF-16) and the fixed version 1.5.0.0.
python3 - "$exe" <<'PY' || failures=$((failures + 1))
import struct, sys
data = open(sys.argv[1], "rb").read()
bad = [n for n in ("TQAPP", "MENUP", "ABOUTBOX", "PMAINICON", "MAINICON", "PLAYBMP", "PAUSEBMP",
                   "STOPBMP", "SEGMENTSBMP", "PREVBMP", "NEXTBMP", "FULLSCREENBMP", "VELOCITYBMP")
       if n.encode("utf-16-le") not in data]
at = data.find(struct.pack("<I", 0xFEEF04BD))
version = struct.unpack_from("<II", data, at + 8) if at >= 0 else None
if bad:
    print("check-release: missing resources:", " ".join(bad), file=sys.stderr)
if version != (0x00010005, 0):
    print("check-release: the file version is not 1.5.0.0", file=sys.stderr)
sys.exit(1 if bad or version != (0x00010005, 0) else 0)
PY

player="$1/quillo-demo-i686.exe"
if "$tqpack" demo "$movie" >/dev/null && "$tqpack" attach "$exe" "$movie" "$player" >/dev/null && "$tqpack" info "$player" >/dev/null; then
  echo "check-release: $exe is $(stat -c %s "$exe") bytes; with the demo attached, $(stat -c %s "$player")"
else
  fail "tqpack did not make a self-playing player of $exe"
fi
echo "check-release: imports $(tr '\n' ' ' <<<"$imports")"
[ $failures -eq 0 ] && echo "check-release: the i686 release passes every check"
exit $((failures > 0))
