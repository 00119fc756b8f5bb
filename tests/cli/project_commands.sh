#!/bin/bash
# project new, info and resave, and demo, from the command line, in a private
# application data folder; bad input must leave existing files as they were.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# new: the extension is added, the options apply, an existing file is never replaced
expect_exit 0 "$CLI" project new "$WORK/reel" --duration 95.5 --fps 25
[ -f "$WORK/reel.vnproj" ] || fail "project new did not write reel.vnproj"
grep -q '"totalDuration": 95.5,' "$WORK/reel.vnproj" || fail "duration not written"
grep -q '"fps": 25,' "$WORK/reel.vnproj" || fail "fps not written"
cp "$WORK/reel.vnproj" "$WORK/reel.before"
expect_exit 1 "$CLI" project new "$WORK/reel.vnproj"
one_sentence
cmp -s "$WORK/reel.vnproj" "$WORK/reel.before" || fail "project new replaced an existing project"
expect_exit 1 "$CLI" project new "$WORK/short" --duration -3
expect_exit 2 "$CLI" project new "$WORK/bad" --fps fast
expect_exit 2 "$CLI" project new
expect_exit 2 "$CLI" project frobnicate x
expect_exit 2 "$CLI" project
expect_exit 0 "$CLI" project --help

# info
expect_exit 0 "$CLI" project info "$WORK/reel.vnproj"
grep -q "^Format      version 9 (readable from version 1), saved by " "$WORK/out" || fail "info format: $(cat "$WORK/out")"
grep -q "^Timeline    95.5 s at 25 fps, 48000 Hz" "$WORK/out" || fail "info timeline: $(cat "$WORK/out")"
grep -q "^Events      0 (0 locked, 0 muted)" "$WORK/out" || fail "info events: $(cat "$WORK/out")"
grep -q "^Missing     0 files" "$WORK/out" || fail "info missing: $(cat "$WORK/out")"
expect_exit 1 "$CLI" project info "$WORK/absent.vnproj"
one_sentence
grep -q "File not found" "$WORK/err" || fail "missing file message: $(cat "$WORK/err")"
expect_exit 1 "$CLI" project info "$WORK"
one_sentence
printf 'RIFF....WAVEfmt ' >"$WORK/sound.wav"
expect_exit 1 "$CLI" project info "$WORK/sound.wav"
grep -q "Invalid JSON" "$WORK/err" || fail "not a project: $(cat "$WORK/err")"
printf '{"format": "Other"}' >"$WORK/other.vnproj"
expect_exit 1 "$CLI" project info "$WORK/other.vnproj"
grep -q "Not a Varnel project file" "$WORK/err" || fail "other format: $(cat "$WORK/err")"

# A newer document is read, with the warning.
cat >"$WORK/newer.vnproj" <<'DOC'
{"format": "Varnel", "version": 14, "minReaderVersion": 12, "savedBy": "2031.4.0",
 "events": [{"time": 1, "shape": 1}, {"time": 2, "shape": 4}],
 "results": [{"filepath": "/no/such/boom.wav", "eventIdx": 0}]}
DOC
expect_exit 0 "$CLI" project info "$WORK/newer.vnproj"
grep -q "^Events      2: 1 Spot, 1 Bloom" "$WORK/out" || fail "events by shape: $(cat "$WORK/out")"
grep -q "^Missing     1 file$" "$WORK/out" || fail "missing count: $(cat "$WORK/out")"
grep -q "^  /no/such/boom.wav$" "$WORK/out" || fail "missing list: $(cat "$WORK/out")"
grep -q "^Warning     Newer version project (saved by v2031.4.0) - some data may be lost if you save$" "$WORK/out" \
  || fail "newer version warning: $(cat "$WORK/out")"

# resave: the same text again, and a failed save changes nothing
expect_exit 0 "$CLI" project resave "$WORK/reel.vnproj" "$WORK/copy"
cmp -s "$WORK/reel.vnproj" "$WORK/copy.vnproj" || fail "resave changed the document"
expect_exit 0 "$CLI" project resave "$WORK/newer.vnproj" "$WORK/older.vnproj"
grep -q "Newer version project" "$WORK/err" || fail "resave of a newer document gives no warning"
grep -q '"version": 9,' "$WORK/older.vnproj" || fail "resave did not write the current version"
mkdir -p "$WORK/taken.vnproj/inside"
expect_exit 1 "$CLI" project resave "$WORK/reel.vnproj" "$WORK/taken.vnproj"
one_sentence
[ -d "$WORK/taken.vnproj/inside" ] || fail "a failed resave disturbed the target"
[ ! -e "$WORK/taken.vnproj.tmp" ] || fail "a failed resave left its temporary file"
expect_exit 1 "$CLI" project resave "$WORK/absent.vnproj" "$WORK/x.vnproj"
[ ! -e "$WORK/x.vnproj" ] || fail "resave of a missing file wrote something"
if [ "$(id -u)" != 0 ]; then  # root writes into read-only folders
  mkdir "$WORK/locked" && cp "$WORK/reel.vnproj" "$WORK/locked/" && chmod a-w "$WORK/locked"
  expect_exit 1 "$CLI" project resave "$WORK/newer.vnproj" "$WORK/locked/reel.vnproj"
  cmp -s "$WORK/locked/reel.vnproj" "$WORK/reel.vnproj" || fail "a failed resave changed the old file"
fi

# demo
expect_exit 0 "$CLI" demo "$WORK/demo"
[ -f "$WORK/demo/demo.vnproj" ] || fail "demo wrote no project"
grep -q "^\[[0-9]*/[0-9]*\] Reopen the project" "$WORK/out" || fail "demo steps: $(cat "$WORK/out")"
for shape in Spot Bloom Contour Fill Clip Bed; do
  grep -q "^Events .* [0-9]* $shape" "$WORK/out" || fail "demo has no $shape event: $(grep Events "$WORK/out")"
done
grep -q "^Groups      2: Door, Footsteps (linked)" "$WORK/out" || fail "demo groups: $(cat "$WORK/out")"
grep -q "^Scenes      2: Kitchen, Street" "$WORK/out" || fail "demo scenes: $(cat "$WORK/out")"
grep -q "^  Foley .* 2 x mono \"Feet\"" "$WORK/out" || fail "demo busses: $(cat "$WORK/out")"
# The road ends with a delivery the ledger knows: the AAF, every WAV kind, the report
# and the sidecar, and the mixdown traced back to the demo project and its layers.
grep -q "^      Export complete - [0-9]* files" "$WORK/out" || fail "demo delivery: $(cat "$WORK/out")"
for f in demo.wav demo.aaf "demo delivery.txt" demo.vnprints.json; do
  [ -s "$WORK/demo/Delivery/$f" ] || fail "the demo delivered no $f: $(ls "$WORK/demo/Delivery")"
done
ls "$WORK/demo/Delivery/Clips/"*.wav "$WORK/demo/Delivery/Audio Files/"*.wav >/dev/null 2>&1 ||
  fail "the demo delivered no clips or AAF essence: $(ls -R "$WORK/demo/Delivery")"
grep -A3 "Trace a delivered clip back to its source" "$WORK/out" | grep -q "^      Print ~VN" ||
  fail "the demo's clip was not found in the ledger: $(cat "$WORK/out")"
grep -q "^        operation  export_clip$" "$WORK/out" || fail "the clip's print operation: $(cat "$WORK/out")"
grep -q "^        project    demo$" "$WORK/out" || fail "the clip's print project: $(cat "$WORK/out")"
grep -q "^        layers     1, 0 source files missing on this machine$" "$WORK/out" ||
  fail "a clip's Print names its one layer: $(cat "$WORK/out")"
grep -q "^          .* found    $WORK/demo/" "$WORK/out" || fail "the clip's source: $(cat "$WORK/out")"
# Every delivered WAV, the AAF's essence too, resolves to its own Print.
find "$WORK/demo/Delivery" -name '*.wav' -print0 | xargs -0 "$CLI" prints find >"$WORK/found" 2>&1 ||
  fail "prints find on the demo's delivery: $(grep "No print" "$WORK/found")"
[ "$(grep -c "^Print ~VN" "$WORK/found")" = "$(find "$WORK/demo/Delivery" -name '*.wav' | wc -l)" ] ||
  fail "not every delivered file has its Print: $(grep "No print" "$WORK/found")"
# Another demo elsewhere, once the first one's folder is gone, builds from its own sounds
# alone, not from the index of the same name that the first one left.
rm -rf "$WORK/demo"
expect_exit 0 "$CLI" demo "$WORK/demo-again" --no-export
grep -q "placeholder clip" "$WORK/out" && fail "the second demo drew on the first one's sounds: $(grep -A2 "Build the events" "$WORK/out")"
printf 'a file' >"$WORK/occupied"
expect_exit 1 "$CLI" demo "$WORK/occupied"
one_sentence
expect_exit 2 "$CLI" demo a b
echo "project commands: ok"
