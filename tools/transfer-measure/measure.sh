#!/bin/sh
# Runs mirrodex-transfer-measure against mirrodex-host on a private Xvfb screen, from a
# release build directory: measure.sh BUILD_DIR [tool options]
set -eu
build=${1:?usage: measure.sh BUILD_DIR [options]}
shift
work=$(mktemp -d)
display=$(( 90 + $$ % 100 ))
Xvfb ":$display" -screen 0 240x320x16 -fbdir "$work" -nolisten tcp -noreset -dpi 96 >"$work/xvfb.log" 2>&1 &
xvfb=$!
mkdir "$work/root"
sleep 1
DISPLAY=":$display" "$build/bin/mirrodex-host" --fb "$work/Xvfb_screen0" --root "$work/root" \
  -b127.0.0.1 --retry 1 >"$work/host.log" 2>&1 &
host=$!
status=0
"$build/tools/transfer-measure/mirrodex-transfer-measure" "$@" || status=$?
kill "$host" "$xvfb" 2>/dev/null || true
wait "$host" "$xvfb" 2>/dev/null || true
rm -rf "$work"
exit "$status"
