# shellcheck shell=bash
# Sourced by scripts that mirror a virtual device: a private X server (240 x 320, 16 bits)
# whose screen is also an XWD framebuffer file, the demo device program on it, and
# mirrodex-host serving that framebuffer. Each start function adds its process to vd_pids;
# vd_stop ends them all. BUILD is a build directory such as build/release.
vd_pids=()

# vd_start_display WORK [SCREEN]: starts an X server (default 240x320x16) on a free display
# number, exports DISPLAY; the framebuffer file is WORK/Xvfb_screen0.
vd_start_display() {
  local work=$1 screen=${2:-240x320x16}
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$screen" -fbdir "$work" -nolisten tcp -noreset -dpi 96 \
    >"$work/xvfb.log" 2>&1 &
  vd_xvfb_pid=$!
  vd_pids+=("$vd_xvfb_pid")
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  if [ ! -s "$work/display" ]; then
    echo "the X server did not start:" >&2
    cat "$work/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
}

# vd_start_demo BUILD LOG: the demo device program on $DISPLAY.
vd_start_demo() {
  "$1/tools/demo-device/mirrodex-demo-device" >"$2" 2>&1 &
  vd_demo_pid=$!
  vd_pids+=("$vd_demo_pid")
}

# vd_start_host BUILD WORK ROOT LOG [OPTION...]: the agent's host on WORK's framebuffer with
# file root ROOT; without options it connects to this machine and retries every second.
vd_start_host() {
  local build=$1 work=$2 root=$3 log=$4
  shift 4
  local options=("$@")
  [ ${#options[@]} -gt 0 ] || options=(-b127.0.0.1 --retry 1)
  "$build/bin/mirrodex-host" --fb "$work/Xvfb_screen0" --root "$root" "${options[@]}" >"$log" 2>&1 &
  vd_host_pid=$!
  vd_pids+=("$vd_host_pid")
}

# vd_alive PID: the process runs (an ended child that was not waited for yet does not count).
vd_alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# vd_stop: ends the processes, the newest first (the host before the X server it uses), and
# fails with a message when one ignores SIGTERM for 10 s (it is then killed) or dies of
# another signal.
vd_stop() {
  local i pid name code status=0
  for ((i = ${#vd_pids[@]} - 1; i >= 0; i--)); do
    pid=${vd_pids[i]}
    name=$(cat "/proc/$pid/comm" 2>/dev/null || echo "?")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do vd_alive "$pid" || break; sleep 0.1; done
    if vd_alive "$pid"; then
      echo "process $pid ($name) did not end within 10 s of SIGTERM; killed" >&2
      kill -KILL "$pid" 2>/dev/null || true
      status=1
    fi
    code=0
    wait "$pid" 2>/dev/null || code=$?
    if [ "$code" -gt 128 ] && [ "$code" -ne 143 ] && [ "$status" -eq 0 ]; then
      echo "process $pid ($name) died of signal $((code - 128)) when asked to end" >&2
      status=1
    fi
  done
  vd_pids=()
  return "$status"
}
