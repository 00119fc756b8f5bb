#!/bin/bash
# build and reroll from the command line: the demo project built against a small
# scanned folder, without any Library, and the usage and user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
PROJECT="$WORK/demo/demo.vnproj"
mkdir -p "$WORK/sfx"
for i in 1 2 3 4 5 6 7 8; do write_noise_wav "$WORK/sfx/DOORWood_Slam_0$i.wav" $((6000 * i)); done
expect_exit 0 "$CLI" scan "$WORK/sfx"

# Without a Library every built event gets placeholders, and the status says why.
APPDATA="$WORK/nothing" expect_exit 0 "$CLI" build "$PROJECT" --seed 1
grep -q "^No palette - [0-9]* placeholder clips$" "$WORK/out" || fail "no-library status: $(tail -3 "$WORK/out")"
grep -q "\[Sketch\] Spot" "$WORK/out" || fail "no Spot placeholder: $(cat "$WORK/out")"

expect_exit 0 "$CLI" build "$PROJECT" --seed 1
grep -q "^Event 0 " "$WORK/out" || fail "no event lines: $(cat "$WORK/out")"
grep -q "DOORWood_Slam_0[1-8] .*score [0-9.]* " "$WORK/out" || fail "no scored sound: $(cat "$WORK/out")"
grep -q "^Built [0-9]* events - [0-9]* layers$" "$WORK/out" || fail "status line: $(tail -3 "$WORK/out")"
expect_exit 0 "$CLI" project info "$PROJECT"
grep -q "^Layers      [1-9]" "$WORK/out" || fail "no layers saved: $(cat "$WORK/out")"

# One event alone, and a time range.
expect_exit 0 "$CLI" build "$PROJECT" --event 2 --seed 9
[ "$(grep -c '^Event ' "$WORK/out")" = 1 ] || fail "--event built more than one event: $(cat "$WORK/out")"
grep -q "^Event 2 " "$WORK/out" || fail "--event 2: $(cat "$WORK/out")"
expect_exit 0 "$CLI" build "$PROJECT" --range 0 3
grep -q "^Built [0-9]* events\? - " "$WORK/out" || fail "--range: $(tail -2 "$WORK/out")"

# Next sound on the first layer: changed or told why not; the project stays readable.
expect_exit 0 "$CLI" reroll "$PROJECT" --layer 0 --narrow
grep -Eq "^(Layer 0: .* -> |No other sound fits layer 0)" "$WORK/out" || fail "reroll: $(cat "$WORK/out")"
expect_exit 0 "$CLI" project info "$PROJECT"

# Bad input: one sentence and exit 1; bad usage: exit 2. The project is untouched.
cp "$PROJECT" "$WORK/before.vnproj"
expect_exit 1 "$CLI" build "$WORK/absent.vnproj"
one_sentence
expect_exit 1 "$CLI" build "$PROJECT" --event 99
one_sentence
expect_exit 1 "$CLI" build "$PROJECT" --reference "$WORK/nowhere.wav"
expect_exit 1 "$CLI" reroll "$PROJECT" --layer 9999
one_sentence
cmp -s "$PROJECT" "$WORK/before.vnproj" || fail "a failed command changed the project"
expect_exit 2 "$CLI" build "$PROJECT" --range 5
expect_exit 2 "$CLI" build "$PROJECT" --range 9 3
expect_exit 2 "$CLI" build "$PROJECT" --seed many
expect_exit 2 "$CLI" build
expect_exit 2 "$CLI" reroll "$PROJECT"
expect_exit 0 "$CLI" build --help
expect_exit 0 "$CLI" reroll --help
echo "build and reroll commands: all checks passed"
