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
fi

veritome_install_packages "${veritome_packages[@]}"
veritome_build "$build_dir" -DVERITOME_BUILD_TESTS=ON "${options[@]}"

# Most tests run offscreen; those that need a real X server get this one.
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build_dir" --output-on-failure "$@"
