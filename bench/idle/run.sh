#!/usr/bin/env bash
# Wake-ups and CPU time of Veritome left alone for 10 s with its pages loaded, tool bar
# docked and floating, beside a bare web view, on a virtual X display that openbox manages.
# Usage: bench/idle/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh
veritome_install_packages "${veritome_packages[@]}"
veritome_build build -DVERITOME_BUILD_TESTS=ON >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_RUNTIME_DIR=$home QT_LOGGING_RULES="qt.webenginecontext.info=false"
export VERITOME_BENCH_WINDOW_MANAGER=openbox
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
exec tests/gui/with_openbox.sh build/bench/idle/bench_idle
