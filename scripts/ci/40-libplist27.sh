#!/usr/bin/env bash
# The whole suite, GUI tests included, in a build of its own against the Mac's versions of two
# libraries whose APIs differ from Debian's: libplist 2.7 (Debian has 2.2; 2.7 also reads JSON
# and OpenStep) and simdjson 4.0.2 (Debian has 3.0.1; 4.x retired deprecated APIs). The same
# build removes every Qt API deprecated up to Qt 6.4, the oldest Qt supported, with -Werror.
# The libraries are built from ../shared/vendor by ../shared/tools (SCANBROOK_SHARED moves it).
set -euo pipefail
cd "$(dirname "$0")/../.."

shared=${SCANBROOK_SHARED:-../shared}
for builder in "$shared/tools/build-libplist.sh" "$shared/tools/build-simdjson.sh"; do
    if [[ ! -f $builder ]]; then
        echo "40-libplist27: skipped, $builder is absent (it builds a library from $shared/vendor)"
        exit 0
    fi
done

bash scripts/install-deps.sh
bash scripts/install-deps.sh autoconf automake libtool make gcc # to build libplist
prefix=$PWD/build/libplist-2.7
simdjson=$PWD/build/simdjson-4.0.2
build_dir=build/libplist27
bash "$shared/tools/build-libplist.sh" "$prefix"
bash "$shared/tools/build-simdjson.sh" "$simdjson"

# The libraries' folders go into the binaries' run path, so the tests load them without
# LD_LIBRARY_PATH; the check below makes sure.
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" cmake --preset debug -B "$build_dir" \
    -DSCANBROOK_BUILD_BENCHMARKS=OFF -DCMAKE_PREFIX_PATH="$simdjson" \
    -DCMAKE_BUILD_RPATH="$prefix/lib;$simdjson/lib" \
    -DSCANBROOK_QT_DISABLE_DEPRECATED_UP_TO=0x060400
grep -q '^SCANBROOK_PLIST_FORMAT_API_2_7_0:INTERNAL=1$' "$build_dir/CMakeCache.txt" || {
    echo "40-libplist27: the build did not find libplist 2.7's API" >&2
    exit 1
}
grep -qx "simdjson_DIR:PATH=$simdjson/.*" "$build_dir/CMakeCache.txt" || {
    echo "40-libplist27: the build did not find simdjson 4.0.2 in $simdjson" >&2
    exit 1
}
cmake --build "$build_dir" -j "$(getconf _NPROCESSORS_ONLN)"

# Every binary that loads one of the two libraries loads the one built above.
for library in "libplist-2.0:$prefix" "libsimdjson:$simdjson"; do
    name=${library%%:*} from=${library#*:} checked=0
    while IFS= read -r binary; do
        loaded=$(ldd "$binary" 2>/dev/null | awk -v name="$name" 'index($1, name) == 1 {print $3}' || true)
        [[ -z $loaded ]] && continue
        if [[ $loaded != "$from"/lib/* ]]; then
            echo "40-libplist27: $binary loads $loaded, not the $name in $from" >&2
            exit 1
        fi
        checked=$((checked + 1))
    done < <(find "$build_dir" -type f -perm -u+x ! -path '*/CMakeFiles/*')
    if ((checked == 0)); then
        echo "40-libplist27: no built binary loads $name" >&2
        exit 1
    fi
    echo "40-libplist27: $checked binaries load $name from $from"
done

QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" -j "$(getconf _NPROCESSORS_ONLN)" \
    --timeout 300 --output-on-failure
