#!/usr/bin/env bash
# Installs what is missing, builds Veritome and starts it.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh

veritome_install_packages "${veritome_packages[@]}"
veritome_build build -DVERITOME_BUILD_TESTS=OFF

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: Veritome starts on a virtual X display (Xvfb)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/Veritome
fi
exec build/bin/Veritome
