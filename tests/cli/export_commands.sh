#!/bin/bash
# export from the command line: the demo delivered whole, every file read back by
# readers the program did not write, and the user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# Usage errors: exit 2.
expect_exit 2 "$CLI" export "$WORK/p.vnproj"
expect_exit 2 "$CLI" export "$WORK/p.vnproj" --out "$WORK/d" --wav mixdown,poster
expect_exit 2 "$CLI" export "$WORK/p.vnproj" --out "$WORK/d" --layout quad
expect_exit 2 "$CLI" export "$WORK/p.vnproj" --out "$WORK/d" --lufs -20
expect_exit 2 "$CLI" export "$WORK/p.vnproj" --out "$WORK/d" --handles 1 --full-source

# User errors: one sentence, exit 1, nothing written.
expect_exit 0 "$CLI" project new "$WORK/empty.vnproj"
expect_exit 1 "$CLI" export "$WORK/empty.vnproj" --out "$WORK/d" --wav mixdown
one_sentence
grep -q "no built layers" "$WORK/err" || fail "empty project: $(cat "$WORK/err")"
[ ! -e "$WORK/d" ] || fail "a refused export made its folder"

expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
PROJECT="$WORK/demo/demo.vnproj"
OUT="$WORK/delivery"
expect_exit 0 "$CLI" export "$PROJECT" --out "$OUT" --name Reel --wav mixdown,stems,tracks,clips --reverb-stem --lufs -23
last=$(tail -n 1 "$WORK/out")
[[ "$last" =~ ^Export\ complete\ -\ [0-9]+\ files$ ]] || fail "result line: $last"
count=$(find "$OUT" -name '*.wav' | wc -l)
[ "$last" = "Export complete - $count files" ] || fail "$count files on disk, the result says: $last"
[ -f "$OUT/Reel.wav" ] && [ -f "$OUT/Reel - Reverb.wav" ] || fail "mixdown or reverb stem missing: $(ls "$OUT")"
[ "$(ls "$OUT/Stems" | wc -l)" -ge 2 ] && [ "$(ls "$OUT/Tracks" | wc -l)" -ge 2 ] && [ "$(ls "$OUT/Clips" | wc -l)" -ge 2 ] ||
  fail "stems, tracks or clips missing"
while IFS= read -r -d '' f; do
  sndfile-info "$f" 2>&1 | grep -q 'Bit Width *: 24' || fail "sndfile-info does not read $f as 24-bit"
  ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$f" | grep -q '^pcm_s24le$' || fail "ffprobe: $f"
  case "$f" in *[\\:*?\"\<\>\|]*) fail "unsafe name: $f" ;; esac
done < <(find "$OUT" -name '*.wav' -print0)
expect_exit 0 "$CLI" loudness "$OUT/Reel.wav"
grep -q "Reel.wav: -23.0 LUFS .* 2 ch  48000 Hz" "$WORK/out" || fail "mixdown loudness: $(cat "$WORK/out")"
# A clip names its own print and the library files behind it, which exist.
clip=$(find "$OUT/Clips" -name '*.wav' | head -n 1)
expect_exit 0 "$CLI" inspect "$clip"
grep -q "^Print: ~VN" "$WORK/out" || fail "clip print: $(cat "$WORK/out")"
grep -q "^    found " "$WORK/out" || fail "clip sources: $(cat "$WORK/out")"
! grep -q "^    missing " "$WORK/out" || fail "a clip names a missing source: $(cat "$WORK/out")"

# Without the token the bext carries no print reference.
expect_exit 0 "$CLI" export "$PROJECT" --out "$WORK/plain" --wav mixdown --no-print-token
expect_exit 0 "$CLI" inspect "$WORK/plain/demo.wav"
! grep -q "^Print: ~VN" "$WORK/out" || fail "--no-print-token still wrote a print: $(cat "$WORK/out")"

# A folder that cannot be made: one result line, exit 1, nothing left behind.
touch "$WORK/blocker"
expect_exit 1 "$CLI" export "$PROJECT" --out "$WORK/blocker/out" --wav mixdown
[[ "$(tail -n 1 "$WORK/out")" == "Export FAILED - no files were written - "* ]] || fail "blocked: $(tail -n 1 "$WORK/out")"

# The delivery is in the ledger, with its report and the sidecar beside it.
[ -s "$OUT/Reel delivery.txt" ] && [ -s "$OUT/Reel.vnprints.json" ] || fail "report or sidecar missing: $(ls "$OUT")"
expect_exit 0 "$CLI" prints find "$OUT/Reel.wav"
grep -q "^  operation  export_mixdown$" "$WORK/out" || fail "the mixdown's print: $(cat "$WORK/out")"

# Conformed, the tracks are the busses' declared ones, each in its own format: the
# demo's Foley declares two mono tracks.
expect_exit 0 "$CLI" export "$PROJECT" --out "$WORK/fitted" --wav tracks --conform
grep -q "^Delivery: [1-9] busses\? declares\? tracks" "$WORK/fitted/demo delivery.txt" ||
  fail "fitted report: $(cat "$WORK/fitted/demo delivery.txt")"
mono=0
for f in "$WORK/fitted/Tracks/"*.wav; do
  sndfile-info "$f" 2>&1 | grep -q '^Channels *: 1$' && mono=$((mono + 1))
done
[ "$mono" -ge 1 ] || fail "no mono delivery track among: $(ls "$WORK/fitted/Tracks")"
expect_exit 2 "$CLI" export "$PROJECT" --out "$WORK/x" --conform --keep-source-channels

# The AAF inside the run: the session and its essence, read back.
expect_exit 0 "$CLI" export "$PROJECT" --out "$WORK/session" --aaf
[ -s "$WORK/session/demo.aaf" ] && ls "$WORK/session/Audio Files/"*.wav >/dev/null 2>&1 ||
  fail "the AAF run wrote: $(ls -R "$WORK/session")"
expect_exit 0 "$CLI" inspect "$WORK/session/demo.aaf"

# Variations: takes of one event, mono, peaks at -6 dBFS.
expect_exit 2 "$CLI" variations "$PROJECT" --out "$WORK/takes"
expect_exit 2 "$CLI" variations "$PROJECT" --events 0 --out "$WORK/takes" --rate 50000
expect_exit 1 "$CLI" variations "$PROJECT" --events 999 --out "$WORK/takes"
one_sentence
expect_exit 0 "$CLI" variations "$PROJECT" --events 0 --takes 3 --mono --normalize -6 --out "$WORK/takes"
[ "$(tail -n 1 "$WORK/out")" = "Exported 3 takes to $WORK/takes" ] || fail "variations: $(cat "$WORK/out")"
[ "$(ls "$WORK/takes" | wc -l)" = 3 ] && ls "$WORK/takes/"*_01.wav "$WORK/takes/"*_03.wav >/dev/null ||
  fail "takes: $(ls "$WORK/takes")"
for f in "$WORK/takes/"*.wav; do
  sndfile-info "$f" 2>&1 | grep -q '^Channels *: 1$' || fail "a take is not mono: $f"
  ffmpeg -nostdin -i "$f" -af volumedetect -f null - 2>&1 | grep -Eq 'max_volume: -(5\.9|6\.0|6\.1) dB' ||
    fail "a take's peak is not -6 dBFS: $(ffmpeg -nostdin -i "$f" -af volumedetect -f null - 2>&1 | grep max_volume)"
done

# Bounce: two events into one Clip whose file is a recorded Print, then back again.
events_of() { "$CLI" project info "$PROJECT" | sed -n 's/^Events *\([0-9]*\).*/\1/p'; }
n=$(events_of)
expect_exit 2 "$CLI" bounce "$PROJECT"
expect_exit 1 "$CLI" bounce "$PROJECT" --revert 0
one_sentence
expect_exit 0 "$CLI" bounce "$PROJECT" --events 0,1 --out "$WORK/bounces"
bounced=$(grep -x "$WORK/bounces/Bounce of .*\.wav" "$WORK/out")
[ -f "$bounced" ] || fail "bounce file: $(cat "$WORK/out")"
grep -q "^Bounced 2 events into the Clip at event $((n - 2)) " "$WORK/out" || fail "bounce line: $(cat "$WORK/out")"
[ "$(events_of)" = $((n - 1)) ] || fail "after the bounce $(events_of) events, before $n"
expect_exit 0 "$CLI" prints find "$bounced"
grep -q "^  operation  export_bounce$" "$WORK/out" || fail "bounce print: $(cat "$WORK/out")"
expect_exit 0 "$CLI" bounce "$PROJECT" --revert $((n - 2))
grep -q "^Restored 2 events / [1-9][0-9]* layers\?, locked$" "$WORK/out" || fail "revert: $(cat "$WORK/out")"
[ "$(events_of)" = "$n" ] || fail "after the revert $(events_of) events, before $n"
echo "export commands: ok"
