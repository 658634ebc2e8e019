#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Mirrodex and runs the screen codec on a
# generated device screen: a 240 x 320 UI with a moving box is encoded as the agent would
# send it, decoded as the desktop would show it, and the last decoded picture (PNG), the
# per-field statistics and the streams land in ./out.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target mirrodex-codec mirrodex-scenes

bin=build/release/tools
out=out
mkdir -p "$out"
geometry=(--width 240 --height 320)

"$bin/scenes/mirrodex-scenes" --scene ui-box "${geometry[@]}" --format 6 --frames 30 "$out/device.raw"
"$bin/codec/mirrodex-codec" encode "${geometry[@]}" --format 6 --kind 0 --compress zlib --level 6 \
  "$out/device.raw" "$out/screen.stream"
"$bin/codec/mirrodex-codec" decode "${geometry[@]}" --format 6 --compress zlib --png "$out/desktop.png" \
  "$out/screen.stream" "$out/desktop.raw"
"$bin/codec/mirrodex-codec" stats "${geometry[@]}" --format 6 --kind 0 --compress zlib --level 6 \
  "$out/device.raw" > "$out/stats.txt"

tail -n 1 "$out/stats.txt"
echo "Decoded picture: $out/desktop.png; per-field statistics: $out/stats.txt"
