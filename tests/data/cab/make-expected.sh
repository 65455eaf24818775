#!/usr/bin/env bash
# Regenerate expected.tsv: what cabextract extracts from every cabinet in this folder.
#
# Only cabextract, python3 (raw header parsing, hashing) and coreutils are used.
# Nothing from the project itself is involved, so the results are an independent
# reference for the project's own cabinet reader.
#
# Usage: tests/data/cab/make-expected.sh          (writes tests/data/cab/expected.tsv)
#        tests/data/cab/make-expected.sh --stdout (prints the table instead)
#
# Output (tab separated):
#   # header comment (one line)
#   C  <cab path>  <cabextract exit status>
#   F  <cab path>  <raw CFFILE name bytes as lowercase hex>  <size>  <sha256>
# One C line per .cab file (sorted by path, byte order), followed by one F line per
# file that cabextract extracted without an error, in the order cabextract extracted
# them.  Each cabinet file is handed to cabextract on its own, with the working
# directory set to its folder, so cabextract can find the other parts of a set.
#
# The raw name is taken from the CFFILE entry itself (cabextract rewrites names
# when it writes files).  To map cabextract's output back to CFFILE entries this
# script predicts, from its own parse of the raw bytes, the list of entries
# cabextract will process (embedded cabinets found by searching for "MSCF",
# cabinet sets followed backwards and forwards), and checks that prediction
# against `cabextract -l` (count, sizes, dates, times, plain names) before using it.
# It also checks the per-file results against `cabextract -t` (status and MD5).
# Any disagreement stops the script.

set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="$here/expected.tsv"
to_stdout=0
if [[ ${1:-} == --stdout ]]; then to_stdout=1; fi

for tool in cabextract python3 stdbuf; do
    command -v "$tool" >/dev/null || { echo "make-expected.sh: $tool not found" >&2; exit 2; }
done

export LC_ALL=C
tmpout=$(mktemp)
trap 'rm -f "$tmpout"' EXIT

python3 - "$here" "$tmpout" <<'PY'
import glob
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT, OUT = sys.argv[1], sys.argv[2]
TIMEOUT = 600
NAME_MAX = 256          # longest string (incl. NUL) accepted in a cabinet header / CFFILE


def die(msg):
    sys.stderr.write("make-expected.sh: " + msg + "\n")
    sys.exit(1)


def note(msg):
    sys.stderr.write("  note: " + msg + "\n")


# ---------------------------------------------------------------- raw parsing
def cstring(b, off):
    """NUL-terminated string at off, at most NAME_MAX bytes including the NUL."""
    end = b.find(b"\0", off, off + NAME_MAX)
    if end < 0:
        return None, None
    return b[off:end], end + 1


def parse_cabinet(b, base):
    """Parse a cabinet whose "MSCF" is at b[base]. Returns a dict or None if invalid."""
    if base + 36 > len(b) or b[base:base + 4] != b"MSCF":
        return None
    (_sig, _r1, cb_cabinet, _r2, coff_files, _r3, vmin, vmaj, n_folders, n_files,
     flags, set_id, i_cabinet) = struct.unpack_from("<4sIIIIIBBHHHHH", b, base)
    if n_folders == 0 or n_files == 0:
        return None
    off = base + 36
    cb_folder_res = 0
    if flags & 4:
        if off + 4 > len(b):
            return None
        cb_hdr_res, cb_folder_res, _cb_data_res = struct.unpack_from("<HBB", b, off)
        off += 4 + cb_hdr_res
    prev = nxt = None
    if flags & 1:
        prev, off = cstring(b, off)
        if prev is None:
            return None
        _disk, off = cstring(b, off)
        if _disk is None:
            return None
    if flags & 2:
        nxt, off = cstring(b, off)
        if nxt is None:
            return None
        _disk, off = cstring(b, off)
        if _disk is None:
            return None
    off += n_folders * (8 + cb_folder_res)
    if off > len(b):
        return None
    # cabextract reads the CFFILE table right after the CFFOLDER table; it does not
    # seek to coffFiles (libmspack/hidden-files.cab tells the two apart)
    files = []
    for _ in range(n_files):
        if off + 16 > len(b):
            return None
        size, uoff, i_folder, date, time, attribs = struct.unpack_from("<IIHHHH", b, off)
        name, off = cstring(b, off + 16)
        if name is None or name == b"":
            return None
        if i_folder < 0xFFFD and i_folder >= n_folders:
            return None
        files.append(dict(name=name, size=size, ifolder=i_folder, date=date,
                          time=time, attribs=attribs))
    return dict(base=base, length=cb_cabinet, flags=flags, prev=prev, next=nxt,
                set_id=set_id, icab=i_cabinet, files=files)


def search_cabinets(b):
    """All cabinets found by scanning for "MSCF"; a valid cabinet's bytes are skipped."""
    found, pos = [], 0
    while True:
        at = b.find(b"MSCF", pos)
        if at < 0:
            return found
        cab = parse_cabinet(b, at)
        if cab is None:
            pos = at + 1
        else:
            found.append(cab)
            pos = max(at + cab["length"], at + 1)


def find_sibling(folder, name):
    """Case-insensitive file lookup in folder, like cabextract does for set parts."""
    want = name.lower()
    for entry in sorted(os.listdir(folder)):
        if os.fsencode(entry).lower() == want:
            return os.path.join(folder, entry)
    return None


def open_part(folder, name):
    path = find_sibling(folder, name)
    if path is None:
        return None
    with open(path, "rb") as fh:
        return parse_cabinet(fh.read(), 0)


def predict(folder, base):
    """(cabinet offsets, entries) that cabextract should report for folder/base."""
    with open(os.path.join(folder, base), "rb") as fh:
        data = fh.read()
    entries, offsets = [], []
    for cab in search_cabinets(data):
        offsets.append(cab["base"])
        chain = [cab]
        cur = cab
        while cur["flags"] & 1:
            p = open_part(folder, cur["prev"])
            if p is None:
                break
            chain.insert(0, p)
            cur = p
        cur = cab
        while cur["flags"] & 2:
            n = open_part(folder, cur["next"])
            if n is None:
                break
            chain.append(n)
            cur = n
        for k, part in enumerate(chain):
            for f in part["files"]:
                # entries continued from a previous part are merged with the entry of
                # the part where the file starts
                if k > 0 and f["ifolder"] in (0xFFFD, 0xFFFF):
                    continue
                entries.append(f)
    return offsets, entries


def dos_stamp(date, time):
    return "%02d.%02d.%04d %02d:%02d:%02d" % (
        date & 0x1F, (date >> 5) & 0x0F, (date >> 9) + 1980,
        time >> 11, (time >> 5) & 0x3F, (time & 0x1F) << 1)


def plain(name):
    return all(0x21 <= c <= 0x7E for c in name) and b"/" not in name \
        and b"\\" not in name and not name.startswith(b".")


# ---------------------------------------------------------------- cabextract
def run(args, cwd):
    try:
        p = subprocess.run(args, cwd=cwd, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        die("timeout: %s in %s" % (" ".join(args), cwd))
    return p


def run_merged(args, cwd):
    """stdout and stderr interleaved in order (line buffered)."""
    try:
        p = subprocess.run(["stdbuf", "-oL", "-eL"] + args, cwd=cwd,
                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        die("timeout: %s in %s" % (" ".join(args), cwd))
    return p.returncode, p.stdout.split(b"\n")


LIST_RE = re.compile(rb"^ *(\d+) \| (\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d) \| (.*)$")
TEST_RE = re.compile(rb"^  (.*?)  (?:OK +([0-9a-f]{32})|failed \((.*)\))$")


def listing(folder, base):
    p = run(["cabextract", "-l", base], folder)
    rows = []
    for line in p.stdout.split(b"\n"):
        m = LIST_RE.match(line)
        if m:
            rows.append((int(m.group(1)), m.group(2).decode(), m.group(3)))
    return rows


def extract(folder, base, tmp):
    """Returns exit status and [(output path relative to tmp, [error lines])]."""
    rc, lines = run_merged(["cabextract", "-d", tmp, base], folder)
    prefix = b"  extracting " + os.fsencode(tmp) + b"/"
    errprefix = os.fsencode(tmp) + b"/"
    done, cur = [], None
    for line in lines:
        if line.startswith(prefix):
            cur = (line[len(prefix):], [])
            done.append(cur)
        elif line.startswith(b"ERROR; file \"") or line.startswith(errprefix):
            if cur is None:
                die("%s: error before any file: %r" % (base, line))
            cur[1].append(line)
        elif line.startswith(b"WARNING; ") and cur is not None:
            pass    # e.g. "ran out of cabinets in set"; the failure itself follows
        elif line == b"" or line.startswith(b"All done") or \
                line.startswith(b"Extracting cabinet: "):
            cur = None
        elif cur is not None:
            die("%s: unexpected cabextract output after a file: %r" % (base, line))
    return rc, done


def test(folder, base):
    rc, lines = run_merged(["cabextract", "-t", base], folder)
    res = []
    for line in lines:
        m = TEST_RE.match(line)
        if m:
            res.append((m.group(2).decode() if m.group(2) else None, m.group(3)))
    return res


# ---------------------------------------------------------------- main
cabs = sorted(os.path.relpath(p, ROOT) for p in
              glob.glob(os.path.join(ROOT, "**", "*.cab"), recursive=True))
if not cabs:
    die("no .cab files under " + ROOT)

ver = subprocess.run(["cabextract", "--version"], stdout=subprocess.PIPE,
                     stderr=subprocess.STDOUT).stdout.decode().strip().splitlines()[0]
rows = ["# cabinet results from %s (make-expected.sh). "
        "C<TAB>cab<TAB>exit status; "
        "F<TAB>cab<TAB>raw CFFILE name (hex)<TAB>size<TAB>sha256" % ver]
n_files = 0
failed_cabs = []
for rel in cabs:
    folder = os.path.join(ROOT, os.path.dirname(rel))
    base = os.path.basename(rel)
    offsets, pred = predict(folder, base)
    listed = listing(folder, base)
    if listed:
        if len(listed) != len(pred):
            die("%s: cabextract lists %d files, predicted %d" % (rel, len(listed), len(pred)))
        for (size, stamp, name), e in zip(listed, pred):
            if size != e["size"] or stamp != dos_stamp(e["date"], e["time"]) or \
                    (plain(e["name"]) and name != e["name"]):
                die("%s: listing %r does not match CFFILE %r" % (rel, (size, stamp, name), e))
    elif pred:
        note("%s: cabextract finds no cabinet; this script's parse finds %d entries"
             % (rel, len(pred)))
    tmp = tempfile.mkdtemp(prefix="cabx-")
    try:
        rc, done = extract(folder, base, tmp)
        rows.append("C\t%s\t%d" % (rel, rc))
        if rc != 0:
            failed_cabs.append(rel)
        if not done:
            if listed:
                die("%s: cabextract lists files but extracted none" % rel)
            continue
        if len(done) != len(pred) or not listed:
            die("%s: cabextract extracted %d entries, predicted %d" % (rel, len(done), len(pred)))
        ok = [not errs for _path, errs in done]
        # data: split `cabextract -p` output when nothing failed; otherwise read the
        # files written to tmp (only entries that are the last writer of their path)
        data = [None] * len(done)
        if all(ok):
            p = run(["cabextract", "-p", base], folder)
            blob, pos = p.stdout, 0
            for i, e in enumerate(pred):
                data[i] = blob[pos:pos + e["size"]]
                pos += e["size"]
            if pos != len(blob) or p.returncode != rc:
                die("%s: cabextract -p gave %d bytes (rc %d), expected %d (rc %d)"
                    % (rel, len(blob), p.returncode, pos, rc))
        last = {}
        for i, (path, _errs) in enumerate(done):
            last[path] = i
        for i, (path, _errs) in enumerate(done):
            if not ok[i] or last[path] != i:
                continue
            with open(os.path.join(os.fsencode(tmp), path), "rb") as fh:
                ondisk = fh.read()
            if data[i] is None:
                data[i] = ondisk
            elif data[i] != ondisk:
                die("%s: -p data and extracted file %r differ" % (rel, path))
        for i in range(len(done)):
            if ok[i] and data[i] is None:
                die("%s: entry %d shares its output path with a later entry and the "
                    "cabinet has failures; cannot tell its data" % (rel, i))
            if ok[i] and len(data[i]) != pred[i]["size"]:
                die("%s: entry %d is %d bytes, CFFILE says %d"
                    % (rel, i, len(data[i]), pred[i]["size"]))
        # second opinion: cabextract -t (status and MD5 of every file)
        t = test(folder, base)
        if len(t) != len(done):
            die("%s: cabextract -t reports %d files, extraction %d" % (rel, len(t), len(done)))
        for i, (md5, err) in enumerate(t):
            if ok[i] != (md5 is not None):
                die("%s: entry %d: extraction %s but -t %s" % (rel, i,
                    "ok" if ok[i] else "failed", "ok" if md5 else "failed"))
            if ok[i] and hashlib.md5(data[i]).hexdigest() != md5:
                die("%s: entry %d: MD5 differs from cabextract -t" % (rel, i))
        for i, e in enumerate(pred):
            if ok[i]:
                rows.append("F\t%s\t%s\t%d\t%s" % (rel, e["name"].hex(), e["size"],
                                                    hashlib.sha256(data[i]).hexdigest()))
                n_files += 1
        if offsets and offsets != [0]:
            note("%s: cabinets at offsets %s" % (rel, offsets))
        for i, (path, errs) in enumerate(done):
            if errs:
                note("%s: entry %d (%s) failed: %s" % (rel, i, pred[i]["name"].hex(),
                     errs[-1].decode("utf-8", "replace")))
    finally:
        shutil.rmtree(tmp)

with open(OUT, "w") as fh:
    fh.write("\n".join(rows) + "\n")
sys.stderr.write("make-expected.sh: %d cabinet files, %d F lines, %d with non-zero exit status\n"
                 % (len(cabs), n_files, len(failed_cabs)))
PY

if (( to_stdout )); then
    cat "$tmpout"
else
    cat "$tmpout" >"$out"
    echo "make-expected.sh: wrote $out" >&2
fi
