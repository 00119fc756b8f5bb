#!/bin/bash
# trace and markers from the command line: the demo's video read into a new
# project, a session text's markers and scenes, and the usage and user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
VIDEO="$WORK/demo/demo_picture.mp4"
[ -f "$VIDEO" ] || fail "the demo made no video"
[ -f "$WORK/demo/demo_picture_trace.vntrace" ] || fail "the demo wrote no trace file"
expect_exit 0 "$CLI" project new "$WORK/p.vnproj"

# Read the picture into the project, keeping everything above a low line.
expect_exit 0 "$CLI" trace "$VIDEO" -o "$WORK/reel.vntrace" --into "$WORK/p.vnproj" --slice 0.05
grep -q '^\[Video\] loaded via FFmpeg (mpeg4) 320x180 20.00fps' "$WORK/out" || fail "no load line: $(cat "$WORK/out")"
grep -Eq '^ +0 +2\.0[0-9]{2}s +00:00:02:0[0-9] +Spot +FG +1\.000 +1\.000 +yes$' "$WORK/out" ||
  fail "the flash at 2 s is not the first event: $(cat "$WORK/out")"
grep -Eq 'Cluster +FG +1\.000 +1\.000 +yes$' "$WORK/out" || fail "the regular flashes are not one Cluster: $(cat "$WORK/out")"
grep -q "^Imported [0-9]* events into $WORK/p.vnproj (keeping above the line at 0.05)$" "$WORK/out" ||
  fail "import line: $(tail -2 "$WORK/out")"
head -2 "$WORK/reel.vntrace" | tail -1 | grep -qx '  "vntrace_version": 1,' || fail "trace file: $(head -3 "$WORK/reel.vntrace")"
expect_exit 0 "$CLI" project info "$WORK/p.vnproj"
grep -q "^Events      [1-9][0-9]*: " "$WORK/out" || fail "no events in the project: $(cat "$WORK/out")"
grep -q "^Video       $VIDEO$" "$WORK/out" || fail "the project does not name the video: $(cat "$WORK/out")"

# Keeping below a line at 0 keeps nothing but the flattest; without -o the file goes beside the project.
expect_exit 0 "$CLI" trace "$VIDEO" --into "$WORK/p.vnproj" --slice 0 --below
grep -q "^Imported 0 events into .* (keeping below the line at 0.00)$" "$WORK/out" || fail "below: $(tail -1 "$WORK/out")"
[ -f "$WORK/demo_picture_trace.vntrace" ] || fail "no trace file beside the project"

# Markers and scenes of a session text export.
printf '%s\n' "SAMPLE RATE:	48000.000000" "TIMECODE FORMAT:	25 Frame" "" "M A R K E R S  L I S T I N G" \
  "#   	LOCATION     	TIME REFERENCE    	UNITS    	NAME                  	COMMENTS" \
  "1   	00:00:01:12  	                  	Samples  	Door slam             	heavy" \
  "2   	00:00:03:00  	192000            	Samples  	whoosh: bloom high air	" \
  "3   	00:00:05:00  	                  	Samples  	Scene, Street, dusk   	" \
  "" "T R A C K  L I S T I N G" "1	00:00:09:00	0	Samples	Not a marker" >"$WORK/session.txt"
expect_exit 0 "$CLI" markers "$WORK/session.txt" --into "$WORK/p.vnproj"
grep -q "^  00:00:01:12  Spot   Door slam$" "$WORK/out" || fail "marker line: $(cat "$WORK/out")"
grep -q "^  00:00:04:00  Bloom  whoosh: bloom high air$" "$WORK/out" || fail "sample-count marker: $(cat "$WORK/out")"
grep -q "^  00:00:05:00  Scene  Street$" "$WORK/out" || fail "scene line: $(cat "$WORK/out")"
grep -q "^Imported 2 markers and 1 scene into $WORK/p.vnproj$" "$WORK/out" || fail "markers summary: $(tail -1 "$WORK/out")"

# Bad input: one sentence and exit 1, the project untouched; bad usage: exit 2.
cp "$WORK/p.vnproj" "$WORK/before.vnproj"
printf 'not a video' >"$WORK/fake.mp4"
expect_exit 1 "$CLI" trace "$WORK/fake.mp4" --into "$WORK/p.vnproj"
one_sentence
grep -q "^Couldn't decode this video - use an H.264 .mp4 proxy.$" "$WORK/err" || fail "fake video: $(cat "$WORK/err")"
: >"$WORK/empty.mp4"
expect_exit 1 "$CLI" trace "$WORK/empty.mp4"
one_sentence
expect_exit 1 "$CLI" trace "$WORK/absent.mp4"
one_sentence
expect_exit 1 "$CLI" trace "$VIDEO" --into "$WORK/absent.vnproj"
printf 'no markers here\n' >"$WORK/plain.txt"
expect_exit 1 "$CLI" markers "$WORK/plain.txt" --into "$WORK/p.vnproj"
one_sentence
expect_exit 1 "$CLI" markers "$WORK/absent.txt" --into "$WORK/p.vnproj"
one_sentence
cmp -s "$WORK/p.vnproj" "$WORK/before.vnproj" || fail "a failed command changed the project"
expect_exit 2 "$CLI" trace
expect_exit 2 "$CLI" trace "$VIDEO" --slice 0.5
expect_exit 2 "$CLI" trace "$VIDEO" --into "$WORK/p.vnproj" --slice 1.5
expect_exit 2 "$CLI" trace "$VIDEO" --frobnicate
expect_exit 2 "$CLI" markers "$WORK/session.txt"
expect_exit 0 "$CLI" trace --help
expect_exit 0 "$CLI" markers --help
exit 0
