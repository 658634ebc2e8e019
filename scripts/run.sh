#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Mirrodex and mirrors a virtual device:
# a private X server (240 x 320, 16 bits, framebuffer file) shows the demo device program,
# mirrodex-host serves its framebuffer, and mirrodex-cli takes a snapshot into ./out and
# watches the live screen for a few seconds. Everything started here is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

preset=${MIRRODEX_PRESET:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" \
  --target Mirrodex mirrodex-host mirrodex-cli mirrodex-demo-device

build=build/$preset
out=$PWD/out
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out"

# The virtual device: an X server whose screen is also an XWD framebuffer file.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 240x320x16 -fbdir "$work" -nolisten tcp -noreset -dpi 96 \
  >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "run: the X server did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
"$build/tools/demo-device/mirrodex-demo-device" >"$work/demo.log" 2>&1 &
pids+=($!)

# The device side: the agent connects to this machine and retries every second.
mkdir -p "$out/device-files"
"$build/bin/mirrodex-host" --fb "$work/Xvfb_screen0" --root "$out/device-files" \
  -b127.0.0.1 --retry 1 >"$out/host.log" 2>&1 &
pids+=($!)

# The desktop side.
"$build/cli/mirrodex-cli" --timeout 30 snapshot "$out/device.bmp"
echo "Snapshot of the device screen: $out/device.bmp"
echo "Watching the live screen for 6 seconds:"
status=0
timeout -s INT 6 "$build/cli/mirrodex-cli" --timeout 30 watch || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 124 ] || exit "$status"
echo "Host log: $out/host.log"
