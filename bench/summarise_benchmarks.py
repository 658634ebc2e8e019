#!/usr/bin/env python3
"""Turns mirrodex_codec_bench JSON results (run with repetitions) into the Markdown tables of
docs/benchmarks.md: medians per scene and size. Several files may be given; a benchmark in a
later file replaces the same one from an earlier file (a longer run of a few benchmarks)."""
import json
import sys
from collections import defaultdict

SCENES = ["ui-static", "ui-clock", "scroll-8", "scroll-3", "ui-box", "photo"]
SIZES = ["240x320", "480x640", "800x480", "1920x1080"]


def load(path, rows):
    with open(path) as f:
        data = json.load(f)
    has_aggregates = any(b.get("run_type") == "aggregate" for b in data["benchmarks"])
    for b in data["benchmarks"]:
        if has_aggregates and b.get("aggregate_name") != "median":
            continue
        parts = b["run_name"].replace("/manual_time", "").split("/")
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
        entry = {"us": b["real_time"] * scale}
        entry.update({k: v for k, v in b.items() if isinstance(v, (int, float)) and k not in (
            "real_time", "cpu_time", "iterations", "repetitions", "repetition_index", "threads", "family_index",
            "per_family_instance_index")})
        key = tuple(parts) if len(parts) > 1 else (parts[0],)
        rows[key] = entry


def fmt_us(v):
    if v is None:
        return "-"
    return f"{v / 1000:.2f} ms" if v >= 1000 else f"{v:.1f} µs" if v >= 1 else f"{v * 1000:.0f} ns"


def fmt_b(v):
    if v is None:
        return "-"
    return f"{v / 1e6:.2f} MB" if v >= 1e6 else f"{v / 1e3:.1f} kB" if v >= 1e3 else f"{v:.0f} B"


def get(rows, key, field):
    return rows.get(key, {}).get(field)


def main():
    rows = defaultdict(dict)  # (what, scene, size[, compressor]) -> values
    for path in sys.argv[1:]:
        load(path, rows)
    out = []
    out.append("| scene | size | encode / field | decode / field | dec : enc | payload / field | zlib 1 | zlib 6 | zlib 9 | bzip2 | image (2 fields + zlib 1) | bytes / image | x264 / image | x264 bytes / image | x264 bytes / P image | lossless |")
    out.append("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    for size in SIZES:
        for scene in SCENES:
            enc = get(rows, ("Encode", scene, size), "us")
            dec = get(rows, ("Decode", scene, size), "us")
            ratio = f"{enc / dec:.0f}x" if enc and dec else "-"
            sent = [get(rows, ("Compress", scene, size, c), "sent_B_per_field") for c in ("zlib1", "zlib6", "zlib9", "bzip2")]
            out.append("| " + " | ".join([
                scene, size, fmt_us(enc), fmt_us(dec), ratio,
                fmt_b(get(rows, ("Encode", scene, size), "payload_B")),
                *[fmt_b(s) if s is not None else "0 B" for s in sent],
                fmt_us(get(rows, ("Image_zlib1", scene, size), "us")),
                fmt_b(get(rows, ("Image_zlib1", scene, size), "B_per_image")),
                fmt_us(get(rows, ("X264", scene, size), "us")),
                fmt_b(get(rows, ("X264", scene, size), "B_per_image")),
                fmt_b(get(rows, ("X264", scene, size), "B_per_P_image")),
                "yes" if get(rows, ("Encode", scene, size), "lossless") == 1 else "NO",
            ]) + " |")
    out.append("")
    out.append("| size | frame copy | unchanged inter field | ratio | UI intra field | photo intra field | zlib 1 per sent field (box) |")
    out.append("|---|---|---|---|---|---|---|")
    for size in SIZES:
        copy = get(rows, ("FrameCopy", size), "us")
        still = get(rows, ("Encode", "ui-static", size), "us")
        out.append("| " + " | ".join([
            size, fmt_us(copy), fmt_us(still), f"{still / copy:.1f}x" if copy and still else "-",
            fmt_us(get(rows, ("IntraField", "ui-static", size), "us")),
            fmt_us(get(rows, ("IntraField", "photo", size), "us")),
            fmt_us(get(rows, ("Compress", "ui-box", size, "zlib1"), "us")),
        ]) + " |")
    print("\n".join(out))


if __name__ == "__main__":
    main()
