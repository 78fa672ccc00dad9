#!/usr/bin/python3
"""Turns one bench run's raw figures into docs/bench/results.md and results.png.

Reads build-bench/results/ (figures.tsv from the Windows-side bench, the
hyperfine JSON of the native peers, the strace counts, meta.tsv) and the
built installer (size, imports, link map). Every ratio is against a baseline
measured in the same run; medians with min and max over the runs.
"""
import argparse
import collections
import json
import os
import re
import statistics
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

OBJDUMP = "i686-w64-mingw32-objdump"
STRIP = "i686-w64-mingw32-strip"
# DLLs that every Windows system loads from its own system folder.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
    "ole32.dll", "comctl32.dll", "comdlg32.dll", "shlwapi.dll", "uxtheme.dll", "ntdll.dll",
}


class Series:
    def __init__(self, values):
        self.values = sorted(values)

    @property
    def median(self):
        return statistics.median(self.values)

    @property
    def low(self):
        return self.values[0]

    @property
    def high(self):
        return self.values[-1]

    def __len__(self):
        return len(self.values)


def load_figures(path):
    figures = collections.defaultdict(list)
    with open(path, encoding="utf-8") as f:
        for line in f:
            section, case, metric, run, value, _unit = line.rstrip("\n").split("\t")
            figures[(section, case, metric)].append(float(value))
    return {key: Series(values) for key, values in figures.items()}


def load_native(results, case, tool):
    path = os.path.join(results, f"native-{case}-{tool}.json")
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return Series(json.load(f)["results"][0]["times"])


def load_meta(results):
    meta = {}
    with open(os.path.join(results, "meta.tsv"), encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("\t")
            meta[key] = value
    return meta


def load_strace(results, method):
    """Calls per syscall of the 32-bit (Windows) side, from strace -c."""
    path = os.path.join(results, f"strace-{method}.txt")
    if not os.path.exists(path):
        return None
    calls = {}
    in_32 = False
    with open(path) as f:
        for line in f:
            if "32 bit mode" in line:
                in_32 = True
                continue
            m = re.match(r"\s*[\d.]+\s+[\d.]+\s+\d+\s+(\d+)\s+(?:(\d+)\s+)?(\w+)$", line)
            if in_32 and m and m.group(3) != "total":
                calls[m.group(3)] = int(m.group(1))
    return calls


# --- size ------------------------------------------------------------------

def pe_info(exe):
    out = subprocess.run([OBJDUMP, "-p", exe], capture_output=True, text=True, check=True).stdout
    image = int(re.search(r"SizeOfImage\s+([0-9a-fA-F]+)", out).group(1), 16)
    dlls = re.findall(r"DLL Name: (\S+)", out)
    return image, dlls


def stripped_size(exe, scratch):
    copy = os.path.join(scratch, "stripped.exe")
    subprocess.run([STRIP, "-o", copy, exe], check=True)
    size = os.path.getsize(copy)
    os.remove(copy)
    return size


def map_breakdown(map_path):
    """Bytes of each library (archive, or object outside one) in the image's
    loaded sections, from the link map."""
    by_lib = collections.Counter()
    with open(map_path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    try:
        start = next(i for i, l in enumerate(lines) if l.startswith("Linker script and memory map"))
    except StopIteration:
        return by_lib
    pending = None
    section = None
    for line in lines[start:]:
        top = re.match(r"^(\.\S+)\s", line)
        if top:
            section = top.group(1)
        if section and section.startswith(".debug"):
            continue
        m = re.match(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        alone = re.match(r"^ (\.\S+)$", line)
        if alone:
            pending = alone.group(1)
            continue
        if not m:
            pending = None
            continue
        name = m.group(1) or pending
        pending = None
        address, size, source = int(m.group(2), 16), int(m.group(3), 16), m.group(4)
        if not name or address == 0 or size == 0 or name.startswith(".debug"):
            continue
        if name.startswith(".bss") or name.startswith("COMMON"):
            continue
        lib = re.match(r".*?([^/]+\.a)\(", source)
        key = lib.group(1) if lib else os.path.basename(source)
        by_lib[key] += size
    return by_lib


# --- report ----------------------------------------------------------------

def fmt_time(seconds):
    if seconds >= 1:
        return f"{seconds:.2f} s"
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.1f} ms"
    return f"{seconds * 1e6:.0f} µs"


def fmt_bytes(n):
    if abs(n) >= 1 << 20:
        return f"{n / (1 << 20):.2f} MiB"
    if abs(n) >= 1 << 10:
        return f"{n / 1024:.1f} KiB"
    return f"{n:.0f} B"


def cell(series, fmt=fmt_time):
    if series is None or len(series) == 0:
        return "—"
    if len(series) == 1:
        return f"{fmt(series.median)} (1 run)"
    return f"{fmt(series.median)} ({fmt(series.low)}–{fmt(series.high)}, n={len(series)})"


class Report:
    def __init__(self):
        self.rows = []
        self.compact = []  # the same rows with medians only, for the README
        self.checks = []  # (name, met, ratio, target)

    def row(self, figure, measured, baseline_name, baseline, ratio=None, target=None, met=None,
            fmt=fmt_time):
        r = "—" if ratio is None else f"{ratio:.2f}"
        if met is None:
            verdict = "—"
        else:
            verdict = "met" if met else "**missed**"
        self.rows.append(
            f"| {figure} | {cell(measured, fmt) if isinstance(measured, Series) or measured is None else measured} "
            f"| {baseline_name} | {cell(baseline, fmt) if isinstance(baseline, Series) or baseline is None else baseline} "
            f"| {r} | {target or '—'} | {verdict} |")
        short = lambda v: (fmt(v.median) if isinstance(v, Series) else "—" if v is None else v)  # noqa: E731
        self.compact.append(f"| {figure} | {short(measured)} | {baseline_name} | {short(baseline)} "
                            f"| {r} | {target or '—'} | {verdict} |")
        if met is not None:
            self.checks.append((figure, met, ratio, target))


def ratio_of(a, b):
    if a is None or b is None or b.median == 0:
        return None
    return a.median / b.median


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

    figures = load_figures(os.path.join(args.results, "figures.tsv"))
    meta = load_meta(args.results)
    fig = lambda section, case, metric: figures.get((section, case, metric))  # noqa: E731
    report = Report()

    cases = [("default", "default payload"), ("small20k", "20,000 small files in 200 folders"),
             ("large256", "one 256 MiB file, half random")]
    unpack = {}
    for case, title in cases:
        ours = fig("unpack", case, "ours")
        peer = fig("unpack", case, "miniunz")
        floor = fig("unpack", case, "floor")
        unzip = load_native(args.results, case, "unzip")
        sevenzip = load_native(args.results, case, "7z")
        unpack[case] = dict(ours=ours, miniunz=peer, floor=floor, unzip=unzip, sevenzip=sevenzip)
        r = ratio_of(ours, peer)
        report.row(f"Unpack, {title}: ExtractArchive", ours, "miniunz, same Wine", peer, r,
                   "≤ 1.00", r is not None and r <= 1.0)
        files = fig("unpack", case, "files_only")
        unpack[case]["files"] = files
        report.row(f"Unpack, {title}: ExtractArchive", ours,
                   "the files alone: folders made, sizes written, no inflating", files,
                   ratio_of(ours, files))
        r = ratio_of(ours, floor)
        if case == "default":
            report.row(f"Unpack, {title}: ExtractArchive", ours, "in-memory inflate floor", floor,
                       r, "≤ 2.00", r is not None and r <= 2.0)
        else:
            report.row(f"Unpack, {title}: ExtractArchive", ours, "in-memory inflate floor", floor, r)
        report.row(f"Unpack, {title}: ExtractArchive (Wine)", ours, "Info-ZIP unzip, native",
                   unzip, ratio_of(ours, unzip))
        report.row(f"Unpack, {title}: ExtractArchive (Wine)", ours, "7-Zip, native", sevenzip,
                   ratio_of(ours, sevenzip))

    growth_counts = sorted({int(k[1]) for k in figures if k[0] == "growth"})
    for metric, name, targeted in [
            ("extract_per_entry", "ExtractArchive", True),
            ("remove_per_entry", "RemoveFolderTree", True),
            ("files_only_per_entry", "The files alone (no inflating; the file system's share)",
             False)]:
        base = fig("growth", str(growth_counts[0]), metric) if growth_counts else None
        for count in growth_counts:
            s = fig("growth", str(count), metric)
            if s is None:
                continue
            if count == growth_counts[0]:
                report.row(f"{name} per entry, {count:,} entries", s, "—", None)
                continue
            r = ratio_of(s, base)
            if targeted:
                report.row(f"{name} per entry, {count:,} entries", s,
                           f"per entry at {growth_counts[0]:,}", base, r, "≤ 1.15",
                           r is not None and r <= 1.15)
            else:
                report.row(f"{name} per entry, {count:,} entries", s,
                           f"per entry at {growth_counts[0]:,}", base, r)

    start_installer = fig("startup", "installer", "start_to_window")
    start_minimal = fig("startup", "minimal", "start_to_window")
    report.row("Installer: process start → window shown", start_installer,
               "minimal Win32 window program", start_minimal,
               ratio_of(start_installer, start_minimal))
    click = fig("install", "default", "click_to_question")
    alone = fig("install", "default", "unpack_alone")
    r = ratio_of(click, alone)
    report.row("Install: click → desktop question", click, "ExtractArchive alone, same payload",
               alone, r, "≤ 1.20", r is not None and r <= 1.2)
    write = fig("install", "default", "write_archive_alone")
    question = fig("install", "default", "question_alone")
    report.row("Install: click → desktop question", click,
               "writing the archive's bytes alone (one write from memory)", write,
               ratio_of(click, write))
    report.row("Install: click → desktop question", click,
               "the same question alone (minimal program: click → box)", question,
               ratio_of(click, question))
    question_themed = fig("install", "default", "question_alone_themed")
    if question_themed:
        report.row("Install: click → desktop question", click,
                   "the same question alone, themed look on (minimal program)",
                   question_themed, ratio_of(click, question_themed))
    if alone and write and question:
        parts = Series([alone.median + write.median + question.median])
        report.row("Install: click → desktop question", click,
                   "sum of the three medians above", f"{fmt_time(parts.median)}",
                   click.median / parts.median)

    # Size: the exe less the three files it embeds.
    exe = os.path.join(args.build, "app", "MorvenaSetup.exe")
    minimal_exe = os.path.join(args.build, "bench", "bench_minimal_window.exe")
    embedded = {
        "payload.zip": os.path.join(args.build, "data", "payload.zip"),
        "shortcut.lnk": os.path.join(root, "data", "shortcut.lnk"),
        "background.jpg": os.path.join(root, "data", "background.jpg"),
    }
    exe_size = os.path.getsize(exe)
    embedded_size = sum(os.path.getsize(p) for p in embedded.values())
    overhead = exe_size - embedded_size
    stripped = stripped_size(exe, args.results) - embedded_size
    minimal_size = os.path.getsize(minimal_exe)
    image_size, dlls = pe_info(exe)
    report.row("Size: exe minus the three embedded files", fmt_bytes(overhead),
               "minimal window program", fmt_bytes(minimal_size), overhead / minimal_size,
               "≤ 200 KiB", overhead <= 200 * 1024, fmt=fmt_bytes)
    report.row("Size: the same, symbols and debug sections stripped", fmt_bytes(stripped),
               "minimal window program, stripped",
               fmt_bytes(stripped_size(minimal_exe, args.results)), None, fmt=fmt_bytes)
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    report.row("Imports", ", ".join(dlls), "system DLLs only", "—", None,
               "system DLLs only", not foreign)

    # Memory: the commit charge (private bytes) and the working set, read from
    # the bench process; idle is the window before the click.
    idle_private = fig("memory", "install", "idle_private")
    sampled_idle = fig("memory", "install", "sampled_idle_private")
    peak_private = fig("memory", "install", "sampled_max_private")
    question_private = fig("memory", "install", "question_private")
    peak_ws = fig("memory", "install", "question_peak_working_set")
    idle_ws = fig("memory", "install", "idle_working_set")
    above = None
    if peak_private and sampled_idle:
        above = Series([p - i for p, i in zip(peak_private.values, sampled_idle.values)])
    report.row("Memory: peak private bytes during install (sampled every ms)", peak_private,
               "idle window", sampled_idle, ratio_of(peak_private, sampled_idle), fmt=fmt_bytes)
    if above:
        report.row("Memory: peak private bytes above the idle window's", above, "—", None, None,
                   "≤ 4 MiB above", above.median <= 4 << 20, fmt=fmt_bytes)
    report.row("Memory: private bytes at the desktop question", question_private, "idle window",
               idle_private, ratio_of(question_private, idle_private), fmt=fmt_bytes)
    report.row("Memory: peak working set at the desktop question", peak_ws,
               "exe image size (SizeOfImage)", fmt_bytes(image_size),
               peak_ws.median / image_size if peak_ws else None, fmt=fmt_bytes)
    report.row("Memory: working set of the idle window", idle_ws, "exe image size (SizeOfImage)",
               fmt_bytes(image_size), idle_ws.median / image_size if idle_ws else None,
               fmt=fmt_bytes)

    breakdown = map_breakdown(os.path.join(args.build, "bench", "MorvenaSetup.map"))
    strace = {m: load_strace(args.results, m) for m in ("ours", "miniunz")}
    phases = {m: fig("phases", "default", m) for m in
              ("click_to_archive_file", "click_to_first_entry_file", "click_to_title",
               "click_to_start_menu_shortcut", "click_to_question")}

    write_markdown(args, meta, report, unpack, breakdown, embedded, strace, phases, figures)
    plot(args, unpack, figures, growth_counts, report)


def write_markdown(args, meta, report, unpack, breakdown, embedded, strace, phases, figures):
    out = []
    out.append("# Benchmark results\n")
    out.append(f"Made by `bench/run.sh` on {meta.get('date', '?')}: {meta.get('cpus', '?')} × "
               f"{meta.get('cpu', '?')}, {meta.get('wine', '?')}; load average "
               f"{meta.get('load_before', '?')} before and {meta.get('load_after', '?')} after "
               "(the machine is shared, so the spread is wide). Runs: "
               f"{meta.get('runs', '?')}. Each figure: median (min–max, n runs); ratio = "
               "median ÷ the baseline's median, both from this run. Windows-side times are "
               "taken with QueryPerformanceCounter inside one long-running bench process per "
               "kind; the native peers' with hyperfine.\n")
    out.append("![results](results.png)\n")
    out.append("| Figure | Measured | Baseline | Baseline measured | Ratio | Target | Met |")
    out.append("|---|---|---|---|---|---|---|")
    out.extend(report.rows)
    out.append("")
    missed = [c for c in report.checks if not c[1]]
    out.append(f"Targets: {len(report.checks) - len(missed)} of {len(report.checks)} met.\n")

    out.append("## How it is measured\n")
    out.append(
        "- **Unpacking**: `morvena_bench unpack` reads the archive once, then per run "
        "unpacks it four ways in turn, each into a new folder (all removed after the "
        "command, untimed: removing a big tree keeps the file system busy for a while and "
        "would slow whatever came next): `ExtractArchive` (no window, so no progress "
        "event); miniunz's own `main` (`-x -o -d`, compiled from `miniunz.c` of the zlib "
        "sources the set-up built minizip from, over the same `libminizip.a` and `libz.a`, "
        "in the same process, its listing written to a log file); the floor, every entry "
        "inflated by zlib from the archive in memory through one 16 KiB buffer, CRC-32 "
        "checked, nothing written; and the files alone, every folder made and every file "
        "created and filled with as many zero bytes as the entry holds, no inflating. One "
        "warm-up run for the default payload. Info-ZIP `unzip -qq -o` and `7zz x` run "
        "natively on Linux under hyperfine into a fresh folder. The bench checks that our "
        "tree and miniunz's are byte-identical.\n"
        "- **Growth**: per run, `ExtractArchive` of archives of 1,000, 5,000 and 20,000 "
        "small files (200 to 4,000 bytes of text, 100 per folder, each folder an entry of "
        "its own) into new folders, each followed by the same tree written as the files "
        "alone (no inflating, as a control for the file system's own growth), then "
        "`RemoveFolderTree` of each of our trees; time divided by the number of entries.\n"
        "- **Installer**: `morvena_bench startup` starts the exe with `CreateProcess` and polls "
        "(every ms) for a visible top-level window of the process with its class; the "
        "minimal program takes turns with it. `morvena_bench install` starts the installer "
        "against a prefix without an installation, waits 0.5 s, posts `BM_CLICK` to "
        "\"一键安装（修复）\" and polls for the message box; it answers No twice. After "
        "each install the bench unpacks the same payload with `ExtractArchive` into a fresh "
        "folder on the same drive (the baseline), writes the payload's bytes to a new file "
        "with one write, and clicks a button of the minimal program that asks the same "
        "question the same way (no owner, task-modal, flags 68).\n"
        "- **Memory**: `GetProcessMemoryInfo` with `PROCESS_MEMORY_COUNTERS_EX` from the "
        "bench process. Private bytes are `PagefileUsage` (the commit charge; Windows "
        "reports the same number as `PrivateUsage`). Under Wine `PrivateUsage` reads 0 for "
        "another process and `PeakPagefileUsage` is the current value, so the peak is taken "
        "by reading the counters every millisecond from the click to the question (separate "
        "runs, so that the sampling does not slow the timed ones); Wine's working set is the "
        "process's resident set, its peak the resident high-water mark.\n"
        "- **Size**: file sizes; the import list from `objdump -p`; which library the code "
        "comes from, from a link map of an identical second link of the installer.\n")

    out.append("## Where the time and the bytes go\n")
    if strace["ours"] and strace["miniunz"]:
        entries = int(figures.get(("strace", "small", "entries"), Series([0])).median) or None
        out.append(
            "`perf stat -e instructions` is not supported on this virtual machine (no "
            "hardware counters), and our extraction code is Win32 code that has no native "
            "build for callgrind. Sampling with `perf record -e cpu-clock -a` during an "
            "extraction of 5,000 files showed the machine about two-thirds idle: the work "
            "is bound by round trips to the Wine server and by system calls, not by "
            "computing. So the bench counts system calls instead: `strace -f -c` over one "
            f"extraction of {entries or 'the'} small files"
            " (`morvena_bench once`), for each method alone:\n")
        names = sorted(set(strace["ours"]) | set(strace["miniunz"]),
                       key=lambda n: -(strace["ours"].get(n, 0) + strace["miniunz"].get(n, 0)))
        out.append("| system call | ours | miniunz | ours per entry | miniunz per entry |")
        out.append("|---|---|---|---|---|")
        total_o = sum(strace["ours"].values())
        total_m = sum(strace["miniunz"].values())
        for n in names[:12] + ["(all)"]:
            o = total_o if n == "(all)" else strace["ours"].get(n, 0)
            m = total_m if n == "(all)" else strace["miniunz"].get(n, 0)
            per = (lambda v: f"{v / entries:.1f}") if entries else (lambda v: "—")
            out.append(f"| {n} | {o:,} | {m:,} | {per(o)} | {per(m)} |")
        out.append("")

    if any(phases.values()):
        out.append("Install phases as seen from outside (sampled runs; seconds after the "
                   "click): the archive file `b.zip` appears, the first unpacked file "
                   "appears (the archive is written, opened and counted), the title turns "
                   "to \"安装完成\" (unpacking over), the start-menu shortcut appears, the "
                   "question is up.\n")
        out.append("| phase | median (min–max) |")
        out.append("|---|---|")
        for key, series in phases.items():
            valid = Series([v for v in series.values if v >= 0]) if series else None
            out.append(f"| {key.replace('_', ' ')} | {cell(valid) if valid and len(valid) else '—'} |")
        out.append("")

    if breakdown:
        data = {k: v for k, v in breakdown.items() if k.startswith("embedded_data")}
        own = collections.Counter({k: v for k, v in breakdown.items() if k not in data})
        total = sum(own.values())
        same = meta.get("mapped_identical") == "yes"
        out.append("The installer's own loaded bytes by where they come from, from the link "
                   "map of a second link of the installer"
                   + (" (byte for byte the product)" if same else
                      " (**not** byte for byte the product in this run: read with care)")
                   + f"; the embedded data object ({sum(data.values()):,} bytes, the three "
                   "files and their block headers) left out:\n")
        out.append("| from | bytes | share |")
        out.append("|---|---|---|")
        for name, size in own.most_common(12):
            out.append(f"| {name} | {size:,} | {size / total:.0%} |")
        rest = total - sum(v for _, v in own.most_common(12))
        if rest:
            out.append(f"| everything else | {rest:,} | {rest / total:.0%} |")
        out.append(f"| all | {total:,} | 100% |")
        out.append("")

    notes_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "findings.md")
    if os.path.exists(notes_path):
        with open(notes_path, encoding="utf-8") as f:
            out.append(f.read())

    with open(os.path.join(args.out, "results.md"), "w", encoding="utf-8") as f:
        f.write("\n".join(out).rstrip() + "\n")
    update_readme(args, meta, report)


def update_readme(args, meta, report):
    """Puts the table (medians only) between the README's bench markers."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "README.md")
    begin, end = "<!-- bench-results: begin -->", "<!-- bench-results: end -->"
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if begin not in text or end not in text:
        return
    missed = sum(1 for c in report.checks if not c[1])
    table = [begin,
             f"Last run: {meta.get('date', '?')}, {meta.get('cpus', '?')} cores, "
             f"{meta.get('wine', '?')}; medians, ratio against the baseline of the same run; "
             f"{len(report.checks) - missed} of {len(report.checks)} targets met. Spread, "
             "causes and method: [docs/bench/results.md](docs/bench/results.md).",
             "",
             "| Figure | Measured | Baseline | Baseline measured | Ratio | Target | Met |",
             "|---|---|---|---|---|---|---|"]
    table += report.compact
    table += ["", "![benchmark results](docs/bench/results.png)", end]
    head, rest = text.split(begin, 1)
    _, tail = rest.split(end, 1)
    with open(path, "w", encoding="utf-8") as f:
        f.write(head + "\n".join(table) + tail)


def plot(args, unpack, figures, growth_counts, report):
    fig, axes = plt.subplots(1, 3, figsize=(16, 5.2), gridspec_kw={"width_ratios": [1.5, 1, 1.2]})

    ax = axes[0]
    methods = [("ours", "ExtractArchive (Wine)"), ("miniunz", "miniunz (Wine)"),
               ("floor", "in-memory inflate floor (Wine)"),
               ("files", "files alone, no inflate (Wine)"),
               ("unzip", "Info-ZIP unzip (native)"), ("sevenzip", "7-Zip (native)")]
    cases = [c for c in ("default", "small20k", "large256") if c in unpack]
    width = 0.13
    for i, (key, label) in enumerate(methods):
        xs, ys, lo, hi = [], [], [], []
        for j, case in enumerate(cases):
            s, base = unpack[case][key], unpack[case]["miniunz"]
            if s is None or base is None:
                continue
            xs.append(j + (i - 2.5) * width)
            ys.append(s.median / base.median)
            lo.append(s.median / base.median - s.low / base.median)
            hi.append(s.high / base.median - s.median / base.median)
        ax.bar(xs, ys, width, yerr=[lo, hi], capsize=2, label=label)
    ax.axhline(1.0, color="black", lw=0.8, ls="--")
    ax.set_yscale("log")
    ax.set_xticks(range(len(cases)))
    ax.set_xticklabels(["default payload", "20,000 small files", "256 MiB file"])
    ax.set_ylabel("time ÷ miniunz median (log)")
    ax.set_title("Unpacking into a fresh folder")
    ax.legend(fontsize=7, loc="upper center", bbox_to_anchor=(0.5, -0.08), ncol=3)

    ax = axes[1]
    for metric, label in [("extract_per_entry", "ExtractArchive"),
                          ("remove_per_entry", "RemoveFolderTree"),
                          ("files_only_per_entry", "files alone, no inflate")]:
        series = [figures.get(("growth", str(n), metric)) for n in growth_counts]
        if not all(series):
            continue
        med = [s.median * 1e6 for s in series]
        lo = [(s.median - s.low) * 1e6 for s in series]
        hi = [(s.high - s.median) * 1e6 for s in series]
        ax.errorbar(growth_counts, med, yerr=[lo, hi], marker="o", capsize=3, label=label)
    # One slow run must not flatten the medians: whiskers past twice the
    # largest median are cut at the edge.
    medians = [figures[("growth", str(n), m)].median * 1e6 for n in growth_counts
               for m in ("extract_per_entry", "remove_per_entry", "files_only_per_entry")
               if ("growth", str(n), m) in figures]
    if medians:
        ax.set_ylim(0, 2 * max(medians))
    ax.set_xscale("log")
    ax.set_xticks(growth_counts)
    ax.set_xticklabels([f"{n:,}" for n in growth_counts])
    ax.set_xlabel("entries")
    ax.set_ylabel("µs per entry (Wine)")
    ax.set_title("Growth: cost per entry")
    ax.legend(fontsize=8)

    ax = axes[2]
    checks = [c for c in report.checks if c[2] is not None and c[3] and c[3].startswith("≤ ")
              and "KiB" not in c[3] and "MiB" not in c[3]]
    labels = [c[0].replace("Unpack, ", "").replace(": ExtractArchive", "")
              .replace(" in 200 folders", "").replace(", half random", "") + "\nvs " +
              ("floor" if "2.00" in c[3] else "miniunz" if "1.00" in c[3] else "baseline")
              for c in checks]
    values = [c[2] for c in checks]
    targets = [float(c[3][2:]) for c in checks]
    colours = ["tab:green" if c[1] else "tab:red" for c in checks]
    ys = range(len(checks))
    ax.barh(ys, values, color=colours)
    ax.scatter(targets, ys, marker="|", s=300, color="black", label="target")
    ax.set_yticks(list(ys))
    ax.set_yticklabels(labels, fontsize=7)
    ax.invert_yaxis()
    ax.set_xlabel("ratio (median ÷ baseline median)")
    ax.set_title("Targets (green met, red missed)")
    ax.legend(fontsize=8, loc="lower right")

    fig.tight_layout()
    fig.savefig(os.path.join(args.out, "results.png"), dpi=110, bbox_inches="tight")


if __name__ == "__main__":
    sys.exit(main())
