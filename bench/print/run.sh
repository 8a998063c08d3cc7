#!/usr/bin/env bash
# Print figures for a 100 KB text page: the print command's PDF beside the raster print of
# the web view, and the preview. Usage: bench/print/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh
veritome_install_packages "${veritome_packages[@]}"
veritome_build build -DVERITOME_BUILD_TESTS=ON >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="qt.webenginecontext.info=false" \
    build/bench/print/bench_print 2>/dev/null
