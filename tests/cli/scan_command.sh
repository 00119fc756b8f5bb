#!/bin/bash
# varnel-cli scan on a small folder: first scan, rescan with reuse, --force, a file
# that is not a sound, Ctrl-C during the analysis, and the usage and user errors.
set -u
CLI=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export APPDATA="$WORK/appdata" HOME="$WORK/home"
mkdir -p "$HOME" "$WORK/Foley Set/sub"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_exit() {  # expect_exit CODE COMMAND...
  local want=$1; shift
  "$@" >"$WORK/out" 2>"$WORK/err"
  local got=$?
  [ "$got" = "$want" ] || fail "'$*' exited $got, expected $want: $(cat "$WORK/err")"
}

# A mono 16-bit 48 kHz WAV of noise: 44-byte header, then FRAMES random samples.
write_wav() {  # write_wav PATH FRAMES
  local bytes=$(($2 * 2))
  le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
  { printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16; printf '\x01\x00\x01\x00'
    le32 48000; le32 96000; printf '\x02\x00\x10\x00data'; le32 $bytes
    head -c $bytes /dev/urandom; } >"$1"
}

write_wav "$WORK/Foley Set/WOODImpt_Crack_01.wav" 9000
write_wav "$WORK/Foley Set/sub/steps.wav" 4096
write_wav "$WORK/Foley Set/tiny.wav" 1000
printf 'plain text' >"$WORK/Foley Set/readme.txt"
printf 'not a sound at all' >"$WORK/Foley Set/broken.wav"

expect_exit 0 "$CLI" scan "$WORK/Foley Set"
tail -n 1 "$WORK/out" | grep -q "^Foley Set: 4 files found, 2 analysed, 0 reused, 2 failed - 2 files, " || fail "first scan: $(cat "$WORK/out")"
grep -q "failed: $WORK/Foley Set/broken.wav: it cannot be read as a sound file" "$WORK/out" || fail "broken file: $(cat "$WORK/out")"
grep -q "failed: $WORK/Foley Set/tiny.wav: it holds less than one 2048-frame block" "$WORK/out" || fail "tiny file: $(cat "$WORK/out")"
[ -f "$APPDATA/Varnel/Foley Set.vnlib" ] || fail "no index file"
grep -q "^# files: 2$" "$APPDATA/Varnel/Foley Set.vnlib" || fail "index file: $(head -3 "$APPDATA/Varnel/Foley Set.vnlib")"
grep -q "wood impact" "$APPDATA/Varnel/Foley Set.vnlib" || fail "category words missing from the index"

expect_exit 0 "$CLI" scan "$WORK/Foley Set/" --threads 1
grep -q "^Foley Set: 4 files found, 0 analysed, 2 reused, 2 failed - 2 files, " "$WORK/out" || fail "rescan: $(cat "$WORK/out")"
expect_exit 0 "$CLI" scan --force "$WORK/Foley Set"
grep -q "^Foley Set: 4 files found, 2 analysed, 0 reused, 2 failed - 2 files, " "$WORK/out" || fail "forced scan: $(cat "$WORK/out")"

# Ctrl-C once a tenth of 200 files is done: the scan stops, says how many files it
# kept, and their index is on disk.
mkdir -p "$WORK/Long Takes"
write_wav "$WORK/long.wav" 480000
for i in $(seq 100 299); do ln "$WORK/long.wav" "$WORK/Long Takes/take$i.wav"; done
"$CLI" scan "$WORK/Long Takes" --threads 1 >"$WORK/out" 2>"$WORK/err" &
pid=$!
for _ in $(seq 1 3000); do
  grep -q "Scanning Long Takes [1-9][0-9]*%" "$WORK/err" && break
  sleep 0.02
done
kill -INT $pid
wait $pid
got=$?
[ "$got" = 1 ] || fail "cancelled scan exited $got: $(cat "$WORK/err")"
kept=$(sed -n 's/^Scan cancelled: \([0-9]*\) of 200 files are indexed and saved\.$/\1/p' "$WORK/err")
[ -n "$kept" ] && [ "$kept" -ge 1 ] && [ "$kept" -lt 200 ] || fail "cancel message: $(cat "$WORK/err")"
grep -q "^# files: $kept$" "$APPDATA/Varnel/Long Takes.vnlib" || fail "cancelled index: $(head -3 "$APPDATA/Varnel/Long Takes.vnlib")"
tail -n 1 "$WORK/out" | grep -q "^Long Takes: 200 files found, $kept analysed, 0 reused, 0 failed - " || fail "cancelled report: $(cat "$WORK/out")"

mkdir -p "$WORK/Empty"
expect_exit 1 "$CLI" scan "$WORK/Empty"
grep -q "^No audio files found in $WORK/Empty.$" "$WORK/err" || fail "empty folder: $(cat "$WORK/err")"
expect_exit 1 "$CLI" scan "$WORK/Nowhere"
grep -q "does not exist" "$WORK/err" || fail "missing folder: $(cat "$WORK/err")"
expect_exit 2 "$CLI" scan
expect_exit 2 "$CLI" scan "$WORK/Foley Set" --threads many
expect_exit 2 "$CLI" scan "$WORK/Foley Set" --threads -1
expect_exit 0 "$CLI" scan --help
echo "scan command: all checks passed"
