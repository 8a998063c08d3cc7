#!/usr/bin/env bash
# Makes the README's pictures of the window, light and dark, from the real program: built
# as run.sh builds it, started on a virtual X display in a folder of its own, with a
# search whose pages cannot be reached (so each tab shows the program's own notice).
#   scripts/screenshots.sh            writes docs/window-light.png and docs/window-dark.png
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
veritome_install_packages "${veritome_packages[@]}" imagemagick
veritome_build build -DVERITOME_BUILD_TESTS=OFF

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -p docs

shoot() { # CHOICE FILE: 1 light, 2 dark
    rm -f "$folder"/Veritom*
    cp build/bin/Veritome build/bin/libveritome_window.so "$folder"/
    printf '[Form]\r\nwidth=729\r\nHeight=420\r\n[Veritome]\r\nColorScheme=%s\r\n' "$1" \
        >"$folder/Veritoem.ini"
    # Every address goes to a port where nothing listens.
    QTWEBENGINE_CHROMIUM_FLAGS='--host-resolver-rules="MAP * 127.0.0.1:9"' \
        xvfb-run -a -s "-screen 0 800x480x24" bash -c '
            "$1/Veritome" --mode 0 苹果 & program=$!
            for _ in $(seq 100); do
                window=$(xdotool search --pid "$program" --onlyvisible --name Veritome 2>/dev/null | head -1) || true
                [ -n "$window" ] && break
                sleep 0.1
            done
            sleep 4 # the five notices
            import -window "$window" "$2"
            kill "$program"' _ "$folder" "$2"
    echo "$2"
}
shoot 1 docs/window-light.png
shoot 2 docs/window-dark.png
