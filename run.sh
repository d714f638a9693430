#!/usr/bin/env bash
# The project's two commands for a fresh Debian machine:
#   ./run.sh demo   build and run the main job
#   ./run.sh test   build and run the whole suite, normal and sanitized
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make libgtest-dev libgmock-dev hershey-fonts-data libsqlite3-dev libreadline-dev)
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
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE="$2" -DVEM_SANITIZE="$3" >/dev/null
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
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_tests build-asan
}

cmd_demo() {
    install_missing_packages
    build build RelWithDebInfo OFF
    ./build/bin/vemcad --script examples/demo.scr
}

case "${1:-}" in
    test) cmd_test ;;
    demo) cmd_demo ;;
    *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac
