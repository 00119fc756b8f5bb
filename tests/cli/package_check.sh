#!/bin/bash
# The package check of scripts/varnel test on this build: every header and shared
# library the build used is covered by the script's package list, and leaving a
# package out of the list is caught, naming the file and its package.
set -u
CLI=$1
source "$(dirname "$0")/cli_helpers.bash"
CHECK="$(dirname "$0")/../../scripts/check-packages"
BUILD=$(cd "$(dirname "$CLI")/../.." && pwd)

expect_exit 0 "$CHECK" "$BUILD"
grep -q "^Packages: [0-9]* headers and [1-9][0-9]* shared libraries" "$WORK/out" || fail "summary: $(cat "$WORK/out")"

expect_exit 1 "$CHECK" "$BUILD" --without libsndfile1-dev
grep -q "^  /usr/include/sndfile.h: libsndfile1-dev$" "$WORK/out" || fail "sndfile.h not reported: $(cat "$WORK/out")"
if [ -x "$BUILD/apps/varnel/varnel" ]; then
  # The window's native-handle include reads the XRandR header, which the GLFW package only recommends.
  expect_exit 1 "$CHECK" "$BUILD" --without libxrandr-dev
  grep -q "^  /usr/include/X11/extensions/Xrandr.h: libxrandr-dev$" "$WORK/out" || fail "Xrandr.h not reported: $(cat "$WORK/out")"
fi
expect_exit 2 "$CHECK"
echo "package check: all checks passed"
