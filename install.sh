#!/usr/bin/env bash
# Installs Veritome for the current user, with no root rights needed for the install itself:
#   ~/.local/lib/veritome/Veritome      the program, in a folder of its own that the user
#                                       can write: its two files live beside it
#   ~/.local/lib/veritome/libveritome_window.so   the program's window part
#   ~/.local/bin/veritome               the launcher on the PATH
#   ~/.local/share/applications/veritome.desktop
#   ~/.local/share/icons/hicolor/<size>/apps/veritome.png
#
#   ./install.sh                 build (Release, as run.sh does) and install
#   ./install.sh --from DIR      install what is already built in DIR
#   ./install.sh --uninstall     remove all of the above; the settings and history files stay
set -euo pipefail
cd "$(dirname "$0")"

lib_dir="$HOME/.local/lib/veritome"
bin_dir="$HOME/.local/bin"
data_dir="${XDG_DATA_HOME:-$HOME/.local/share}"
launcher="$bin_dir/veritome"
desktop_file="$data_dir/applications/veritome.desktop"
icon_root="$data_dir/icons/hicolor"
icon_sizes=(16x16 32x32 48x48 64x64 128x128)
# The launcher carries this line, so that uninstalling never removes someone else's file.
launcher_mark="# Veritome launcher"

refresh_desktop() {
    if command -v update-desktop-database >/dev/null 2>&1; then
        update-desktop-database -q "$data_dir/applications" 2>/dev/null || true
    fi
    # Desktops re-read the icon theme when its folder changes.
    [ -d "$icon_root" ] && touch "$icon_root"
    return 0
}

uninstall() {
    rm -f "$lib_dir/Veritome" "$lib_dir/libveritome_window.so" "$desktop_file"
    local size
    for size in "${icon_sizes[@]}"; do
        rm -f "$icon_root/$size/apps/veritome.png"
    done
    if [ -f "$launcher" ] && grep -qx "$launcher_mark" "$launcher"; then
        rm -f "$launcher"
    fi
    # The folder goes only when the user's two files are not in it.
    rmdir "$lib_dir" 2>/dev/null || true
    refresh_desktop
    echo "Veritome is uninstalled."
    local kept=()
    for name in Veritoem.ini Veritome.qry; do
        [ -e "$lib_dir/$name" ] && kept+=("$lib_dir/$name")
    done
    if [ ${#kept[@]} -gt 0 ]; then
        echo "Kept your settings and history: ${kept[*]}"
    fi
}

# install_file SOURCE TARGET MODE: a copy put in place by rename, so that a running
# copy of the program or a reader of the file never sees half of it.
install_file() {
    local target=$2
    mkdir -p "$(dirname "$target")"
    install -m "$3" "$1" "$target.new.$$"
    mv -f "$target.new.$$" "$target"
}

install_from() {
    local build=$1
    local program="$build/bin/Veritome"
    local window="$build/bin/libveritome_window.so"
    local icons="$build/share/icons/hicolor"
    if [ ! -x "$program" ] || [ ! -f "$window" ] || [ ! -f "$icons/48x48/apps/veritome.png" ]; then
        echo "install.sh: no built program and icons in $build" >&2
        exit 1
    fi

    # The window part first: a start of the new program finds the new part beside it.
    install_file "$window" "$lib_dir/libveritome_window.so" 755
    install_file "$program" "$lib_dir/Veritome" 755

    local script
    script=$(mktemp)
    printf '#!/bin/sh\n%s\nexec "%s" "$@"\n' "$launcher_mark" "$lib_dir/Veritome" >"$script"
    install_file "$script" "$launcher" 755
    rm -f "$script"

    local entry
    entry=$(mktemp)
    local escaped=${launcher//\\/\\\\}
    escaped=${escaped//&/\\&}
    sed "s|@LAUNCHER@|${escaped//|/\\|}|" packaging/veritome.desktop.in >"$entry"
    install_file "$entry" "$desktop_file" 644
    rm -f "$entry"

    local size
    for size in "${icon_sizes[@]}"; do
        install_file "$icons/$size/apps/veritome.png" "$icon_root/$size/apps/veritome.png" 644
    done
    refresh_desktop

    echo "Veritome is installed in $lib_dir"
    echo "Start it from the applications menu, or with: veritome"
    case ":$PATH:" in
        *":$bin_dir:"*) ;;
        *) echo "Note: $bin_dir is not on your PATH yet; it usually is after logging in again." ;;
    esac
}

case "${1:-}" in
    --uninstall)
        uninstall
        ;;
    --from)
        [ $# -eq 2 ] || { echo "usage: ./install.sh --from BUILD_DIR" >&2; exit 2; }
        install_from "$2"
        ;;
    "")
        . scripts/setup.sh
        veritome_install_packages "${veritome_packages[@]}"
        veritome_build build -DVERITOME_BUILD_TESTS=OFF
        install_from build
        ;;
    *)
        echo "usage: ./install.sh [--uninstall | --from BUILD_DIR]" >&2
        exit 2
        ;;
esac
