#!/usr/bin/env bash
# usage: selftest.sh VARNEL OUT.png
set -u
varnel=$1
out=$2
source "$(dirname "$0")/../cli/cli_helpers.bash"
command -v xvfb-run >/dev/null ||
  fail "xvfb-run is not installed (Debian package xvfb), so the window cannot be tested"
mkdir -m 700 "$WORK/runtime"
rm -f "$out"
# Mesa unloads its software driver when the window closes, and what the driver keeps
# for the life of the process would then be reported against a module without a
# name. In a sanitizer build it is loaded up front, so it stays, and lsan.supp
# matches it by name like the other system graphics libraries.
driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)
if [ -n "$driver" ] && ldd "$varnel" | grep -q libasan; then
  export LD_PRELOAD="$driver" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
fi
XDG_RUNTIME_DIR="$WORK/runtime" xvfb-run -a -s "-screen 0 1600x1000x24" "$varnel" --selftest "$out" ||
  fail "varnel --selftest ended with status $?"
# A PNG of a real window is far more than its header.
size=$(stat -c %s "$out" 2>/dev/null || echo 0)
[ "$(head -c 8 "$out" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] && [ "$size" -ge 20000 ] ||
  fail "no usable screenshot at $out ($size bytes)"
echo "app_selftest: screenshot $out ($size bytes)"
