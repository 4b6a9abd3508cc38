#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each for the given number of seconds, starting from its seed corpus in
# fuzz/corpus/<name>/. New inputs go to <build>/corpus/<name>/, never into the seeds; a crash,
# leak, sanitizer report, time-out or broken invariant stops that target, keeps the input in
# <build>/artifacts/ and makes the script fail.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 20 seconds, every target)
#
# SCANBROOK_FUZZ_BUILD_DIR chooses the build folder (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
shift || true
all_targets=(check_report event_count log_time_format group_list period_text update_catalogue json_writer)
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=("${all_targets[@]}")
fi
build_dir="${SCANBROOK_FUZZ_BUILD_DIR:-build/fuzz}"

# The compiler: CXX when set, otherwise a clang that has libFuzzer. Debian's comes with clang's
# runtime package, which the normal build does not need; Apple's clang has no libFuzzer, so on a
# Mac Homebrew's llvm (which also needs Homebrew's libraries).
if [[ "$(uname -s)" == Darwin ]]; then
    llvm="$(brew --prefix llvm)/bin"
    export CXX="${CXX:-$llvm/clang++}"
    export CMAKE_PREFIX_PATH="${CMAKE_PREFIX_PATH:-$(brew --prefix)}"
    export ICU_ROOT="${ICU_ROOT:-$(brew --prefix icu4c)}"
    symbolizer="$llvm/llvm-symbolizer"
else
    bash scripts/install-deps.sh clang-14 libclang-rt-14-dev llvm-14
    export CXX="${CXX:-$(command -v clang++-14 || command -v clang++)}"
    symbolizer="$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)"
fi

cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(getconf _NPROCESSORS_ONLN)" --target "${targets[@]/#/fuzz_}"

# Symbolised reports name the line that failed.
export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-$symbolizer}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=()
for target in "${targets[@]}"; do
    seeds="fuzz/corpus/$target"
    work="$build_dir/corpus/$target"
    artifacts="$build_dir/artifacts"
    mkdir -p "$work" "$artifacts"
    dict=()
    limits=(-timeout=10 -rss_limit_mb=2048)
    case "$target" in
        check_report | event_count | log_time_format | json_writer) dict=(-dict=fuzz/json.dict) ;;
        # A catalogue is read on the main thread: every body, the nested and self-multiplying
        # seeds included, is read or refused within 5 s and 512 MB.
        update_catalogue) dict=(-dict=fuzz/plist.dict) limits=(-timeout=5 -rss_limit_mb=512) ;;
    esac
    log="$build_dir/fuzz_$target.log"
    echo "== fuzz_$target for ${seconds}s"
    if "$build_dir/fuzz/fuzz_$target" "${dict[@]}" -max_total_time="$seconds" "${limits[@]}" \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        "$work" "$seeds" >"$log" 2>&1; then
        runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
        echo "   ok: ${runs:-?} executions, corpus $(find "$work" -type f | wc -l) new inputs"
    else
        tail -n 40 "$log"
        echo "   FAILED: see $log and $artifacts/$target-*"
        failed+=("$target")
    fi
done

echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if ((${#failed[@]})); then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
