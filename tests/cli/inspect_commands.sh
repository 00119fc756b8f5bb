#!/bin/bash
# inspect from the command line: a rendered mix read back (format, layout, bext,
# recipe, manifest with every source found), the JSON form, a WAV from another
# program, and the user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# Usage errors: exit 2.
expect_exit 2 "$CLI" inspect
expect_exit 2 "$CLI" inspect "$WORK/x.wav" --fps 0
expect_exit 2 "$CLI" inspect "$WORK/x.wav" --fps fast
expect_exit 2 "$CLI" inspect "$WORK/x.wav" --colour
expect_exit 0 "$CLI" inspect --help
grep -q "^usage: varnel-cli inspect FILE" "$WORK/out" || fail "help: $(cat "$WORK/out")"

# User errors: one sentence, exit 1.
echo "not a sound" >"$WORK/notes.txt"
expect_exit 1 "$CLI" inspect "$WORK/notes.txt"
one_sentence
grep -q "notes.txt is not a file inspect can read" "$WORK/err" || fail "not a WAV: $(cat "$WORK/err")"
expect_exit 1 "$CLI" inspect "$WORK/absent.wav"
one_sentence
printf 'RIFF\x04\x00\x00\x00WAVEjunk' >"$WORK/broken.wav"
expect_exit 1 "$CLI" inspect "$WORK/broken.wav"
one_sentence

# A WAV from another program shows what it has.
write_noise_wav "$WORK/noise.wav" 4800
expect_exit 0 "$CLI" inspect "$WORK/noise.wav"
grep -q "^Channels: 1, Mono$" "$WORK/out" || fail "noise channels: $(cat "$WORK/out")"
grep -q "^Length: 4800 frames, 0.100 s$" "$WORK/out" || fail "noise length: $(cat "$WORK/out")"
grep -q "^bext: none$" "$WORK/out" || fail "noise bext: $(cat "$WORK/out")"
[ "$(tail -n 1 "$WORK/out")" = "No recipe or manifest in this file." ] || fail "noise payloads: $(cat "$WORK/out")"
expect_exit 0 "$CLI" inspect --json "$WORK/noise.wav"
python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))
assert r["channels"] == 1 and r["frames"] == "4800", r
assert r["note"] == "No recipe or manifest in this file.", r
assert "manifest" not in r and "bext" not in r, r
' "$WORK/out" || fail "noise JSON: $(cat "$WORK/out")"

# A rendered 5.1 mix carries the project's recipe and the manifest of its layers.
expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
PROJECT="$WORK/demo/demo.vnproj"
expect_exit 0 "$CLI" build "$PROJECT" --seed 3
expect_exit 0 "$CLI" render "$PROJECT" -o "$WORK/mix51.wav" --layout 5.1
ls "$WORK"/*.part "$WORK"/*.tmp >/dev/null 2>&1 && fail "render left a partial file behind"
ffprobe -v error -show_entries stream=channels,channel_layout,codec_name -of default=nw=1 "$WORK/mix51.wav" \
  >"$WORK/probe" 2>&1
[ "$(cat "$WORK/probe")" = "$(printf 'codec_name=pcm_s24le\nchannels=6\nchannel_layout=5.1')" ] ||
  fail "ffprobe of the 5.1 render: $(cat "$WORK/probe")"
expect_exit 0 "$CLI" inspect "$WORK/mix51.wav" --fps 25
grep -q "^Format: WAVEX (Microsoft), Signed 24 bit PCM, 48000 Hz$" "$WORK/out" || fail "format: $(cat "$WORK/out")"
grep -q "^Channels: 6, 5.1 (L R C LFE Ls Rs), mask 0x3F$" "$WORK/out" || fail "layout: $(cat "$WORK/out")"
grep -q "^  Originator:           Varnel$" "$WORK/out" || fail "bext: $(cat "$WORK/out")"
grep -q "^  Time reference:       [0-9]* samples = .* at 25 fps$" "$WORK/out" || fail "time ref: $(cat "$WORK/out")"
grep -q "^  Designer: Varnel$" "$WORK/out" || fail "iXML: $(cat "$WORK/out")"
grep -q "^Recipe: [1-9][0-9]* events*$" "$WORK/out" || fail "recipe: $(cat "$WORK/out")"
grep -q "^  Layers ([1-9][0-9]*):$" "$WORK/out" || fail "layers: $(cat "$WORK/out")"
grep -q "^    found  " "$WORK/out" || fail "sources: $(cat "$WORK/out")"
grep -q "^    missing" "$WORK/out" && fail "a demo source is missing: $(cat "$WORK/out")"
grep -q "No recipe or manifest" "$WORK/out" && fail "payloads not found: $(cat "$WORK/out")"

expect_exit 0 "$CLI" inspect --json "$WORK/mix51.wav"
python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))
assert r["channels"] == 6 and r["channelMask"] == 63 and r["layout"] == "5.1", r["layout"]
assert r["bext"]["originator"] == "Varnel" and r["bext"]["version"] == 1, r["bext"]
assert len(r["recipe"]) > 0
m = r["manifest"]
assert m["version"] == 1 and len(m["layers"]) > 0 and len(m["fileRefs"]) > 0
assert all(f["found"] for f in m["fileRefs"]), m["fileRefs"]
' "$WORK/out" || fail "JSON of the mix: $(head -c 2000 "$WORK/out")"

# Several files: each is shown; one that cannot be read makes the exit 1.
expect_exit 1 "$CLI" inspect "$WORK/mix51.wav" "$WORK/notes.txt" "$WORK/noise.wav"
grep -q "^Channels: 6, 5.1" "$WORK/out" || fail "first of three: $(cat "$WORK/out")"
grep -q "^No recipe or manifest in this file.$" "$WORK/out" || fail "third of three: $(cat "$WORK/out")"
one_sentence

# A source that has gone is marked missing.
src=$(python3 -c '
import json, sys
print(json.load(open(sys.argv[1]))["manifest"]["fileRefs"][0]["path"])' <("$CLI" inspect --json "$WORK/mix51.wav"))
[ -f "$src" ] || fail "first source not a file: $src"
mv "$src" "$src.moved"
expect_exit 0 "$CLI" inspect "$WORK/mix51.wav"
grep -q "^    missing  [0-9a-f]*  $src$" "$WORK/out" || fail "moved source: $(cat "$WORK/out")"
exit 0
