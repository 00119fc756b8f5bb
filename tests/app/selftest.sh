#!/usr/bin/env bash
# usage: selftest.sh VARNEL OUT.png
set -u
varnel=$1
out=$2
if ! command -v xvfb-run >/dev/null; then
  echo "app_selftest: xvfb-run is not installed (Debian package xvfb), so the window cannot be tested" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/appdata" "$work/runtime"
chmod 700 "$work/runtime"
rm -f "$out"
HOME="$work/home" APPDATA="$work/appdata" XDG_RUNTIME_DIR="$work/runtime" \
  xvfb-run -a -s "-screen 0 1600x1000x24" "$varnel" --selftest "$out"
status=$?
if [ $status -ne 0 ]; then
  echo "app_selftest: varnel --selftest ended with status $status" >&2
  exit 1
fi
# A PNG of a real window is far more than its header.
size=$(stat -c %s "$out" 2>/dev/null || echo 0)
if [ "$(head -c 8 "$out" | od -An -tx1 | tr -d ' \n')" != "89504e470d0a1a0a" ] || [ "$size" -lt 20000 ]; then
  echo "app_selftest: no usable screenshot at $out ($size bytes)" >&2
  exit 1
fi
echo "app_selftest: screenshot $out ($size bytes)"
