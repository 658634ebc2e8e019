#!/usr/bin/env bash
# Soak run of the device side: the demo device on a private X server, mirrodex-host serving
# its framebuffer, and for the given time a new pair of mirrodex-cli connections each minute:
# one types, taps, sets the clipboard and pushes and pulls files, the other mirrors the
# screen for the rest of the minute. Samples the host's and the demo device's memory,
# descriptors and threads every 10 s into OUT/samples.csv; fails on a failed command, an
# ended process, one that does not end cleanly, or growth after the warm-up.
set -euo pipefail

usage() {
  cat <<'EOF'
Usage: tools/soak/soak.sh [--minutes N] [--build DIR] [--out DIR] [--netns] [--text S]...
  --minutes N  how long to run (default 60, at least 2)
  --build DIR  build directory holding mirrodex-host, libMirrodex.so, mirrodex-cli and
               mirrodex-demo-device (default build/release)
  --out DIR    folder for samples.csv and the logs (default out/soak-DATE-TIME)
  --netns      run in a private network namespace with its own loopback (needs root), so
               that ports 3937, 3938 and 3950 belong to this run alone
  --text S     type S instead of the built-in texts (repeatable)
  --rounds N   rounds of typing, tapping, clipboard, push and pull a minute (default 10)
Exit status: 0 passed; 1 a command failed, a process ended or hung, or resources grew;
2 usage error or ports in use.
EOF
}

args=("$@")
repo=$(cd "$(dirname "$0")/../.." && pwd)
minutes=60
build=$repo/build/release
out=$repo/out/soak-$(date +%Y%m%d-%H%M%S)
netns=0
rounds=10
texts=()
while [ $# -gt 0 ]; do
  case $1 in
    --minutes) minutes=${2:?}; shift 2 ;;
    --build) build=${2:?}; shift 2 ;;
    --out) out=${2:?}; shift 2 ;;
    --netns) netns=1; shift ;;
    --text) texts+=("${2:?}"); shift 2 ;;
    --rounds) rounds=${2:?}; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
if ! [[ $minutes =~ ^[0-9]+$ && $minutes -ge 2 && $rounds =~ ^[0-9]+$ && $rounds -ge 1 ]]; then
  echo "soak: --minutes takes a number from 2 on, --rounds one from 1 on" >&2
  exit 2
fi

if [ "$netns" = 1 ] && [ -z "${SOAK_IN_NETNS:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "soak: --netns needs root" >&2; exit 2; }
  exec env SOAK_IN_NETNS=1 unshare -n -- sh -c 'ip link set lo up && exec bash "$@"' sh "$0" "${args[@]}"
fi
# The CLI listens on 3937 and 3938 and the host on 3950; another program there would take
# this run's connections.
busy=$(ss -Hltn '( sport = :3937 or sport = :3938 or sport = :3950 )')
if [ -n "$busy" ]; then
  printf 'soak: ports 3937, 3938 or 3950 are in use; run with --netns:\n%s\n' "$busy" >&2
  exit 2
fi

if [ ${#texts[@]} -eq 0 ]; then
  texts=(
    '«Größe: 20 °C, Preis 15 € – ½ Stück © Müller & Söhne ± 3 %» — Ça coûte 12 £, señor; ¿qué? ¡sí! Ærø, Łódź'
    'Αθήνα → Москва: 3 × 4 ≠ 13; ½ ≤ ¾ ≈ 0,8 ‰ § ¶ † • ™'
    'ASCII ~!@#$%^&*()_+{}|:"<>?`-=[]\;'"'"',./ 0123456789 Quick brown fox'
  )
fi
build=$(cd "$build" && pwd)
cli=$build/cli/mirrodex-cli
for f in bin/mirrodex-host bin/libMirrodex.so cli/mirrodex-cli tools/demo-device/mirrodex-demo-device; do
  [ -e "$build/$f" ] || { echo "soak: $build/$f is missing; build it first (see tools/soak/README.md)" >&2; exit 2; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
mkdir "$work/root"
: >"$out/cli.log"

source "$repo/scripts/virtual-device.sh"
sampler_pid=
cleanup() {
  [ -z "$sampler_pid" ] || kill "$sampler_pid" 2>/dev/null || true
  vd_stop 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# sample PID: "rss_kb,fds,threads" of the process, empty fields once it has ended.
sample() {
  if ! vd_alive "$1"; then echo ",,"; return; fi
  local rss threads fds
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true)
  threads=$(awk '/^Threads:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true)
  fds=$(ls "/proc/$1/fd" 2>/dev/null | wc -l)
  echo "$rss,$fds,$threads"
}
sample_line() { echo "$((SECONDS - t0)),$(sample "$vd_host_pid"),$(sample "$vd_demo_pid")"; }

# run_cli NAME LIMIT ARGS...: one mirrodex-cli connection, ended after LIMIT seconds; on
# failure its stderr is shown.
run_cli() {
  local name=$1 limit=$2 status=0
  shift 2
  echo "== $((SECONDS - t0)) s: mirrodex-cli $name" >>"$out/cli.log"
  timeout -k 10 "$limit" "$cli" --timeout 30 "$@" >>"$out/cli.log" 2>"$work/cli.err" || status=$?
  cat "$work/cli.err" >>"$out/cli.log"
  [ "$status" -eq 0 ] && return 0
  [ "$name" = watch ] && [ "$status" -eq 124 ] && return 0  # watch ends when interrupted
  echo "soak: mirrodex-cli $name failed at $((SECONDS - t0)) s with exit status $status$(
    [ "$status" -ge 124 ] && echo " (still running after $limit s)"):" >&2
  cat "$work/cli.err" >&2
  return 1
}

# watch_screen SECONDS: mirrors the screen; the clock on the demo device changes every second.
watch_screen() {
  local from
  from=$(($(wc -l <"$out/cli.log") + 1))
  run_cli watch "$1" watch || return 1
  if ! tail -n +"$from" "$out/cli.log" | awk '/images\/s/ && $3 > 0 { seen = 1 } END { exit !seen }'; then
    echo "soak: watch saw no pictures of the changing screen at $((SECONDS - t0)) s" >&2
    return 1
  fi
}

# One connection with rounds of typing, tapping, the clipboard and a 5 MB push and pull.
transfers=0
work_device() {
  local commands=() pulled=() i n
  head -c 5M /dev/urandom >"$work/payload.bin"
  for ((i = 0; i < rounds; i++)); do
    n=$((transfers + i))
    commands+=(text "${texts[n % ${#texts[@]}]}" -- tap $((RANDOM % 240)) $((RANDOM % 320)) --
      clip set "${texts[(n + 1) % ${#texts[@]}]}" -- clip get --
      push "$work/payload.bin" "\\soak-$n.bin" -- pull "\\soak-$n.bin" "$work/pulled-$n.bin" --
      rm "\\soak-$n.bin" --)
    pulled+=("$work/pulled-$n.bin")
  done
  commands+=(ls)
  run_cli "device commands" $((rounds * 30 + 60)) "${commands[@]}" || return 1
  transfers=$((transfers + rounds))
  for f in "${pulled[@]}"; do
    cmp -s "$work/payload.bin" "$f" || { echo "soak: the pulled $f differs from the pushed file" >&2; return 1; }
    rm -f "$f"
  done
  [ -z "$(ls -A "$work/root")" ] || { echo "soak: the device's file root is not empty after rm:" >&2; ls -la "$work/root" >&2; return 1; }
}

vd_start_display "$work"
vd_start_demo "$build" "$out/demo.log"
vd_start_host "$build" "$work" "$work/root" "$out/host.log"
t0=$SECONDS
end=$((t0 + minutes * 60))
# The warm-up fills caches and pools: a tenth of the run, at least a minute.
warmup=$((minutes * 6 > 60 ? minutes * 6 : 60))
echo "soak: $minutes min against $build; output in $out (DISPLAY $DISPLAY)"

(
  echo "seconds,host_rss_kb,host_fds,host_threads,demo_rss_kb,demo_fds,demo_threads"
  next=$t0
  while :; do
    sample_line
    next=$((next + 10))
    while [ "$SECONDS" -lt "$next" ]; do sleep 1; done
  done
) >"$out/samples.csv" &
sampler_pid=$!

failed=0
minute=0
while [ "$SECONDS" -lt "$end" ]; do
  minute=$((minute + 1))
  started=$SECONDS
  for pid in "$vd_host_pid" "$vd_demo_pid" "$vd_xvfb_pid"; do
    vd_alive "$pid" || { echo "soak: process $pid has ended at $((SECONDS - t0)) s" >&2; failed=1; }
  done
  [ "$failed" = 0 ] || break
  work_device || { failed=1; break; }
  # Mirroring fills the rest of the minute, but lasts long enough to see pictures.
  until_next=$((started + 58 < end ? started + 58 : end))
  watch_screen $((until_next - SECONDS > 8 ? until_next - SECONDS : 8)) || { failed=1; break; }
  echo "soak: minute $minute done at $((SECONDS - t0)) s ($transfers transfers of 5 MB each way so far)"
  while [ "$SECONDS" -lt $((started + 60)) ] && [ "$SECONDS" -lt "$end" ]; do sleep 1; done
done

kill "$sampler_pid" 2>/dev/null || true
wait "$sampler_pid" 2>/dev/null || true
sampler_pid=
sample_line >>"$out/samples.csv"
if ! vd_stop; then
  echo "soak: a process did not end cleanly (see above)" >&2
  failed=1
fi
if [ "$failed" = 1 ]; then
  echo "soak: the host log ends with:" >&2
  tail -n 15 "$out/host.log" >&2
fi
echo "soak: host log: $out/host.log; CLI output: $out/cli.log"
python3 "$repo/tools/soak/soak-report.py" --warmup "$warmup" "$out/samples.csv" || failed=1
[ "$failed" = 0 ] && echo "soak: passed" || echo "soak: FAILED"
exit "$failed"
