#!/usr/bin/env python3
"""Writes docs/benchmarks.md from one run of scripts/bench.sh.

Usage: bench_report.py RESULTS_FOLDER  (the report goes to standard output)

The folder holds NAME.json (Google Benchmark's JSON output) or NAME.txt
(lines "label: value ms") per benchmark program, and uptime's line from
before and after the run. Every figure is set beside its comparison from
the same run; the ratio is figure / comparison (below 1 is faster).
"""
import json
import os
import platform
import re
import subprocess
import sys

# (section, note, rows); a row is (what, figure, comparison or None), or
# (what, None, None, ratio) for a ratio the program computed itself. A key
# is "program:benchmark" (the benchmark's name without "BM_" and without its
# iteration settings) or "program:label" for the programs that print lines.
SECTIONS = [
    ("Start-up to the shown window",
     "Process start to the window exposed and painted, on the X display, median of "
     "alternating runs of the same executable; the bare window is a QWidget of the same "
     "size in a QApplication of the same libraries. Target: within 1.2x.",
     [("whole start-up", "startup:editor start-up", "startup:bare window start-up"),
      ("whole start-up, median of each round's own ratio", None, None, "startup:editor / bare, median of the rounds' ratios"),
      ("the window alone, first in its process", "startup:editor window, first", "startup:bare window, first"),
      ("the window alone, again", "startup:editor window, again", "startup:bare window, again"),
      ("the window alone, Google Benchmark", "window:EditorWindowStartup", "window:BareWindowStartup"),
      ("full repaint of the shown window", "window:EditorWindowFullRepaint", "window:BareWindowFullRepaint")]),
    ("Preview",
     "The 100 KB fragment in the professional storefront; every remote request is served "
     "from 127.0.0.1 in the benchmark, uncached, so the loads include fetching and decoding "
     "the pictures. The bare view loads the same finished file in the same profile.",
     [("local preview until shown and loaded, against a bare view's load", "preview:preview round trip", "preview:bare view load"),
      ("local preview until shown and placed", "preview:preview until shown and placed", "preview:bare view load"),
      ("laid out for a 1920-pixel screen and scaled into the pane, against the pane's width",
       "preview:preview at a 1920-pixel screen, until shown", "preview:preview at the pane's width, until shown"),
      ("compose and write from the window against the plain functions",
       "preview:compose and write from the window", "preview:compose, encode and write alone"),
      ("compose and write with a character GBK lacks", "preview:the same with a character GBK lacks",
       "preview:compose, encode and write alone")]),
    ("Live preview",
     "The preview floating beside the code, following it as the user types: from the last "
     "keystroke to the new content painted, the 50 ms pause included, with the page patched "
     "in place, against what loading the page anew costs, from composing it to the page shown "
     "(no pause in it).",
     [("100 KB, a letter typed into a caption", "livepreview:100 KB, letter in a caption, to painted",
       "livepreview:100 KB, load: to the page shown"),
      ("100 KB, a margin nudged", "livepreview:100 KB, margin nudged, to painted",
       "livepreview:100 KB, load: to the page shown"),
      ("1 MB, a letter typed into a caption", "livepreview:1 MB, letter in a caption, to painted",
       "livepreview:1 MB, load: to the page shown"),
      ("a keystroke with the preview floating, 100 KB", "livepreview:100 KB, keystroke, preview floating", None),
      ("a keystroke with the preview floating, 1 MB", "livepreview:1 MB, keystroke, preview floating", None)]),
    ("Formatting for reading",
     "The whole command in a shown pane against the floor the pane sets: the already "
     "formatted (or replaced) text set into the same pane.",
     [("格式阅读, 100 KB", "format:FormatInPane/0", "format:ShowFormatted/0"),
      ("格式阅读, 1 MB", "format:FormatInPane/1", "format:ShowFormatted/1"),
      ("格式阅读, 4 MB", "format:FormatInPane/2", "format:ShowFormatted/2"),
      ("全部替换 on 1 MB against setting the replaced text into the pane", "format:ReplaceAllInPane", "format:ShowReplaced"),
      ("the replacement alone, plain C++, 1 MB", "format:ReplaceEvery", None),
      ("格式阅读 in the main window, 10 MB", "format:FormatInWindow/1", None),
      ("格式阅读 in the main window once more, 10 MB", "format:FormatInWindow/2", None),
      ("to the live preview and back, formatted 10 MB", "format:PageSwitch", None),
      ("line breaking, 1 MB", "format:BreakIntoLines/1", None),
      ("line breaking, 10 MB", "format:BreakIntoLines/3", None),
      ("finding the colour runs, 1 MB", "format:FindColourRuns/1", None),
      ("finding the colour runs, 10 MB", "format:FindColourRuns/3", None)]),
    ("Typing in 1 MB",
     "One key typed in the middle of the 1 MB fragment, with the pane's relayout and "
     "repaint, against the same key in a line of 2 KB.",
     [("a letter, the fragment as one line", "editing:Keystroke_OneLine", "editing:Keystroke_ShortLine"),
      ("a letter, formatted (about 20,000 lines)", "editing:Keystroke_Formatted", "editing:Keystroke_ShortLine"),
      ("space, one line", "editing:SpaceKey_OneLine", "editing:Keystroke_ShortLine"),
      ("space, formatted", "editing:SpaceKey_Formatted", "editing:Keystroke_ShortLine"),
      ("backspace, one line", "editing:Backspace_OneLine", "editing:Keystroke_ShortLine")]),
    ("Tab painting",
     "The main page control (1029 x 591, cut-corner tabs) against a QTabWidget of the same "
     "size drawn by Qt's Fusion style.",
     [("render with its page", "tabpaint:RenderWithPage", "tabpaint:QTabWidgetRender"),
      ("one paint pass into the off-screen image", "tabpaint:FullPass", "tabpaint:QTabWidgetRender"),
      ("hover onto the other tab and repaint", "tabpaint:HotTrackRepaint", "tabpaint:QTabWidgetHover")]),
    ("Tab layout and hit test",
     "Against Qt's QTabBar answering the same question.",
     [("tab at a point, 2 tabs", "tablayout:TabAtPos/2", "tablayout:QTabBarTabAt/2"),
      ("tab at a point, 50 tabs", "tablayout:TabAtPos/50", "tablayout:QTabBarTabAt/50"),
      ("layout pass, 2 tabs", "tablayout:LayoutPass/2", None),
      ("layout pass, 50 tabs", "tablayout:LayoutPass/50", None)]),
    ("Push buttons",
     "A 75 x 25 button painted into an image, against a QPushButton rendered by Fusion.",
     [("normal", "button:VmButton_Normal", "button:QPushButtonFusion_Render"),
      ("hot", "button:VmButton_Hot", "button:QPushButtonFusion_RenderHot"),
      ("pressed", "button:VmButton_Pressed", "button:QPushButtonFusion_Render"),
      ("disabled", "button:VmButton_Disabled", "button:QPushButtonFusion_Render")]),
    ("Gradient fill",
     "The tab strip's gradient over 1029 x 25, against QPainter with a QLinearGradient.",
     [("vertical", "gradient:PaintGradientFill_Vertical", "gradient:QLinearGradient_Vertical"),
      ("horizontal", "gradient:PaintGradientFill_Horizontal", "gradient:QLinearGradient_Horizontal")]),
]

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


# Programs whose own lines say more than their rows above (p95, max, the
# steps between): printed whole as well.
PRINTED_WHOLE = {"livepreview"}


def printed(folder, programs):
    """The output of the programs that print their own lines and have no
    section above (or say more than it), as they printed it."""
    out = []
    for file in sorted(os.listdir(folder)):
        program, kind = os.path.splitext(file)
        if kind == ".txt" and (program not in programs or program in PRINTED_WHOLE):
            with open(os.path.join(folder, file), encoding="utf-8") as f:
                out += [f"### bench_{program}", "", "```", f.read().rstrip(), "```", ""]
    return out


def load(folder):
    """All figures of the run, in milliseconds, by key."""
    figures = {}
    for file in sorted(os.listdir(folder)):
        program, kind = os.path.splitext(file)
        path = os.path.join(folder, file)
        if kind == ".json":
            with open(path, encoding="utf-8") as f:
                for b in json.load(f)["benchmarks"]:
                    if b.get("run_type") == "aggregate" or b.get("error_occurred"):
                        continue
                    parts = [p for p in b["name"].split("/") if ":" not in p and p != "manual_time"]
                    name = "/".join(parts)
                    name = name[3:] if name.startswith("BM_") else name
                    figures[f"{program}:{name}"] = b["real_time"] * UNIT_MS[b["time_unit"]]
        elif kind == ".txt":
            # Programs that print medians per input size name the size on a
            # line of its own ("100 KB (...)"), then "  label  median X ms ...".
            size = None
            with open(path, encoding="utf-8") as f:
                for line in f:
                    m = re.match(r"^(.+?): ([0-9.]+)( ms)?$", line.strip())
                    if m:
                        figures[f"{program}:{m.group(1)}"] = float(m.group(2))
                        continue
                    m = re.match(r"^(\d+ [KM]B) \(", line)
                    if m:
                        size = m.group(1)
                        continue
                    m = re.match(r"^\s+(.+?)\s+median\s+([0-9.]+) ms", line)
                    if m and size:
                        figures[f"{program}:{size}, {m.group(1)}"] = float(m.group(2))
    return figures


def show(ms):
    if ms >= 100:
        return f"{ms:.0f} ms"
    if ms >= 1:
        return f"{ms:.2f} ms"
    if ms >= 0.001:
        return f"{ms * 1000:.1f} µs"
    return f"{ms * 1e6:.0f} ns"


def run(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "?"


def machine():
    cpu = "?"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            cpu = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "?")
    except OSError:
        pass
    return f"{cpu}, {os.cpu_count()} cores, {platform.system()} {platform.release()}"


def main():
    folder = sys.argv[1]
    figures = load(folder)
    load_line = lambda name: open(os.path.join(folder, name), encoding="utf-8").read().strip().split("load average:")[-1].strip()
    with open(os.path.join(folder, "source"), encoding="utf-8") as f:
        commit = f.read().strip()
    qt = run(["dpkg-query", "-W", "-f=${Version}", "libqt6core6"])
    out = ["# Benchmarks", "",
           "Written by `scripts/bench.sh` from one run; every figure stands beside its comparison "
           "from the same run, and the ratio is figure / comparison (below 1 is faster). "
           "Figures are per operation: medians where the program prints its own, otherwise "
           "Google Benchmark's mean over its iterations.", "",
           f"- source: `{commit}`",
           f"- machine: {machine()}",
           f"- Qt {qt}, display {os.environ.get('DISPLAY', '?')}",
           f"- load average before and after: {load_line('load-before')} / {load_line('load-after')}",
           "- start-up: " + ("at real-time priority with its X server, so other load did not decide it"
                             if os.path.exists(os.path.join(folder, "startup-priority"))
                             else "at normal priority (not root): other load on the machine shows in it"),
           ""]
    missing = []
    for title, note, rows in SECTIONS:
        out += [f"## {title}", "", note, "", "| | figure | comparison | ratio |", "|---|---:|---:|---:|"]
        for what, key, against, *own in rows:
            if own:
                ratio = figures.get(own[0])
                if ratio is None:
                    missing.append(own[0])
                else:
                    out.append(f"| {what} | | | {ratio:.2f} |")
                continue
            value = figures.get(key)
            base = figures.get(against) if against else None
            if value is None:
                missing.append(key)
                continue
            if against and base is None:
                missing.append(against)
            ratio = f"{value / base:.2f}" if base else ""
            out.append(f"| {what} | {show(value)} | {show(base) if base else ''} | {ratio} |")
        out.append("")
    covered = {key.split(":")[0] for _, _, rows in SECTIONS for row in rows for key in row[1:] if key}
    others = printed(folder, covered)
    if others:
        out += ["## As the benchmarks printed it", ""] + others
    if missing:
        out += ["Missing from this run: " + ", ".join(f"`{k}`" for k in missing), ""]
    print("\n".join(out))


if __name__ == "__main__":
    main()
