#!/bin/bash
# recipe and chain from the command line: an event's design saved and applied to
# other events, a recipe and a chain placed into a project, their files read back
# by a reader of our own here, and the usage and user errors.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"
unset XDG_DOCUMENTS_DIR
RECIPES="$HOME/Documents/Varnel/Recipes"
CHAINS="$HOME/Documents/Varnel/Chains"

# A project of four events: a designed Contour, two plain Spots and a Group of three.
python3 - "$WORK/p.vnproj" <<'PY'
import json, sys
def ev(t, **kw):
    e = {"time": t, "duration": 1.0, "shape": 0, "keywords": ""}
    e.update(kw)
    return e
events = [
    ev(1.0, duration=3.0, shape=2, keywords="metal door slam", spread=0.7, weightCenter=0.2, syncOffset=0.75,
       reverbSend=0.4, fillLayers=5, libFilter="Doors", weight=[0.1, 0.9]),
    ev(5.0, duration=2.0, keywords="plain", gain=0.5),
    ev(8.0, duration=0.5, keywords="other"),
    ev(10.0, keywords="hit a", folder="Hits"),
    ev(12.0, keywords="hit b", folder="Hits"),
    ev(15.0, keywords="hit c", folder="Hits", hero=True),
]
json.dump({"format": "Varnel", "version": 9, "settings": {"totalDuration": 60, "fps": 24}, "events": events},
          open(sys.argv[1], "w"), indent=2)
PY

# save: the design of event 0 under a name that no file system would take as it is
expect_exit 0 "$CLI" recipe save "$WORK/p.vnproj" --event 0 --name "Door/Slam: big"
grep -q '^Saved recipe "Door/Slam: big" (Contour, 3.00 s) in ' "$WORK/out" || fail "save line: $(cat "$WORK/out")"
FILE="$RECIPES/Door%2FSlam%3A big.vnrecipe"
[ -f "$FILE" ] || fail "no recipe file: $(ls "$RECIPES")"
grep -q "^No preview: none of the recipe's sounds is in the Libraries.$" "$WORK/out" || fail "preview line: $(cat "$WORK/out")"
[ ! -e "$RECIPES/Door%2FSlam%3A big_preview.wav" ] || fail "a preview without sounds"
python3 - "$FILE" <<'PY' || fail "recipe document"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["format"] == "VarnelRecipe" and r["formatVersion"] == 1 and r["name"] == "Door/Slam: big", r
assert r["shape"] == 2 and r["duration"] == 3 and r["syncOffset"] == 0.75 and r["keywords"] == "metal door slam", r
assert r["libFilter"] == "Doors" and r["fillLayers"] == 5 and abs(r["reverbSend"] - 0.4) < 1e-6, r
assert len(r["weight"]) == 256 and r["weight"][0] == 0.1 and r["weight"][255] == 0.9, r["weight"][:3]
assert "time" not in r and "gain" not in r, r
PY
expect_exit 0 "$CLI" recipe save "$WORK/p.vnproj" --event 2
grep -q '^Saved recipe "other" (Spot, 0.50 s)' "$WORK/out" || fail "default name: $(cat "$WORK/out")"
expect_exit 0 "$CLI" recipe save "$WORK/p.vnproj" --event 2 --name other
grep -q '^Replaced recipe "other"' "$WORK/out" || fail "replace line: $(cat "$WORK/out")"

# list, ordered by name
expect_exit 0 "$CLI" recipe list
[ "$(head -1 "$WORK/out" | awk '{print $1}')" = "Door/Slam:" ] || fail "list order: $(cat "$WORK/out")"
grep -Eq '^other +Spot +0\.50 s  other$' "$WORK/out" || fail "list line: $(cat "$WORK/out")"
grep -q "^2 recipes in $RECIPES$" "$WORK/out" || fail "list count: $(cat "$WORK/out")"

# apply: any case of the name; the targets keep time and duration, the sync point its share
expect_exit 0 "$CLI" recipe apply "door/slam: BIG" "$WORK/p.vnproj" --events 1,2
grep -q '^Applied recipe "Door/Slam: big" to 2 events$' "$WORK/out" || fail "apply line: $(cat "$WORK/out")"
python3 - "$WORK/p.vnproj" <<'PY' || fail "applied events"
import json, sys
e = json.load(open(sys.argv[1]))["events"]
for i, t, d in ((1, 5, 2), (2, 8, 0.5)):
    assert e[i]["time"] == t and e[i]["duration"] == d, e[i]
    assert e[i]["shape"] == 2 and e[i]["keywords"] == "metal door slam" and e[i]["presetName"] == "Door/Slam: big", e[i]
    assert abs(e[i]["syncOffset"] - 0.25 * d) < 1e-5 and e[i]["libFilter"] == "Doors" and e[i]["fillLayers"] == 5, e[i]
assert e[1]["gain"] == 0.5, e[1]
assert "presetName" not in e[0] and "presetName" not in e[3], e[0]
PY

# place: a new event at the time with the recipe's duration
expect_exit 0 "$CLI" recipe place other "$WORK/p.vnproj" --at 30
grep -q '^Placed recipe "other" as event 6 at 00:00:30:00$' "$WORK/out" || fail "place line: $(cat "$WORK/out")"

# chains: a Group saved with relative times, placed again elsewhere as a linked group
expect_exit 0 "$CLI" chain save "$WORK/p.vnproj" --group Hits
grep -q '^Saved chain "Hits" (3 events) in ' "$WORK/out" || fail "chain save: $(cat "$WORK/out")"
python3 - "$CHAINS/Hits.vnchain" <<'PY' || fail "chain document"
import json, sys
c = json.load(open(sys.argv[1]))
assert c["format"] == "VarnelChain" and c["name"] == "Hits", c
assert [e["relTime"] for e in c["events"]] == [0, 2, 5], [e["relTime"] for e in c["events"]]
assert [e["hero"] for e in c["events"]] == [False, False, True]
PY
expect_exit 0 "$CLI" chain list
grep -Eq '^Hits +3 events +6\.00 s$' "$WORK/out" || fail "chain list: $(cat "$WORK/out")"
expect_exit 0 "$CLI" chain place hits "$WORK/p.vnproj" --at 40
grep -q '^Placed chain "Hits": 3 events from 00:00:40:00, linked group Hits 2$' "$WORK/out" ||
  fail "chain place: $(cat "$WORK/out")"
python3 - "$WORK/p.vnproj" <<'PY' || fail "placed chain"
import json, sys
p = json.load(open(sys.argv[1]))
e = p["events"]
assert len(e) == 10, len(e)
assert [(x["time"], x["folder"], x["keywords"]) for x in e[7:]] == [(40, "Hits 2", "hit a"), (42, "Hits 2", "hit b"), (45, "Hits 2", "hit c")], e[7:]
assert e[9]["hero"] is True
assert p["linkedGroups"] == ["Hits 2"], p.get("linkedGroups")
assert e[6]["time"] == 30 and e[6]["presetName"] == "other" and e[6]["duration"] == 0.5, e[6]
PY

# Bad input: one sentence, the project as it was.
cp "$WORK/p.vnproj" "$WORK/p.before"
expect_exit 1 "$CLI" recipe apply nothing "$WORK/p.vnproj" --events 0
one_sentence
grep -q "^No recipe named \"nothing\" is saved in $RECIPES.$" "$WORK/err" || fail "unknown recipe: $(cat "$WORK/err")"
expect_exit 1 "$CLI" recipe apply other "$WORK/p.vnproj" --events 0,99
one_sentence
expect_exit 1 "$CLI" recipe save "$WORK/p.vnproj" --event 10
one_sentence
grep -q "^The project has 10 events; there is no event 10.$" "$WORK/err" || fail "event range: $(cat "$WORK/err")"
expect_exit 1 "$CLI" chain save "$WORK/p.vnproj" --group Nope
one_sentence
expect_exit 1 "$CLI" chain place nothing "$WORK/p.vnproj" --at 1
one_sentence
expect_exit 1 "$CLI" recipe place other "$WORK/absent.vnproj" --at 1
one_sentence
cmp -s "$WORK/p.vnproj" "$WORK/p.before" || fail "a failed command changed the project"
expect_exit 2 "$CLI" recipe apply other "$WORK/p.vnproj" --events 1,x
expect_exit 2 "$CLI" recipe place other "$WORK/p.vnproj" --at -3
expect_exit 2 "$CLI" recipe place other "$WORK/p.vnproj"
expect_exit 2 "$CLI" recipe frobnicate
expect_exit 2 "$CLI" chain
expect_exit 0 "$CLI" chain --help

# A damaged recipe, a folder with a recipe's name and a newer recipe: the rest still list.
printf '{"name": "broken", "shape": [' >"$RECIPES/broken.vnrecipe"
mkdir "$RECIPES/folder.vnrecipe"
printf '{"formatVersion": 2, "name": "future", "shape": 4, "duration": 3}' >"$RECIPES/future.vnrecipe"
expect_exit 0 "$CLI" recipe list
grep -q '^Recipe .*future.vnrecipe. was saved by a newer version (format 2, this build supports 1). Loading what we can.$' \
  "$WORK/out" || fail "newer line: $(cat "$WORK/out")"
grep -Eq '^future +Spot +3\.00 s' "$WORK/out" || fail "newer recipe: $(cat "$WORK/out")"
grep -Eq '^broken +Bloom' "$WORK/out" || fail "damaged recipe: $(cat "$WORK/out")"
grep -q "^4 recipes in " "$WORK/out" || fail "count: $(cat "$WORK/out")"
# With a Library the recipe is heard (one with no library filter, so the one sound fits): its preview goes through the build and the render,
# and a reader of our own choosing finds a stereo 48 kHz WAV of about its length.
mkdir -p "$WORK/sfx"
write_noise_wav "$WORK/sfx/rumble_noise_long.wav" 144000
expect_exit 0 "$CLI" scan "$WORK/sfx"
expect_exit 0 "$CLI" recipe save "$WORK/p.vnproj" --event 3 --name "Rumble"
PREVIEW="$RECIPES/Rumble_preview.wav"
grep -q "^Preview rendered (.* s): $PREVIEW$" "$WORK/out" || fail "preview: $(cat "$WORK/out")"
python3 - "$PREVIEW" <<'PY' || fail "preview file: $(sndfile-info "$PREVIEW" 2>&1 | tail -5)"
import subprocess, sys
out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=channels,sample_rate,duration", "-of",
                      "default=nw=1", sys.argv[1]], capture_output=True, text=True, check=True).stdout
fields = dict(line.split("=", 1) for line in out.split())
assert fields["channels"] == "2" and fields["sample_rate"] == "48000", fields
assert 1.0 <= float(fields["duration"]) <= 2.5, fields
PY
expect_exit 0 "$CLI" recipe list
grep -Eq '^Rumble .*\(preview\)$' "$WORK/out" || fail "list preview: $(cat "$WORK/out")"

# Hearing a preview: none saved, one that is not a sound file, and a machine with no output
# (the sound servers kept out of reach); a JACK server plays one in the play commands' test.
expect_exit 1 "$CLI" recipe preview other
one_sentence
grep -q '^No preview for other.$' "$WORK/err" || fail "no preview: $(cat "$WORK/err")"
printf 'not a sound' >"$RECIPES/other_preview.wav"
expect_exit 1 "$CLI" recipe preview other
one_sentence
grep -q '^The preview of other cannot be read as a sound file.$' "$WORK/err" || fail "junk preview: $(cat "$WORK/err")"
expect_exit 1 "$CLI" recipe preview nothing
one_sentence
PULSE_SERVER=unix:/nonexistent ALSA_CONFIG_PATH=/nonexistent JACK_DEFAULT_SERVER="varnel-none-$$" \
  expect_exit 1 "$CLI" recipe preview rumble
one_sentence
grep -q "No audio output is available" "$WORK/err" || fail "preview without output: $(cat "$WORK/err")"
expect_exit 2 "$CLI" recipe preview
echo "recipe and chain commands: ok"
