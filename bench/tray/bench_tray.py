#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures two tray apps alternately, run by run, and prints medians (see run.sh).

start    exec to tray icon embedded and mapped (xwait embed)
first    tray click to window mapped, first showing (xwait map --click)
later    tray click to window mapped, later showings
rss      resident memory after the window was shown once and hidden (VmRSS)
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

ITEMS = 1000


def xwait(tool, *args):
    out = subprocess.run([tool, *args], capture_output=True, text=True, timeout=60).stdout
    return out.strip()


def value(text, key):
    m = re.search(key + r"=([0-9.]+)", text)
    if not m:
        raise RuntimeError("no %s in %r" % (key, text))
    return float(m.group(1))


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError("no VmRSS")


def measure(tool, command, later_rounds=3):
    log = os.path.join(os.environ["HOME"], "bench.log")
    started = xwait(tool, "embed", "-o", log, "--", *command)
    pid = int(value(started, "pid"))
    try:
        x, y, w, h = map(int, xwait(tool, "icon", "-p", str(pid)).split())
        # Alternate the click point so that Qt never pairs two clicks into a double click.
        points = [(x + w // 2 - 5, y + h // 2), (x + w // 2 + 5, y + h // 2)]
        turn = [0]

        def click(mode):
            px, py = points[turn[0] % 2]
            turn[0] += 1
            return value(xwait(tool, mode, "-p", str(pid), "--click", str(px), str(py)),
                         mode + "_ms")

        first = click("map")
        click("unmap")
        rss = rss_mib(pid)
        later = []
        for _ in range(later_rounds):
            later.append(click("map"))
            click("unmap")
        return {"start": value(started, "mapped_ms"), "first": first,
                "later": statistics.median(later), "rss": rss}
    finally:
        subprocess.run(["kill", str(pid)])
        subprocess.run(["sh", "-c", "while kill -0 %d 2>/dev/null; do sleep 0.05; done" % pid])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--vantry", required=True)
    ap.add_argument("--floor", required=True)
    ap.add_argument("--xwait", required=True)
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()

    home = os.environ["HOME"]
    shelf = os.path.join(home, "Shelf")
    os.makedirs(shelf, exist_ok=True)
    for i in range(ITEMS):
        open(os.path.join(shelf, "Document %04d.txt" % i), "w").close()
    config = os.path.join(os.environ["XDG_CONFIG_HOME"], "vantry")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "vantry.conf"), "w") as f:
        f.write("[General]\nuser_selected_dir=@ByteArray(%s)\n" % shelf)

    apps = {"floor": [args.floor], "vantry": [args.vantry]}
    results = {name: [] for name in apps}
    for run in range(args.runs):
        for name, command in apps.items():
            results[name].append(measure(args.xwait, command))
            print("run %d %-6s %s" % (run + 1, name, results[name][-1]), file=sys.stderr)

    med = {name: {k: statistics.median(r[k] for r in rs) for k in rs[0]}
           for name, rs in results.items()}
    f, v = med["floor"], med["vantry"]
    rows = [("start to tray icon shown", "start", "ms", v["start"] <= 2 * f["start"], "2x"),
            ("tray click to shelf mapped, first", "first", "ms",
             v["first"] <= 1.5 * f["first"], "1.5x"),
            ("tray click to shelf mapped, later", "later", "ms",
             v["later"] <= 1.5 * f["later"], "1.5x"),
            ("resident memory after one showing", "rss", "MiB",
             v["rss"] <= f["rss"] + 10, "+10 MiB")]
    print("%d items, medians of %d runs" % (ITEMS, args.runs))
    print("%-36s %10s %10s %8s  %s" % ("", "floor", "vantry", "ratio", "goal"))
    for label, key, unit, ok, goal in rows:
        print("%-36s %7.1f %-2s %7.1f %-2s %7.2f  %s %s" % (label, f[key], unit, v[key], unit,
              v[key] / f[key], goal, "met" if ok else "MISSED"))


if __name__ == "__main__":
    main()
