#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Mirrodex and mirrors a virtual device in the
# desktop program: a private X server (240 x 320, 16 bits, framebuffer file) shows the demo
# device program, mirrodex-host serves its framebuffer and waits for a wake-up, and
#   mirrodex --profile "Virtual Device" --tcp-host 127.0.0.1 --start
# creates that TCP/IP profile when it does not exist, wakes the host and shows the device.
# With a display the window opens there and the script waits until you close it. Without one
# the program runs on a second private X server; a click in the window presses a button on the
# device, and once the window shows the change a picture of the whole window is saved to
# ./out/desktop.png. Everything started here is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

preset=${MIRRODEX_PRESET:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" \
  --target mirrodex Mirrodex mirrodex-host mirrodex-cli mirrodex-demo-device mirrodex-xwin

build=$PWD/build/$preset
xwin=$build/tools/xwin/mirrodex-xwin
out=$PWD/out
work=$(mktemp -d)
user_display=${DISPLAY:-}
source scripts/virtual-device.sh
cleanup() {
  vd_stop || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out/device-files" "$work/device" "$work/desktop"

# The virtual device: an X server whose screen is also an XWD framebuffer file, the demo
# program on it, and the host that waits for the desktop's wake-up on port 3950.
vd_start_display "$work/device"
device_display=$DISPLAY
vd_start_demo "$build" "$work/demo.log"
vd_start_host "$build" "$work/device" "$out/device-files" "$out/host.log" --retry 0

profile="Virtual Device"
run_desktop() {
  "$build/bin/mirrodex" --profile "$profile" --tcp-host 127.0.0.1 --start >"$out/desktop.log" 2>&1 &
  desktop_pid=$!
  vd_pids+=("$desktop_pid")
}

if [ -n "$user_display" ] && DISPLAY=$user_display "$xwin" pixel 0 0 >/dev/null 2>&1; then
  echo "Mirrodex shows the virtual device on $user_display; close its window to end."
  DISPLAY=$user_display run_desktop
  wait "$desktop_pid" || true
  echo "Desktop log: $out/desktop.log   Host log: $out/host.log"
  exit 0
fi

# No display: a private one for the desktop program, and proof that it works.
vd_start_display "$work/desktop" 1024x768x24
run_desktop

window=""
for _ in $(seq 300); do
  window=$("$xwin" find "Mirrodex - $profile" 2>/dev/null || true)
  if [ -n "$window" ]; then
    DISPLAY=$device_display "$xwin" grab "$work/device.png"
    # shellcheck disable=SC2086
    "$xwin" grab "$work/window.png" $window
    read -r px py diff < <("$xwin" locate "$work/device.png" "$work/window.png")
    [ "$diff" -le 12 ] && break
  fi
  sleep 0.1
done
[ -n "$window" ] && [ "${diff:-99}" -le 12 ] || { echo "run: the device picture did not appear in the window" >&2; cat "$out/desktop.log" >&2; exit 1; }
read -r wx wy ww wh <<<"$window"

# Press the device's first button (device point 36, 165) through the window and wait until
# the window shows it pressed.
bx=$((wx + px + 36)) by=$((wy + py + 165))
if ! "$xwin" click-wait "$bx" "$by" $((wx + px + 12)) $((wy + py + 135)) 48 58 10; then
  echo "run: the click did not show on the device" >&2
  exit 1
fi
sleep 1.5  # the counter and the status bar's live figures settle into the picture
"$xwin" grab "$out/desktop.png" "$wx" "$wy" "$ww" "$wh"
echo "Mirrodex window with the virtual device after a click: $out/desktop.png"
kill -TERM "$desktop_pid"
wait "$desktop_pid" 2>/dev/null || true
echo "Desktop log: $out/desktop.log   Host log: $out/host.log"
