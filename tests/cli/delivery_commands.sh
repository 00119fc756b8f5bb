#!/bin/bash
# fit and layouts from the command line: the demo's delivery report folds, the
# report without declarations and with source channels, and the template store.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"

# Usage and user errors.
expect_exit 2 "$CLI" fit
expect_exit 2 "$CLI" fit "$WORK/a.vnproj" --fold-everything
expect_exit 2 "$CLI" layouts
expect_exit 2 "$CLI" layouts save OnlyName
expect_exit 1 "$CLI" fit "$WORK/absent.vnproj"
one_sentence
expect_exit 0 "$CLI" project new "$WORK/empty.vnproj"
expect_exit 1 "$CLI" fit "$WORK/empty.vnproj"
one_sentence
grep -q "no built layers" "$WORK/err" || fail "empty project: $(cat "$WORK/err")"

# The demo declares tracks on its busses and folds.
expect_exit 0 "$CLI" demo "$WORK/demo" --no-export
PROJECT="$WORK/demo/demo.vnproj"
expect_exit 0 "$CLI" fit "$PROJECT"
grep -q "^Delivery: [2-9] busses declare tracks$" "$WORK/out" || fail "fit header: $(cat "$WORK/out")"
grep -q "^Session [0-9]* tracks -> delivery [0-9]* tracks, [1-9][0-9]* folds\?$" "$WORK/out" || fail "fit folds: $(cat "$WORK/out")"
grep -q "^  Foley  *declares Feet 2 x mono  *[0-9] used$" "$WORK/out" || fail "Foley line: $(cat "$WORK/out")"
grep -q "^  Fold 1: .*  (.*, [2-9][0-9]* layers)$" "$WORK/out" || fail "comp line: $(cat "$WORK/out")"
grep -q "^Every folded clip carries the Revert-to-Source manifest of its$" "$WORK/out" || fail "note: $(cat "$WORK/out")"
cp "$WORK/out" "$WORK/fit.txt"

expect_exit 0 "$CLI" fit "$PROJECT" --keep-source-channels
[ "$(wc -l <"$WORK/out")" -eq 1 ] || fail "keep source channels is one line: $(cat "$WORK/out")"
grep -q '^Delivery: Channels = "Keep source channels" - every layer ships with its own channels, at full width ([0-9]* tracks)' "$WORK/out" ||
  fail "keep source: $(cat "$WORK/out")"

# Templates: save the demo's busses, list, make default, apply to a project without declarations.
expect_exit 0 "$CLI" layouts list
grep -q "No bus layout templates yet" "$WORK/out" || fail "empty list: $(cat "$WORK/out")"
expect_exit 0 "$CLI" layouts save "Demo busses" "$PROJECT"
grep -q '^Saved bus layout "Demo busses" (4 busses)$' "$WORK/out" || fail "save: $(cat "$WORK/out")"
[ -s "$APPDATA/Varnel/vn_bus_templates.json" ] || fail "no template store"
python3 -c "import json,sys; d=json.load(open(sys.argv[1])); assert d['vn_bus_templates_version']==1 and d['templates'][0]['busCount']==4" \
  "$APPDATA/Varnel/vn_bus_templates.json" || fail "the store is not the JSON it should be"
expect_exit 1 "$CLI" layouts default "Nothing"
one_sentence
expect_exit 0 "$CLI" layouts default "Demo busses"
expect_exit 0 "$CLI" layouts list
grep -q '^Demo busses  \[default\]  (4 busses)$' "$WORK/out" || fail "list: $(cat "$WORK/out")"
grep -q '^  Foley  *Feet 2 x mono$' "$WORK/out" || fail "list busses: $(cat "$WORK/out")"

expect_exit 0 "$CLI" project new "$WORK/plain.vnproj"
cp "$PROJECT" "$WORK/undeclared.vnproj"
python3 - "$WORK/undeclared.vnproj" <<'PY' || fail "could not strip the declarations"
import json, sys
p = sys.argv[1]
d = json.load(open(p))
def strip(o):
    if isinstance(o, dict):
        o.pop("slots", None)
        for v in o.values(): strip(v)
    elif isinstance(o, list):
        for v in o: strip(v)
strip(d)
json.dump(d, open(p, "w"), indent=2)
PY
expect_exit 0 "$CLI" fit "$WORK/undeclared.vnproj"
grep -q '^Delivery: no bus declares tracks - the session ships at full width ([0-9]* tracks).$' "$WORK/out" ||
  fail "no declarations: $(cat "$WORK/out")"
expect_exit 1 "$CLI" layouts apply "Nothing" "$WORK/undeclared.vnproj"
one_sentence
expect_exit 0 "$CLI" layouts apply "Demo busses" "$WORK/undeclared.vnproj"
expect_exit 0 "$CLI" fit "$WORK/undeclared.vnproj"
diff -q "$WORK/out" "$WORK/fit.txt" >/dev/null || fail "the applied layout does not fit as the demo: $(diff "$WORK/out" "$WORK/fit.txt")"
echo ok
