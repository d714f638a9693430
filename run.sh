#!/usr/bin/env bash
# The project's two commands for a fresh Debian machine:
#   ./run.sh demo   build and run the main job
#   ./run.sh ui [DRAWING]   build and serve a session to the browser (vemcad --serve)
#   ./run.sh test   build and run the whole suite, normal and sanitized
#   ./run.sh fuzz [SECONDS]   build the fuzz targets with clang and run each (default 60 s)
#   ./run.sh bench  Release build, benchmarks against their targets, DXFOUT beside ezdxf,
#                   PLOT beside LibreCAD's dxf2pdf (librecad installed when missing)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make libgtest-dev libgmock-dev hershey-fonts-data libsqlite3-dev libreadline-dev libbenchmark-dev clang libclang-rt-14-dev libcairo2-dev python3-ezdxf python3-cairo libboost-dev libcpp-httplib-dev pkg-config chromium chromium-driver python3-selenium poppler-utils fonts-wqy-microhei libfreetype-dev)
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing_packages() {
    local missing=()
    for pkg in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# build <dir> <build type> <sanitize ON|OFF>
build() {
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE="$2" -DVEM_SANITIZE="$3" -DVEM_WERROR=ON >/dev/null
    cmake --build "$1" -j "$JOBS"
}

run_tests() {
    local dir=$1
    (cd "$dir" && ctest --output-on-failure -j "$JOBS")
}

cmd_test() {
    install_missing_packages
    build build RelWithDebInfo OFF
    build build-asan Debug ON
    echo "== normal build =="
    run_tests build
    if fuzz_tools_present; then
        echo "== fuzz smoke =="
        build_fuzz
        run_fuzz 20
    fi
    # Last, so that the run ends with CTest's summary line.
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_tests build-asan
}

FUZZ_TARGETS=(filer_records open_drawing command_flows dxf_read)

fuzz_tools_present() {
    command -v clang++ >/dev/null && dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed"
}

# Everything built by clang with coverage for libFuzzer, AddressSanitizer and UBSan.
build_fuzz() {
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
        -DVEM_SANITIZE=ON -DVEM_FUZZ=ON -DVEM_WERROR=ON >/dev/null
    cmake --build build-fuzz -j "$JOBS" --target "${FUZZ_TARGETS[@]/#/fuzz_}"
}

# run_fuzz <seconds>: each target in turn; new inputs go to build-fuzz/corpus/<target>,
# failing ones to build-fuzz/artifacts/<target>/ (copy them to tests/fuzz/regressions/).
run_fuzz() {
    local failed=0
    for t in "${FUZZ_TARGETS[@]}"; do
        mkdir -p "build-fuzz/corpus/$t" "build-fuzz/artifacts/$t"
        echo "== fuzz $t for $1 s =="
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            "build-fuzz/fuzz/fuzz_$t" -max_total_time="$1" -timeout=25 -print_final_stats=1 \
            $([ -f "tests/fuzz/$t.dict" ] && echo "-dict=tests/fuzz/$t.dict") \
            -artifact_prefix="build-fuzz/artifacts/$t/" \
            "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" $([ -d "tests/fuzz/regressions/$t" ] && echo "tests/fuzz/regressions/$t") \
            || failed=1
    done
    return $failed
}

cmd_fuzz() {
    install_missing_packages
    build_fuzz
    run_fuzz "${1:-60}"
}

cmd_demo() {
    install_missing_packages
    build build RelWithDebInfo OFF
    # The demo makes its drawing anew: SAVEAS would otherwise ask to replace last run's.
    rm -f build/demo.vdb
    ./build/bin/vemcad --script examples/demo.scr
    echo
    echo "The demo plotted: build/demo.png (fitted on A4) and build/demo.pdf (A3 at 1:500)."
    echo "The demo drawing is build/demo.vdb. To see it and go on annotating it in the browser:"
    echo "  ./run.sh ui build/demo.vdb"
}

# vemcad --serve prints the address to open; QUIT in the page ends it.
cmd_ui() {
    install_missing_packages
    build build RelWithDebInfo OFF
    ./build/bin/vemcad --serve "$@"
}

cmd_bench() {
    install_missing_packages
    cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DVEM_BUILD_BENCH=ON -DVEM_BUILD_TESTS=OFF >/dev/null
    cmake --build build-rel -j "$JOBS"
    mkdir -p build
    local status=0
    for b in label_bench host_paths_bench dxf_bench view_bench; do
        [ -x "build-rel/bench/$b" ] || continue
        echo "== $b =="
        "build-rel/bench/$b" --benchmark_out="build/$b.json" --benchmark_out_format=json || status=1
    done
    echo "== DXFOUT beside ezdxf =="
    /usr/bin/python3 bench/compare_ezdxf.py --vemcad build-rel/bin/vemcad || status=1
    # LibreCAD's dxf2pdf is what PLOT's speed is measured against; without it the
    # comparison leaves that ratio out, so a failed install does not fail the bench.
    if ! dpkg-query -W -f='${Status}' librecad 2>/dev/null | grep -q "install ok installed" &&
        command -v apt-get >/dev/null; then
        echo "Installing: librecad"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq librecad; } ||
            echo "librecad could not be installed: PLOT is benchmarked without dxf2pdf"
    fi
    echo "== PLOT beside LibreCAD's dxf2pdf =="
    /usr/bin/python3 bench/compare_plot.py --vemcad build-rel/bin/vemcad || status=1
    echo "== PLOT of 100,000 labels =="
    /usr/bin/python3 bench/compare_plot.py --large --vemcad build-rel/bin/vemcad || status=1
    return $status
}

case "${1:-}" in
    test) cmd_test ;;
    demo) cmd_demo ;;
    bench) cmd_bench ;;
    fuzz) cmd_fuzz "${2:-60}" ;;
    ui) shift; cmd_ui "$@" ;;
    *) echo "usage: $0 demo|test|bench|fuzz [seconds]|ui [drawing]" >&2; exit 2 ;;
esac
