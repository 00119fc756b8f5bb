# Shared by the command-line tests (sourced, not run): a private work folder with
# its own application data folder and home, removed at the end, and the checks.
# The sourcing script sets CLI to the varnel-cli path first.
WORK=$(mktemp -d)
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
export APPDATA="$WORK/appdata" HOME="$WORK/home"
mkdir -p "$HOME"
# Update checks go to a closed local port unless a test names its own server.
export VN_UPDATE_URL="https://127.0.0.1:1/manifest.json"
unset VN_UPDATE_CA_FILE

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_exit() {  # expect_exit CODE COMMAND...
  local want=$1; shift
  "$@" >"$WORK/out" 2>"$WORK/err"
  local got=$?
  [ "$got" = "$want" ] || fail "'$*' exited $got, expected $want: $(cat "$WORK/err")"
}
one_sentence() {  # a user error is one line on standard error
  [ "$(wc -l <"$WORK/err")" = 1 ] || fail "expected one line on stderr: $(cat "$WORK/err")"
}

# A mono 16-bit 48 kHz WAV of noise: 44-byte header, then FRAMES random samples.
write_noise_wav() {  # write_noise_wav PATH FRAMES
  local bytes=$(($2 * 2))
  le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
  { printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16; printf '\x01\x00\x01\x00'
    le32 48000; le32 96000; printf '\x02\x00\x10\x00data'; le32 $bytes
    head -c $bytes /dev/urandom; } >"$1"
}
