#!/bin/bash
# aaf from the command line: the demo project delivered as an AAF session in every
# mode, each file walked by pyaaf2 (an independent reader) and listed by olefile,
# read back by inspect; and the usage and user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"
TOOLS="$(cd "$(dirname "$0")/../../.." && pwd)/shared/tools"
SCRIPTS="$(cd "$(dirname "$0")/../export" && pwd)"

expect_exit 2 "$CLI" aaf "$WORK/p.vnproj"
expect_exit 2 "$CLI" aaf "$WORK/p.vnproj" -o "$WORK/x.aaf" --handles 2 --full-source
expect_exit 2 "$CLI" aaf "$WORK/p.vnproj" -o "$WORK/x.aaf" --handles -1
expect_exit 1 "$CLI" aaf "$WORK/absent.vnproj" -o "$WORK/x.aaf"
one_sentence
expect_exit 0 "$CLI" project new "$WORK/empty.vnproj"
expect_exit 1 "$CLI" aaf "$WORK/empty.vnproj" -o "$WORK/x.aaf"
one_sentence
[ ! -e "$WORK/x.aaf" ] || fail "a failed export wrote an AAF"

expect_exit 0 "$CLI" demo "$WORK/demo"
PROJECT="$WORK/demo/demo.vnproj"

check_session() {  # check_session NAME OPTIONS...
  local name=$1; shift
  local out="$WORK/$name/session.aaf"
  mkdir -p "$WORK/$name"
  expect_exit 0 "$CLI" aaf "$PROJECT" -o "$out" "$@"
  cp "$WORK/out" "$WORK/$name/log"
  grep -q "^\[AAF\] writing '$out'" "$WORK/$name/log" || fail "$name: no writing line: $(cat "$WORK/$name/log")"
  grep -q "^\[AAF\] [0-9]* clip segment(s): [0-9]* with gain, [0-9]* wrapped$" "$WORK/$name/log" ||
    fail "$name: segment line: $(grep AAF "$WORK/$name/log")"
  PYTHONPATH="$TOOLS/pyaaf2" python3 "$SCRIPTS/aaf_walk.py" "$out" >"$WORK/$name/walk" 2>&1
  local walk="$WORK/$name/walk"
  grep -q "^COMP Varnel Timeline$" "$walk" || fail "$name: $(head -20 "$walk")"
  grep -q "^TOPLEVEL 1 ESSENCEDATA 0$" "$walk" || fail "$name: $(head -5 "$walk")"
  grep -q "^IDENT Varnel Varnel linux toolkit version$" "$walk" || fail "$name: identification: $(head -3 "$walk")"
  ! grep -q "^MISSING\|^WARNING\|^UNDECLARED\|^UNRESOLVED\|Traceback" "$walk" || fail "$name: $(grep -m5 "MISSING\|WARNING\|Traceback\|Error" "$walk")"
  grep -q "^TIMECODE 24 " "$walk" || fail "$name: no timecode slot: $(grep -v CLIP "$walk")"
  local clips=$(grep -c "^CLIP " "$walk")
  [ "$clips" -gt 0 ] || fail "$name: no clips"
  ! grep "^CLIP " "$walk" | grep -q " False$" || fail "$name: a clip's essence is missing: $(grep -m3 ' False$' "$walk")"
  ! grep "^SLOT " "$walk" | grep -vq "^SLOT [0-9]* .* 48000 " || fail "$name: a track not at 48000: $(grep '^SLOT' "$walk")"
  /usr/bin/python3 "$SCRIPTS/olefile_list.py" "$out" >"$WORK/$name/ole" 2>&1
  ! grep -q "DEFECT\|Traceback" "$WORK/$name/ole" || fail "$name: olefile: $(grep -m3 'DEFECT\|Traceback' "$WORK/$name/ole")"
  # Our own reader agrees with pyaaf2 on every clip's position, length and offset.
  expect_exit 0 "$CLI" inspect "$out"
  grep -q "^AAF composition 'Varnel Timeline'" "$WORK/out" || fail "$name: inspect: $(head -3 "$WORK/out")"
  [ "$(grep -c '^    [0-9][0-9]:' "$WORK/out")" = "$clips" ] || fail "$name: inspect lists $(grep -c '^    [0-9]' "$WORK/out") clips, pyaaf2 $clips"
  # Every essence file carries its kind and the clip iXML with recipe and manifest.
  local first=$(ls "$WORK/$name/Audio Files/"*.wav | grep -v "/Reverb" | head -1)
  [ -n "$first" ] || fail "$name: no essence files"
  grep -aq "aaf essence" "$first" || fail "$name: essence without its coding-history kind"
  grep -aq "<VARNEL_MANIFEST" "$first" || fail "$name: essence without its manifest"
}

check_session multimono
grep -q "^SLOT .* L 48000 " "$WORK/multimono/walk" && ls "$WORK/multimono/Audio Files/" | grep -q '\.L\.wav$' &&
  ls "$WORK/multimono/Audio Files/" | grep -q '\.R\.wav$' || fail "multi-mono: stereo tracks are not split: $(grep '^SLOT' "$WORK/multimono/walk")"
! grep "^CLIP " "$WORK/multimono/walk" | grep -vq "channels=1" || fail "multi-mono: a clip of more than one channel"

check_session multichannel --multichannel
grep -q "^\[AAF\] multichannel tracks: [1-9][0-9]* combined track(s)$" "$WORK/multichannel/log" ||
  fail "multichannel: $(grep AAF "$WORK/multichannel/log")"
grep "^CLIP " "$WORK/multichannel/walk" | grep -q "channels=2" || fail "multichannel: no combined clip"

check_session native --keep-source-channels
grep -q "^\[Export\] AAF: source-native channels is on - fold comps are not exported (design 5d). [0-9]* comp(s) ignored.$" \
  "$WORK/native/log" || fail "native: comp line: $(grep Export "$WORK/native/log")"
ls "$WORK/native/Audio Files/" | grep -q "_src_" || fail "native: essence names: $(ls "$WORK/native/Audio Files/" | head -3)"

check_session nohandles --handles 0
grep -q "handles=0," "$WORK/nohandles/log" || fail "no handles: $(grep writing "$WORK/nohandles/log")"
# Without handles an essence starts where its clip does (a clip whose head was
# trimmed by the overlap rule starts that far in); with the default second, at 48000.
grep "^CLIP " "$WORK/nohandles/walk" | awk '{print $4}' | grep -q "^0$" || fail "no handles: every clip starts inside its essence"
! grep "^CLIP " "$WORK/multimono/walk" | awk '$4 < 48000' | grep -q . || fail "handles: a clip without its second of handle"

check_session fullsource --keep-source-channels --full-source
check_session automation --vol-auto --markers --reverb-stem
grep -q "^MARKER " "$WORK/automation/walk" || fail "markers: none in the file"
tail -n +1 "$WORK/automation/walk" | grep "^SLOT" | tail -2 | grep -q " Reverb R 48000 " &&
  [ -e "$WORK/automation/Audio Files/Reverb.L.wav" ] || fail "reverb stem: $(grep '^SLOT' "$WORK/automation/walk")"
grep "^CLIP " "$WORK/automation/walk" | grep -q "curve:" || fail "vol-auto: no gain automation"
exit 0
