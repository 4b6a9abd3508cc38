#!/usr/bin/env bash
# The whole suite, GUI tests included, built against libplist 2.7 (the Mac's version, whose API
# differs from Debian's 2.2 and which also reads JSON and OpenStep) in a build of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."

builder=../shared/tools/build-libplist.sh
if [[ ! -f $builder ]]; then
    echo "40-libplist27: skipped, $builder is absent (it builds libplist 2.7 from ../shared/vendor)"
    exit 0
fi

bash scripts/install-deps.sh
bash scripts/install-deps.sh autoconf automake libtool make gcc # to build libplist
prefix=$PWD/build/libplist-2.7
build_dir=build/libplist27
bash "$builder" "$prefix"

# The library's folder goes into the binaries' run path, so the tests load it without
# LD_LIBRARY_PATH; the check below makes sure.
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" cmake --preset debug -B "$build_dir" \
    -DSCANBROOK_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_RPATH="$prefix/lib"
grep -q '^SCANBROOK_PLIST_FORMAT_API_2_7_0:INTERNAL=1$' "$build_dir/CMakeCache.txt" || {
    echo "40-libplist27: the build did not find libplist 2.7's API" >&2
    exit 1
}
cmake --build "$build_dir" -j "$(getconf _NPROCESSORS_ONLN)"

# Every binary that loads libplist loads the one built above.
checked=0
while IFS= read -r binary; do
    loaded=$(ldd "$binary" 2>/dev/null | awk '/libplist-2\.0/ {print $3}' || true)
    [[ -z $loaded ]] && continue
    if [[ $loaded != "$prefix"/lib/* ]]; then
        echo "40-libplist27: $binary loads $loaded, not libplist 2.7 from $prefix" >&2
        exit 1
    fi
    checked=$((checked + 1))
done < <(find "$build_dir" -type f -perm -u+x ! -path '*/CMakeFiles/*')
if ((checked == 0)); then
    echo "40-libplist27: no built binary loads libplist" >&2
    exit 1
fi
echo "40-libplist27: $checked binaries load libplist 2.7 from $prefix"

QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" -j "$(getconf _NPROCESSORS_ONLN)" \
    --timeout 300 --output-on-failure
