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
source scripts/virtual-device.sh
cleanup() {
  vd_stop || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out/device-files"

vd_start_display "$work"
vd_start_demo "$build" "$work/demo.log"
vd_start_host "$build" "$work" "$out/device-files" "$out/host.log"

# The desktop side.
"$build/cli/mirrodex-cli" --timeout 30 snapshot "$out/device.bmp"
echo "Snapshot of the device screen: $out/device.bmp"
echo "Watching the live screen for 6 seconds:"
status=0
timeout -s INT 6 "$build/cli/mirrodex-cli" --timeout 30 watch || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 124 ] || exit "$status"
echo "Host log: $out/host.log"
