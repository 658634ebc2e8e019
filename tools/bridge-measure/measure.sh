#!/bin/sh
# Compares the bridge's default local link with TCP on this machine, through mirrodex-cli:
# images per second at 240x320 and 800x480 with refresh 0 (a screen animator changing the whole
# screen all the time), and push and pull of a file of MIB MiB (default 100).
#   measure.sh BUILD_DIR [MIB]      (run it inside a private network namespace: nsrun)
set -eu
build=${1:?usage: measure.sh BUILD_DIR [MIB]}
mib=${2:-100}
cli="$build/cli/mirrodex-cli"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Ostvale" "$work/root"
printf '[Profiles]\nbench\\RefreshRate=0\n' >"$XDG_CONFIG_HOME/Ostvale/Mirrodex.conf"
export MIRRODEX_ROOT="$work/root"
unset MIRRODEX_LINK

start_host() {
  "$build/bin/mirrodex-host" --fb "$MIRRODEX_FBDEV" --root "$work/root" -b127.0.0.1 --retry 1 \
    >"$work/host.log" 2>&1 &
  host=$!
}
stop_host() { kill "$host" 2>/dev/null || true; wait "$host" 2>/dev/null || true; }

# The mean images/s of the watch lines after the first two.
images_per_second() {
  timeout -s INT 12 "$cli" --profile bench "$@" watch 2>/dev/null |
    awk 'NR > 2 { sum += $3; n++ } END { if (n) printf "%.1f", sum / n; else print "n/a" }'
}

seconds() { # runs the command, prints its wall time
  begin=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$begin $end" | awk '{ printf "%.2f", $2 - $1 }'
}

for size in 240x320 800x480; do
  w=${size%x*}
  h=${size#*x}
  display=$(( 100 + $$ % 100 ))
  Xvfb ":$display" -screen 0 "${size}x16" -fbdir "$work" -nolisten tcp -noreset -dpi 96 >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  sleep 1
  export DISPLAY=":$display" MIRRODEX_FBDEV="$work/Xvfb_screen0"
  "$build/tools/bridge-measure/mirrodex-screen-animator" >/dev/null 2>&1 &
  animator=$!
  sleep 1
  bridge=$(images_per_second --bridge)
  start_host
  tcp=$(images_per_second)
  stop_host
  echo "images/s at $size: bridge $bridge, TCP $tcp"
  if [ "$size" = 240x320 ]; then
    head -c "$((mib * 1048576))" /dev/urandom >"$work/file.bin"
    bpush=$(seconds "$cli" --bridge push "$work/file.bin" '\bridge.bin')
    bpull=$(seconds "$cli" --bridge pull '\bridge.bin' "$work/back-bridge.bin")
    start_host
    tpush=$(seconds "$cli" push "$work/file.bin" '\tcp.bin')
    tpull=$(seconds "$cli" pull '\tcp.bin' "$work/back-tcp.bin")
    stop_host
    cmp -s "$work/file.bin" "$work/back-bridge.bin" && cmp -s "$work/file.bin" "$work/back-tcp.bin" ||
      echo "copies differ!"
    echo "$mib MiB push: bridge ${bpush} s, TCP ${tpush} s; pull: bridge ${bpull} s, TCP ${tpull} s"
    rm -f "$work"/*.bin "$work/root"/*.bin
  fi
  kill "$animator" "$xvfb" 2>/dev/null || true
  wait "$animator" "$xvfb" 2>/dev/null || true
done
