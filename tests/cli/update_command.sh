#!/bin/bash
# update check from the command line, against an HTTPS server on 127.0.0.1 with a
# certificate made here.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"
command -v openssl >/dev/null || fail "the openssl command is needed to make the test certificate"

mkdir -p "$WORK/site"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$WORK/key.pem" -out "$WORK/cert.pem" >/dev/null 2>&1 ||
  fail "openssl could not make a certificate"
manifest() {  # manifest VERSION
  printf '{"schemaVersion": 1, "version": "%s", "files": {"linux": {"url": "https://example.org/r/%s",
  "date": "2099-01-01", "notes": ["One", "Two"]}}}' "$1" "$1"
}
manifest 2099.1 >"$WORK/site/newer.json"
manifest "$("$CLI" --version | cut -d' ' -f2)" >"$WORK/site/same.json"
echo '<html>not a manifest</html>' >"$WORK/site/page.json"

# openssl's own web server serves the folder; a free port is found by trying.
server=
for attempt in 1 2 3 4 5 6 7 8; do
  port=$((20000 + RANDOM % 20000))
  (cd "$WORK/site" && exec openssl s_server -quiet -WWW -accept "127.0.0.1:$port" \
     -cert "$WORK/cert.pem" -key "$WORK/key.pem" >/dev/null 2>&1) &
  server=$!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break 2
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  kill "$server" 2>/dev/null
  server=
done
[ -n "$server" ] || fail "no HTTPS test server could start"
trap 'kill $server 2>/dev/null; chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
export VN_UPDATE_CA_FILE="$WORK/cert.pem"
prefs="$APPDATA/Varnel/com.varnel.prefs"

VN_UPDATE_URL="https://127.0.0.1:$port/newer.json" expect_exit 0 "$CLI" update check
[ "$(cat "$WORK/out")" = "Version 2099.1 is available: https://example.org/r/2099.1" ] ||
  fail "newer release: $(cat "$WORK/out")"
grep -qx "updateAvailableVersion=2099.1" "$prefs" || fail "the offer is not in the preferences"
grep -qx "updateAvailableNote=Two" "$prefs" || fail "the notes are not in the preferences"
grep -q "^lastUpdateCheck=[1-9]" "$prefs" || fail "the time of the check is not in the preferences"

# Failures change nothing and say why in one line.
VN_UPDATE_URL="https://127.0.0.1:$port/page.json" expect_exit 1 "$CLI" update check
grep -qx "The release manifest is not a JSON object; nothing changed." "$WORK/err" || fail "not JSON: $(cat "$WORK/err")"
VN_UPDATE_URL="https://127.0.0.1:$port/newer.json" VN_UPDATE_CA_FILE= expect_exit 1 "$CLI" update check
one_sentence
grep -q "^No answer from the release server" "$WORK/err" || fail "untrusted certificate: $(cat "$WORK/err")"
VN_UPDATE_URL="http://127.0.0.1:$port/newer.json" expect_exit 1 "$CLI" update check
one_sentence
grep -qx "updateAvailableVersion=2099.1" "$prefs" || fail "a failed check changed the offer"

# The running version clears the offer.
VN_UPDATE_URL="https://127.0.0.1:$port/same.json" expect_exit 0 "$CLI" update check
grep -q "^You're on .* - the latest version\.$" "$WORK/out" || fail "up to date: $(cat "$WORK/out")"
! grep -q "^updateAvailable" "$prefs" || fail "the offer stayed after an up-to-date answer"

expect_exit 2 "$CLI" update
expect_exit 2 "$CLI" update fetch
expect_exit 0 "$CLI" update --help
echo "update_command: ok"
