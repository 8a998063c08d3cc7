#!/usr/bin/env bash
# CPU time of Veritome left alone for 10 s with its pages loaded, beside a bare web view.
# Runs on the X display if there is one, else on a virtual one. Usage: bench/idle/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh
veritome_install_packages "${veritome_packages[@]}"
veritome_build build -DVERITOME_BUILD_TESTS=ON >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_RUNTIME_DIR=$home QT_LOGGING_RULES="qt.webenginecontext.info=false"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/idle/bench_idle
fi
exec build/bench/idle/bench_idle
