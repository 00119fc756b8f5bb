#!/bin/bash
# classify, libs, palette, missing and relink from the command line, in a private
# application data folder.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# classify
expect_exit 0 "$CLI" classify door
grep -q "^DOORAntq	category: doors	subcategory: .*	score: 6	margin: 0$" "$WORK/out" || fail "classify door: $(cat "$WORK/out")"
expect_exit 0 "$CLI" classify take01 mono
grep -q "^DSGNMisc	.*score: 0	" "$WORK/out" || fail "classify take01 mono: $(cat "$WORK/out")"
expect_exit 0 "$CLI" classify DOOR_Door-Heavy.wav
grep -q "^DOOR" "$WORK/out" || fail "classify of a file name: $(cat "$WORK/out")"
expect_exit 2 "$CLI" classify
expect_exit 0 "$CLI" classify --help

# libs and palette
expect_exit 0 "$CLI" libs
grep -q "^No Libraries in $APPDATA/Varnel" "$WORK/out" || fail "libs on an empty folder: $(cat "$WORK/out")"
printf 'not really audio' >"$WORK/pick.wav"
expect_exit 0 "$CLI" palette create "Picks" "$WORK/pick.wav" "$WORK/pick.wav"
grep -q '^Palette "Picks": 1 file, written to ' "$WORK/out" || fail "palette create: $(cat "$WORK/out")"
expect_exit 0 "$CLI" palette create "Picks" "$WORK/pick.wav"
grep -q '^Palette "Picks 2"' "$WORK/out" || fail "second palette name: $(cat "$WORK/out")"
expect_exit 1 "$CLI" palette create "None" "$WORK/absent.wav"
expect_exit 2 "$CLI" palette remove "Picks"
expect_exit 0 "$CLI" libs
grep -q "^Picks .* 1 file .*\[palette\]$" "$WORK/out" || fail "libs after palette: $(cat "$WORK/out")"
[ "$(wc -l <"$WORK/out")" = 2 ] || fail "libs should list two Palettes: $(cat "$WORK/out")"

# missing and relink: a project whose one source moved away
mkdir -p "$WORK/found/deeper" "$WORK/project"
head -c 70000 /dev/urandom >"$WORK/found/deeper/boom.wav"
head -c 1000 /dev/urandom >"$WORK/found/boom.wav"  # the old name, another size
HASH=$(python3 - "$WORK/found/deeper/boom.wav" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
h = 0x14650fb0739d0383
def feed(h, chunk):
    for b in chunk:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h
h = feed(h, data[:65536])
if len(data) > 65536:
    h = feed(h, data[-65536:])
h = feed(h, len(data).to_bytes(8, 'little'))
print('%016x' % (h or 1))
PY
) || fail "python3 is needed to compute the fingerprint"
cat >"$WORK/project/p.vnproj" <<JSON
{
  "format": "Varnel",
  "version": 9,
  "fileRefs": [{"id": "00112233445566aa", "hash": "$HASH", "size": "70000", "path": "$WORK/old/boom.wav"}],
  "events": [{}, {}],
  "results": [{"name": "Boom", "filepath": "$WORK/old/boom.wav", "fileId": "00112233445566aa", "eventIdx": 1}]
}
JSON
expect_exit 0 "$CLI" missing "$WORK/project/p.vnproj"
grep -q "^  MISSING SOURCES (1)$" "$WORK/out" || fail "missing header: $(cat "$WORK/out")"
grep -q "^00112233445566aa  Last-known location: $WORK/old/boom.wav  (used by 1 event)$" "$WORK/out" ||
  fail "missing row: $(cat "$WORK/out")"
expect_exit 1 "$CLI" missing "$WORK/project/none.vnproj"
expect_exit 1 "$CLI" relink "$WORK/project/p.vnproj" "$WORK/no-such-folder"
expect_exit 1 "$CLI" relink "$WORK/project/p.vnproj" "$WORK/found" --id ffffffffffffffff
expect_exit 0 "$CLI" relink "$WORK/project/p.vnproj" "$WORK/found"
grep -q "^Relinked 1 file$" "$WORK/out" || fail "relink: $(cat "$WORK/out")"
expect_exit 0 "$CLI" missing "$WORK/project/p.vnproj"
grep -q "^No missing sources$" "$WORK/out" || fail "missing after relink: $(cat "$WORK/out")"
expect_exit 0 "$CLI" relink "$WORK/project/p.vnproj" "$WORK/found"
grep -q "^No matching files found$" "$WORK/out" || fail "second relink: $(cat "$WORK/out")"
echo "library commands: ok"
