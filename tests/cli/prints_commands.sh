#!/bin/bash
# prints from the command line: find, show, list, rebuild and recover on what an
# export leaves behind, then the same delivery on another machine (a second, empty
# application data folder, the library moved and scanned again) found through its
# sidecar and reverted into a project.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"
[ -n "${PRINT_WRITER:-}" ] || fail "PRINT_WRITER names the test writer"
export USER=mixer

# Usage errors: exit 2.
expect_exit 2 "$CLI" prints
expect_exit 2 "$CLI" prints fetch
expect_exit 2 "$CLI" prints find
expect_exit 2 "$CLI" prints show
expect_exit 2 "$CLI" prints list --last 0
expect_exit 2 "$CLI" prints list --into x
expect_exit 2 "$CLI" prints recover "$WORK/x.wav"
expect_exit 0 "$CLI" prints --help
grep -q "^usage: varnel-cli prints find FILE" "$WORK/out" || fail "help: $(cat "$WORK/out")"

# An empty ledger.
expect_exit 0 "$CLI" prints list
grep -q "^The ledger holds no prints.$" "$WORK/out" || fail "empty list: $(cat "$WORK/out")"

# A library, scanned, and an export of a session built from it.
mkdir -p "$WORK/lib" "$WORK/delivery"
write_noise_wav "$WORK/lib/slam.wav" 9600
write_noise_wav "$WORK/lib/whoosh.wav" 9600
expect_exit 0 "$CLI" scan "$WORK/lib"
"$PRINT_WRITER" "$WORK/delivery" Reel3 "$WORK/lib/slam.wav" "$WORK/lib/whoosh.wav" >"$WORK/writer.log" \
  || fail "writer: $(cat "$WORK/writer.log")"
[ -f "$WORK/delivery/Reel3.vnprints.json" ] || fail "no sidecar: $(ls "$WORK/delivery")"

expect_exit 0 "$CLI" prints list
[ "$(grep -c '~VN' "$WORK/out")" = 2 ] || fail "list: $(cat "$WORK/out")"
expect_exit 0 "$CLI" prints list --last 1
[ "$(grep -c '~VN' "$WORK/out")" = 1 ] || fail "list --last 1: $(cat "$WORK/out")"

expect_exit 0 "$CLI" prints find "$WORK/delivery/Reel3_stem.wav"
TOKEN=$(python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["records"]; print([x for x in r if x["operation"]=="export_stem"][0]["printToken"])' "$WORK/delivery/Reel3.vnprints.json")
grep -q "^Print $TOKEN " "$WORK/out" || fail "find token $TOKEN: $(cat "$WORK/out")"
grep -q "^  operation  export_stem$" "$WORK/out" || fail "find operation: $(cat "$WORK/out")"
grep -q "^  made       .* by mixer on " "$WORK/out" || fail "find operator: $(cat "$WORK/out")"
grep -q "^  project    Reel3$" "$WORK/out" || fail "find project: $(cat "$WORK/out")"
grep -q "^  layers     1, 0 source files missing" "$WORK/out" || fail "find layers: $(cat "$WORK/out")"
grep -q "primary   found    $WORK/lib/whoosh.wav" "$WORK/out" || fail "find source: $(cat "$WORK/out")"

expect_exit 0 "$CLI" prints show "$TOKEN"
grep -q "^  operation  export_stem$" "$WORK/out" || fail "show: $(cat "$WORK/out")"
expect_exit 1 "$CLI" prints show "~VN00000000"
one_sentence

# Files that are no Print: one line each, exit 1 when none matched.
write_noise_wav "$WORK/stranger.wav" 4800
expect_exit 1 "$CLI" prints find "$WORK/stranger.wav"
grep -q "^No print matches $WORK/stranger.wav$" "$WORK/out" || fail "no match: $(cat "$WORK/out")"
one_sentence
expect_exit 0 "$CLI" prints find "$WORK/stranger.wav" "$WORK/delivery/Reel3_mix.wav"
grep -q "^  operation  export_mixdown$" "$WORK/out" || fail "mixed find: $(cat "$WORK/out")"

# A damaged index is healed by rebuild.
printf '#vn_print_index\tv1\ntorn row\n' >"$APPDATA/Varnel/Prints/index.tsv"
expect_exit 0 "$CLI" prints rebuild
grep -q "^The index holds 2 prints.$" "$WORK/out" || fail "rebuild: $(cat "$WORK/out")"

# Another machine: only the delivery and its sidecar arrive; the library lives
# elsewhere now and was scanned there.
export APPDATA="$WORK/second appdata"
mkdir -p "$WORK/there/Audio Files"
cp "$WORK/delivery/Reel3_stem.wav" "$WORK/there/Audio Files/"
cp "$WORK/delivery/Reel3.vnprints.json" "$WORK/there/"
mv "$WORK/lib" "$WORK/moved lib"
expect_exit 0 "$CLI" scan "$WORK/moved lib"
expect_exit 0 "$CLI" project new "$WORK/target.vnproj"
expect_exit 0 "$CLI" prints find "$WORK/there/Audio Files/Reel3_stem.wav"
grep -q "^Print $TOKEN " "$WORK/out" || fail "find elsewhere: $(cat "$WORK/out")"
grep -q "found    $WORK/moved lib/whoosh.wav" "$WORK/out" || fail "moved source: $(cat "$WORK/out")"
expect_exit 0 "$CLI" prints recover "$WORK/there/Audio Files/Reel3_stem.wav" --into "$WORK/target.vnproj"
grep -q "^Restored 1 event / 1 layer, locked into $WORK/target.vnproj$" "$WORK/out" || fail "recover: $(cat "$WORK/out")"
python3 - "$WORK/target.vnproj" "$WORK/moved lib/whoosh.wav" <<'PY' || fail "recovered project"
import json, sys
p = json.load(open(sys.argv[1]))
events, results = p["events"], p["results"]
assert len(events) == 1 and events[0]["locked"] is True and abs(events[0]["time"] - 5.0) < 1e-6, events
assert events[0]["keywords"] == "whoosh", events
assert len(results) == 1 and results[0]["eventIdx"] == 0, results
path = results[0]["filepath"]
assert path == sys.argv[2] or path.endswith("whoosh.wav"), path
PY
expect_exit 1 "$CLI" prints recover "$WORK/stranger.wav" --into "$WORK/target.vnproj"
one_sentence
echo "prints commands: ok"
