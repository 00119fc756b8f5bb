#!/bin/bash
# devices and play from the command line: a machine without any output says so,
# and a JACK server with its dummy driver plays the demo session in real time.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# Keep this test's sound servers to itself: no PulseAudio, no ALSA card, a JACK server of its own name.
export PULSE_SERVER=unix:/nonexistent ALSA_CONFIG_PATH=/nonexistent
export JACK_DEFAULT_SERVER="varnel-cli-test-$$"

expect_exit 2 "$CLI" play
expect_exit 2 "$CLI" play "$WORK/p.vnproj" --from 3 --to 2
expect_exit 2 "$CLI" play "$WORK/p.vnproj" --from soon
expect_exit 2 "$CLI" devices extra
expect_exit 1 "$CLI" play "$WORK/absent.vnproj"
one_sentence

expect_exit 0 "$CLI" project new "$WORK/unbuilt.vnproj"
expect_exit 1 "$CLI" play "$WORK/unbuilt.vnproj"
one_sentence
grep -q "no built layers" "$WORK/err" || fail "unbuilt project: $(cat "$WORK/err")"

# The demo builds its session; a build of our own seed replaces it.
expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
PROJECT="$WORK/demo/demo.vnproj"
expect_exit 0 "$CLI" build "$PROJECT" --seed 1

# Nothing to play on.
expect_exit 0 "$CLI" devices
grep -q "^No audio output is available on this machine.$" "$WORK/out" || fail "devices without output: $(cat "$WORK/out")"
expect_exit 1 "$CLI" play "$PROJECT"
one_sentence
grep -q "No audio output is available" "$WORK/err" || fail "play without output: $(cat "$WORK/err")"

# A real server, clocked by its dummy driver.
command -v jackd >/dev/null || fail "jackd is not installed (Debian package jackd2)"
# Test servers take turns (the lock goes with this script): two JACK servers starting
# at the same moment can trip over the registry they share.
exec 9>>"/tmp/varnel-test-jackd-$(id -u).lock"
flock 9
jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 256 >"$WORK/jackd.log" 2>&1 9>&- &
JACKD=$!
trap 'kill $JACKD 2>/dev/null; wait $JACKD 2>/dev/null; chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
for _ in $(seq 100); do
  "$CLI" devices 2>/dev/null | grep -q "system" && break
  kill -0 $JACKD 2>/dev/null || fail "jackd exited at start-up: $(cat "$WORK/jackd.log")"
  sleep 0.1
done
expect_exit 0 "$CLI" devices
grep -q "^  0  system - 2 output channels, 48000\* Hz (default)$" "$WORK/out" || fail "devices with a server: $(cat "$WORK/out")"

expect_exit 1 "$CLI" play "$PROJECT" --device "No Such Device"
one_sentence
expect_exit 2 "$CLI" play "$PROJECT" --from 1 --to 1

# Two seconds of the session, played in real time.
started=$(date +%s.%N)
expect_exit 0 "$CLI" play "$PROJECT" --from 1 --to 3 --device system
grep -q "^Playing on JACK \"system\" from 1.00 s to 3.00 s" "$WORK/out" || fail "play: $(cat "$WORK/out")"
# The display is printed as the playhead crosses each second, a frame or two late on a busy machine.
grep -q "^  00:00:02:0[0-2] " "$WORK/out" || fail "no time display: $(cat "$WORK/out")"
grep -q "^Played to the end at 3.0[0-9] s$" "$WORK/out" || fail "play end: $(cat "$WORK/out")"
playing=$(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
awk -v t="$playing" 'BEGIN { exit !(t >= 1.9) }' || fail "two seconds played in $playing s"

# A recipe's preview, heard in real time through the same output.
unset XDG_DOCUMENTS_DIR
expect_exit 0 "$CLI" recipe save "$PROJECT" --event 0 --name Hum --no-preview
write_noise_wav "$HOME/Documents/Varnel/Recipes/Hum_preview.wav" 48000
started=$(date +%s.%N)
expect_exit 0 "$CLI" recipe preview hum --device system
grep -q '^Playing the preview of "Hum" (1.00 s) on JACK "system"' "$WORK/out" || fail "preview: $(cat "$WORK/out")"
grep -q "^Played to the end at 1.00 s$" "$WORK/out" || fail "preview end: $(cat "$WORK/out")"
playing=$(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
awk -v t="$playing" 'BEGIN { exit !(t >= 0.95) }' || fail "a one-second preview played in $playing s"

# Ctrl-C stops playing cleanly.
"$CLI" play "$PROJECT" >"$WORK/out" 2>"$WORK/err" &
PLAYER=$!
for _ in $(seq 600); do grep -q "^  00:00:01:" "$WORK/out" && break; sleep 0.1; done
kill -INT $PLAYER
wait $PLAYER || fail "interrupted play exited $?: $(cat "$WORK/err")"
grep -q "^Stopped at [0-9.]* s$" "$WORK/out" || fail "interrupted play: $(cat "$WORK/out")"
exit 0
