#!/usr/bin/env bash
# usage: second_launch.sh VARNEL
# A second launch with a project hands the path to the running window and ends
# without opening one of its own; the first instance opens the project.
set -u
varnel=$1
source "$(dirname "$0")/../cli/cli_helpers.bash"
command -v xvfb-run >/dev/null ||
  fail "xvfb-run is not installed (Debian package xvfb), so the window cannot be tested"
mkdir -m 700 "$WORK/runtime"
export XDG_RUNTIME_DIR="$WORK/runtime"
project="$WORK/Second Reel.VNPROJ"  # capitals and a space: both must survive the trip
echo '{"format": "Varnel"}' >"$project"

cat >"$WORK/session.sh" <<'SESSION'
varnel=$1; project=$2
"$varnel" >"$WORK/first.log" 2>&1 &
first=$!
for _ in $(seq 600); do
  compgen -G "$XDG_RUNTIME_DIR/varnel-*.sock" >/dev/null && break
  kill -0 $first 2>/dev/null || break
  sleep 0.1
done
# Without a display the second launch could not open a window even if it tried.
(unset DISPLAY WAYLAND_DISPLAY; "$varnel" "$project" >"$WORK/second.log" 2>&1)
echo $? >"$WORK/second.status"
for _ in $(seq 300); do
  grep -qF "$project" "$APPDATA/Varnel/com.varnel.prefs" 2>/dev/null && break
  sleep 0.1
done
kill $first
wait $first 2>/dev/null
exit 0
SESSION
WORK="$WORK" xvfb-run -a -s "-screen 0 1600x1000x24" bash "$WORK/session.sh" "$varnel" "$project"
[ "$(cat "$WORK/second.status" 2>/dev/null)" = 0 ] ||
  fail "the second launch did not hand over its project: $(cat "$WORK/second.log" 2>/dev/null)"
grep -qF "$project" "$APPDATA/Varnel/com.varnel.prefs" 2>/dev/null ||
  fail "the first instance did not open the forwarded project: $(cat "$WORK/first.log")"
echo "second_launch: the running window opened $project"
