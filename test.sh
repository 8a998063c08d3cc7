#!/usr/bin/env bash
# Installs what is missing, builds Veritome with its tests and runs them all headless.
#   ./test.sh            the whole suite
#   ./test.sh --asan     the same in an AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh

build_dir=build
options=()
if [ "${1:-}" = "--asan" ]; then
    build_dir=build-asan
    options+=(-DVERITOME_SANITIZE=ON)
    shift
    # Any report fails the test that hits it. Two things are not the program's and are
    # set aside: the web engine (Chromium inside QtWebEngineCore) frees objects through a
    # base type of another size, which ASan can only be told to ignore as a whole; and the
    # engine and fontconfig keep some memory until exit on purpose (the suppressions).
    export ASAN_OPTIONS="halt_on_error=1:new_delete_type_mismatch=0"
    export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    # Mesa's GL driver leaks a little at exit from a module it has already unloaded, where
    # no suppression can name it; the tests need no GL, so it is not loaded at all.
    export QT_QPA_OFFSCREEN_NO_GLX=1 QT_XCB_GL_INTEGRATION=none
fi

veritome_install_packages "${veritome_packages[@]}"
veritome_build "$build_dir" -DVERITOME_BUILD_TESTS=ON "${options[@]}"

# Most tests run offscreen; those that need a real X server get this one.
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build_dir" --output-on-failure "$@"
