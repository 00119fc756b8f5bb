#!/bin/bash
# render and loudness from the command line: the demo project built and mixed in
# every layout, loudness-matched, with its reverb stem; and the user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# Usage errors: exit 2.
expect_exit 2 "$CLI" render "$WORK/p.vnproj"
expect_exit 2 "$CLI" render "$WORK/p.vnproj" -o "$WORK/x.wav" --layout quad
expect_exit 2 "$CLI" render "$WORK/p.vnproj" -o "$WORK/x.wav" --lufs -20
expect_exit 2 "$CLI" loudness

# User errors: one sentence, exit 1, nothing written.
expect_exit 1 "$CLI" render "$WORK/absent.vnproj" -o "$WORK/x.wav"
one_sentence
expect_exit 0 "$CLI" project new "$WORK/empty.vnproj"
expect_exit 1 "$CLI" render "$WORK/empty.vnproj" -o "$WORK/x.wav"
one_sentence
grep -q "no built layers" "$WORK/err" || fail "empty project: $(cat "$WORK/err")"
[ ! -e "$WORK/x.wav" ] || fail "a failed render wrote a file"
echo "not a sound" >"$WORK/junk.wav"
expect_exit 1 "$CLI" loudness "$WORK/junk.wav"
one_sentence

# The whole road: demo, build, render.
expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
PROJECT="$WORK/demo/demo.vnproj"
# The demo's Clip and Bed play their own files, and its video's guide track sits well
# under the built mix (ffmpeg measures both over the same four seconds).
grep -q '^      Clip "car horn": 1 layer from its own file$' "$WORK/out" || fail "demo clip: $(cat "$WORK/out")"
grep -q '^      Bed "street traffic": [1-9][0-9]* layers\? from its own files$' "$WORK/out" || fail "demo bed: $(cat "$WORK/out")"
mean_volume() {
  ffmpeg -hide_banner -nostats -ss 8 -t 4 -i "$1" -vn -af volumedetect -f null - 2>&1 |
    sed -n 's/.*mean_volume: \(-[0-9.]*\) dB.*/\1/p'
}
guide=$(mean_volume "$WORK/demo/demo_picture.mp4")
mix=$(mean_volume "$WORK/demo/demo_mix.wav")
[ -n "$guide" ] && [ -n "$mix" ] || fail "ffmpeg could not measure the demo's guide ($guide) or mix ($mix)"
awk -v g="$guide" -v m="$mix" 'BEGIN { exit !(g < m - 10) }' || fail "the guide track ($guide dB) is not well under the mix ($mix dB)"
expect_exit 0 "$CLI" build "$PROJECT" --seed 1
expect_exit 0 "$CLI" render "$PROJECT" -o "$WORK/mix.wav" --lufs -23 --reverb-stem "$WORK/verb.wav"
grep -q "^Rendered [1-9][0-9]* blocks, [0-9.]* s, Stereo, to " "$WORK/out" || fail "render: $(cat "$WORK/out")"
grep -q "^Integrated loudness: -23.0 LUFS$" "$WORK/out" || fail "loudness match: $(cat "$WORK/out")"
expect_exit 0 "$CLI" loudness "$WORK/mix.wav" "$WORK/verb.wav"
grep -q "mix.wav: -23.0 LUFS .* 2 ch  48000 Hz" "$WORK/out" || fail "loudness of the mix: $(cat "$WORK/out")"
grep -q "verb.wav: -[0-9.]* LUFS .* 2 ch" "$WORK/out" || fail "reverb stem: $(cat "$WORK/out")"

for layout in 7.1.4:12 binaural:2; do
  name=${layout%%:*}
  channels=${layout##*:}
  expect_exit 0 "$CLI" render "$PROJECT" -o "$WORK/mix_$name.wav" --layout "$name" --lufs -16
  expect_exit 0 "$CLI" loudness "$WORK/mix_$name.wav"
  grep -q ": -16.0 LUFS .* $channels ch " "$WORK/out" || fail "$name: $(cat "$WORK/out")"
done

# A second render over an existing file replaces it whole.
expect_exit 0 "$CLI" render "$PROJECT" -o "$WORK/mix.wav"
expect_exit 0 "$CLI" loudness "$WORK/mix.wav"
grep -q "mix.wav: -[0-9.]* LUFS" "$WORK/out" || fail "re-render: $(cat "$WORK/out")"
ls "$WORK"/*.tmp >/dev/null 2>&1 && fail "temporary files left behind"
exit 0
