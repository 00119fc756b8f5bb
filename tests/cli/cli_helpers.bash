# Shared by the command-line tests (sourced, not run): a private work folder with
# its own application data folder and home, removed at the end, and the checks.
# The sourcing script sets CLI to the varnel-cli path first.
WORK=$(mktemp -d)
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
export APPDATA="$WORK/appdata" HOME="$WORK/home"
mkdir -p "$HOME"

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
