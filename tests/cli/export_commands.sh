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
echo "export commands: ok"
