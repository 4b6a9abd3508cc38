#!/usr/bin/env bash
# Reproduces the benchmark table of bench/README.md on this machine, in one run:
#   - installs what it needs from Debian (the build's packages, jq, hyperfine, GNU time);
#   - builds Release (warnings as errors) into build/release, or $SCANBROOK_BENCH_BUILD_DIR;
#   - generates log tool outputs of 1,000, 15,000 and 100,000 entries into a temporary folder;
#   - times, end to end, from the log tool's bytes on a pipe to the report on standard output:
#     the floor (cat FILE | wc -c), scanbrook-cli check --days 30 against a private copy of the
#     simulated Mac whose log tool prints FILE, jq, and Python's json module; median wall time
#     (hyperfine) and peak memory (GNU time);
#   - runs the Google Benchmark programs (report building next to simdjson's parse; with the
#     Qt window built: the console, the responsiveness during a check, the launch);
#   - prints the table, with each figure's target, and keeps the raw results next to the build.
#
# Environment: SCANBROOK_BENCH_BUILD_DIR (default build/release), SCANBROOK_BENCH_RUNS
# (hyperfine runs for 1k and 15k entries, default 10), SCANBROOK_BENCH_RUNS_LARGE (for 100k,
# default 5). Run it on an otherwise idle machine: everything here is timed by the wall clock.
set -euo pipefail
cd "$(dirname "$0")/.."
root_dir=$(pwd)

build_dir=${SCANBROOK_BENCH_BUILD_DIR:-build/release}
runs=${SCANBROOK_BENCH_RUNS:-10}
runs_large=${SCANBROOK_BENCH_RUNS_LARGE:-5}

# --- Tools -------------------------------------------------------------------------------------
bash scripts/install-deps.sh
bash scripts/install-deps.sh jq hyperfine time python3

# --- Build -------------------------------------------------------------------------------------
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DSCANBROOK_WERROR=ON >/dev/null
targets=(scanbrook-cli scanbrook_simroot generate_log_output bench_report)
gui_targets=()
available=$(cmake --build "$build_dir" --target help)
for target in bench_console bench_responsiveness bench_launch; do
    if grep -q "^\.\.\. $target\$" <<<"$available"; then
        gui_targets+=("$target")
    fi
done
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}" "${gui_targets[@]}"

cli="$root_dir/$build_dir/src/cli/scanbrook-cli"
bench_bin="$root_dir/$build_dir/bench"
results="$root_dir/$build_dir/bench-results"
rm -rf "$results"
mkdir -p "$results"

# --- Data --------------------------------------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/scanbrook-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
sizes=(1000 15000 100000)
for entries in "${sizes[@]}"; do
    "$bench_bin/generate_log_output" "$entries" "$work/log-$entries.json"
done
# A private copy of the simulated Mac; its log tool prints whatever the control names.
cp -a "$build_dir/simroot" "$work/root"
export SCANBROOK_PLATFORM_ROOT="$work/root"

jq_filter='.[] | "\(.timestamp[0:23])  \(.senderImagePath | split("/") | last)  \(.eventMessage)"'

# The four programs must agree on what they print before they are timed.
ln -sf "$work/log-1000.json" "$work/root/sim/control/log.query.output"
jq -r "$jq_filter" "$work/log-1000.json" >"$work/jq.txt"
python3 bench/comparable_lines.py "$work/log-1000.json" >"$work/python.txt"
cmp -s "$work/jq.txt" "$work/python.txt" || { echo "jq and Python disagree" >&2; exit 1; }
"$cli" check --days 30 >"$work/cli.txt" || [[ $? -eq 1 ]] # 1: some lines got the warning sign
report_lines=$(grep -c '^20' "$work/cli.txt")
[[ $report_lines -eq 1000 ]] || { echo "scanbrook-cli printed $report_lines lines" >&2; exit 1; }

# --- End to end --------------------------------------------------------------------------------
for entries in "${sizes[@]}"; do
    file="$work/log-$entries.json"
    ln -sf "$file" "$work/root/sim/control/log.query.output"
    count=$runs
    ((entries >= 100000)) && count=$runs_large
    echo "== end to end, $entries entries ($(stat -c %s "$file") bytes)"
    # Every command through the same shell, its output through a pipe.
    hyperfine --warmup 2 --runs "$count" --output=pipe --ignore-failure \
        --export-json "$results/e2e-$entries.json" \
        -n floor "cat '$file' | wc -c" \
        -n scanbrook-cli "'$cli' check --days 30" \
        -n jq "jq -r '$jq_filter' '$file'" \
        -n python "python3 bench/comparable_lines.py '$file'"
    # Peak resident memory (the largest process of the command, children included), median
    # of three.
    for name in floor scanbrook-cli jq python; do
        case $name in
        floor) command=(sh -c "cat '$file' | wc -c") ;;
        scanbrook-cli) command=("$cli" check --days 30) ;;
        jq) command=(jq -r "$jq_filter" "$file") ;;
        python) command=(python3 bench/comparable_lines.py "$file") ;;
        esac
        peaks=()
        for _ in 1 2 3; do
            /usr/bin/time -f %M -o "$work/peak" "${command[@]}" >/dev/null 2>&1 || true
            peaks+=("$(tail -n 1 "$work/peak")")
        done
        median=$(printf '%s\n' "${peaks[@]}" | sort -n | sed -n 2p)
        echo "$entries $name $median" >>"$results/peak-kb.txt"
    done
    echo "$entries $(stat -c %s "$file")" >>"$results/sizes.txt"
done

# --- Google Benchmark programs -----------------------------------------------------------------
echo "== report building"
"$bench_bin/bench_report" --benchmark_out="$results/report.json" --benchmark_out_format=json
for target in "${gui_targets[@]}"; do
    echo "== ${target#bench_}"
    "$bench_bin/$target" --benchmark_out="$results/${target#bench_}.json" \
        --benchmark_out_format=json
done

# --- Table -------------------------------------------------------------------------------------
python3 - "$results" <<'PY' | tee "$results/table.md"
import json
import os
import statistics
import sys

results = sys.argv[1]


def load(name):
    path = os.path.join(results, name)
    if not os.path.exists(path):
        return None
    with open(path) as file:
        return json.load(file)


def mark(ok):
    return "met" if ok else "**missed**"


sizes = {}
with open(os.path.join(results, "sizes.txt")) as file:
    for line in file:
        entries, size = line.split()
        sizes[int(entries)] = int(size)
peaks = {}
with open(os.path.join(results, "peak-kb.txt")) as file:
    for line in file:
        entries, name, kb = line.split()
        peaks[(int(entries), name)] = int(kb)
e2e = {}
for entries in sizes:
    for result in load(f"e2e-{entries}.json")["results"]:
        e2e[(entries, result["command"])] = result["median"]

names = ["floor", "scanbrook-cli", "jq", "python"]
print("## End to end: log tool bytes on a pipe to the report on standard output\n")
print("| entries | output MB | floor ms | scanbrook-cli ms | jq ms | python ms "
      "| cli / floor | jq / cli | python / cli |")
print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
for entries, size in sorted(sizes.items()):
    t = {name: e2e[(entries, name)] * 1000 for name in names}
    print(f"| {entries:,} | {size / 1e6:.1f} | {t['floor']:.1f} | {t['scanbrook-cli']:.1f} "
          f"| {t['jq']:.1f} | {t['python']:.1f} | {t['scanbrook-cli'] / t['floor']:.1f}x "
          f"| {t['jq'] / t['scanbrook-cli']:.1f}x | {t['python'] / t['scanbrook-cli']:.1f}x |")
print("\nMedian wall time; each command run through the same shell, its output into a pipe.\n")

print("| entries | floor MB | scanbrook-cli MB | jq MB | python MB | cli peak / output size |")
print("|---:|---:|---:|---:|---:|---:|")
for entries, size in sorted(sizes.items()):
    p = {name: peaks[(entries, name)] * 1024 / 1e6 for name in names}
    print(f"| {entries:,} | {p['floor']:.1f} | {p['scanbrook-cli']:.1f} | {p['jq']:.1f} "
          f"| {p['python']:.1f} | {p['scanbrook-cli'] * 1e6 / size:.2f}x |")
print("\nPeak resident memory (GNU time %M: the largest process of the command).\n")

print("## Growth from 1,000 to 100,000 entries\n")
print("| program | ms per MB at 1k | at 15k | at 100k | per MB, 100k / 15k |")
print("|---|---:|---:|---:|---:|")
for name in names:
    per_mb = {n: e2e[(n, name)] * 1000 / (sizes[n] / 1e6) for n in sizes}
    cells = " | ".join(f"{per_mb[n]:.2f}" for n in sorted(sizes))
    print(f"| {name} | {cells} | {per_mb[100000] / per_mb[15000]:.2f} |")
print("\nLinear growth keeps the time per MB level (last column near 1.0 or below); at 1k "
      "entries the start of the processes weighs most.\n")

report = load("report.json")
if report:
    rates = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration" and "bytes_per_second" in b:
            base, entries = b["name"].split("/")[0:2]
            rates[(base, int(entries))] = b["bytes_per_second"] / 1e9
    print("## Report building alone (bytes in memory to report text)\n")
    print("| entries | report GB/s | simdjson parse GB/s | report / parse "
          "| first use: report GB/s | first use: parse GB/s |")
    print("|---:|---:|---:|---:|---:|---:|")
    for entries in sorted({e for _, e in rates}):
        r = rates[("BM_BuildReport", entries)]
        p = rates[("BM_SimdjsonParse", entries)]
        fr = rates[("BM_BuildReportFirstUse", entries)]
        fp = rates[("BM_SimdjsonParseFirstUse", entries)]
        print(f"| {entries:,} | {r:.2f} | {p:.2f} | {r / p:.0%} | {fr:.2f} | {fp:.2f} |")
    print("\nReuse: the thread's parser and the pages of earlier runs are reused (a window "
          "that checks again). First use: a new thread and parser each time (a one-off run).\n")

targets = []
month = 15000
if month in sizes:
    cli = e2e[(month, "scanbrook-cli")]
    targets.append(("end to end <= 3x floor (15k)", f"{cli / e2e[(month, 'floor')]:.1f}x",
                    cli <= 3 * e2e[(month, "floor")]))
    targets.append(("end to end >= 5x faster than jq (15k)",
                    f"{e2e[(month, 'jq')] / cli:.1f}x", e2e[(month, "jq")] >= 5 * cli))
    ratio = peaks[(month, "scanbrook-cli")] * 1024 / sizes[month]
    targets.append(("peak memory <= 2.5x output (15k)", f"{ratio:.2f}x", ratio <= 2.5))
if report:
    r, p = rates[("BM_BuildReport", month)], rates[("BM_SimdjsonParse", month)]
    targets.append(("report building >= 1 GB/s (15k)", f"{r:.2f} GB/s", r >= 1.0))
    targets.append(("report building >= 40% of simdjson parse (15k)", f"{r / p:.0%}",
                    r >= 0.4 * p))


def times(name):
    data = load(name)
    if not data:
        return None
    return {b["name"].split("/")[0]: b for b in data["benchmarks"]
            if b.get("run_type", "iteration") == "iteration"}


console = times("console.json")
if console:
    print("## Console, 15,000-line report, offscreen (ms per step, layout and paint included)\n")
    print("| step | console adapter | bare QPlainTextEdit | ratio |")
    print("|---|---:|---:|---:|")
    for step, ours, bare in [("show the report (setOutputText)", "BM_ConsoleShowReport",
                              "BM_BareShowReport"),
                             ("re-font (incFontSize)", "BM_ConsoleRefont", "BM_BareRefont"),
                             ("append a notice", "BM_ConsoleAppendNotice",
                              "BM_BareAppendNotice")]:
        a, b = console[ours]["real_time"], console[bare]["real_time"]
        print(f"| {step} | {a:.1f} | {b:.1f} | {a / b:.2f}x |")
        if "append" not in step:
            targets.append((f"console: {step} <= 1.5x bare", f"{a / b:.2f}x", a <= 1.5 * b))
    print()

responsiveness = times("responsiveness.json")
if responsiveness:
    check = responsiveness["BM_CheckLateness"]
    idle = responsiveness["BM_IdleLateness"]
    print("## Responsiveness: 5 ms main-thread timer during a 30-day check of a month's output\n")
    print("| | worst lateness ms |")
    print("|---|---:|")
    print(f"| during the check (final console update excluded) | "
          f"{check['worst_lateness_ms']:.1f} |")
    print(f"| idle, for comparison | {idle['worst_lateness_ms']:.1f} |\n")
    targets.append(("worst main-thread lateness <= 20 ms",
                    f"{check['worst_lateness_ms']:.1f} ms", check["worst_lateness_ms"] <= 20))

launch = times("launch.json")
if launch:
    ours = launch["BM_LaunchScanbrook"]["median_ms"]
    bare = launch["BM_LaunchBareWindow"]["median_ms"]
    tools = launch["BM_LaunchCheckTools"]["median_ms"]
    print("## Launch, offscreen (median ms from exec)\n")
    print("| Scanbrook: window shown, five checks passed | bare Qt window: first paint "
          "| ratio | the checks' three tools alone |")
    print("|---:|---:|---:|---:|")
    print(f"| {ours:.1f} | {bare:.1f} | {ours / bare:.2f}x | {tools:.1f} |\n")
    targets.append(("launch <= 2x bare Qt window", f"{ours / bare:.2f}x", ours <= 2 * bare))

print("## Targets\n")
print("| target | measured | |")
print("|---|---:|---|")
for name, measured, ok in targets:
    print(f"| {name} | {measured} | {mark(ok)} |")
PY
echo
echo "Raw results and this table: $results"
