#!/usr/bin/env bash
# ./test.sh: installs what is missing, builds every build and runs every suite:
#   native, native under AddressSanitizer + UndefinedBehaviorSanitizer, the threaded
#   code under ThreadSanitizer, the Windows builds under wine, and a time-boxed fuzz run.
# Both Windows builds (32-bit and 64-bit) are built; the whole Windows suite runs on
# the 32-bit one under wine32 where 32-bit programs run here, else on the 64-bit one
# under wine64 (tools/wine-env.sh finds out by trying; VANDREL_WINE_BITS=32|64 chooses).
# The other build's release zip is checked as a file.
# Exits non-zero when any suite fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
. tools/install-deps.sh
vandrel_install_all || { echo "installing the build tools failed"; exit 1; }

jobs=$(nproc)
fuzz_seconds=${VANDREL_FUZZ_SECONDS:-60}
passed=()
failed=()

suite() {
    local name=$1
    shift
    echo
    echo "======== $name"
    local start=$SECONDS
    if "$@"; then
        passed+=("$name")
        echo "======== $name: passed ($((SECONDS - start)) s)"
    else
        failed+=("$name")
        echo "======== $name: FAILED ($((SECONDS - start)) s)"
    fi
}

build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    mkdir -p "$(dirname "$dir")"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j"$jobs" >"$dir.build.log" 2>&1 || { tail -n 60 "$dir.build.log"; return 1; }
}

native() {
    build build/native && ctest --test-dir build/native -j"$jobs" --output-on-failure
}

sanitizers() {
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    build build/asan -DVANDREL_SANITIZE=ON -DVANDREL_BENCH=OFF &&
        ctest --test-dir build/asan -j"$jobs" --output-on-failure
}

threads() {
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    build build/tsan -DVANDREL_TSAN=ON -DVANDREL_BENCH=OFF &&
        ctest --test-dir build/tsan -j"$jobs" --output-on-failure -R '(Worker|Queue|Log|Message|Pipeline|CliExtract|CliJobs|CliGrep)'
}

windows() {
    build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DVANDREL_WERROR=ON || return 1
    build build/windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DVANDREL_WERROR=ON || return 1
    . tools/wine-env.sh
    wine_choose_bits
    local runs checked other_bits=$((96 - VANDREL_WINE_BITS))
    runs=$(wine_build_dir)
    if [ "$VANDREL_WINE_BITS" = 32 ]; then checked=build/windows64; else checked=build/windows; fi
    echo "-- the Windows suite runs on the ${VANDREL_WINE_BITS}-bit build under wine${VANDREL_WINE_BITS};" \
        "the ${other_bits}-bit build is checked as a file"
    wine_env_up || { wine_env_down; return 1; }
    mkdir -p build/screenshots
    export VANDREL_SCREENSHOTS="$here/build/screenshots"
    ctest --test-dir "$runs" -j"$jobs" --output-on-failure --timeout 300
    local status=$?
    echo "-- the ${other_bits}-bit release, checked as a file"
    ctest --test-dir "$checked" --output-on-failure -R '^release_(package|contents)$' || status=1
    wine_env_down
    return $status
}

fuzz() {
    mkdir -p build/fuzz
    CC=clang CXX=clang++ build build/fuzz -DVANDREL_FUZZ=ON || return 1
    local work=build/fuzz/run target status=0
    rm -rf "$work"
    mkdir -p "$work/seeds/fastfiles" "$work/seeds/zones" "$work/findings"
    build/fuzz/tests/fuzz/make_fuzz_seeds "$work/seeds" || return 1
    # Whole FastFiles through zlib, and bare zones straight into parse and scan.
    for target in engine_fuzz:fastfiles zone_fuzz:zones; do
        local name=${target%%:*} seeds=${target##*:}
        mkdir -p "$work/corpus-$name"
        echo "-- $name"
        build/fuzz/tests/fuzz/$name -max_total_time=$((fuzz_seconds / 2)) -max_len=65536 -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/$name-" \
            "$work/corpus-$name" "$work/seeds/$seeds" >"$work/$name.log" 2>&1 || status=1
        grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" "$work/$name.log"
        [ $status -eq 0 ] || tail -n 40 "$work/$name.log"
    done
    if [ $status -ne 0 ] || [ -n "$(ls -A "$work/findings")" ]; then
        echo "fuzz findings kept in $work/findings"
        return 1
    fi
}

suite native native
suite "asan+ubsan" sanitizers
suite tsan threads
suite "windows (wine)" windows
suite "fuzz (${fuzz_seconds} s)" fuzz

echo
echo "suites: ${#passed[@]} passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ] || { echo "failed: ${failed[*]}"; exit 1; }
