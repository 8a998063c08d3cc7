#!/usr/bin/env bash
# Installs a built Veritome into a temporary HOME with install.sh, checks every file it
# puts down, starts the program through the launcher, installs again over the user's two
# files, and uninstalls.
#   tst_install.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2

. "$(dirname "$0")/checks.sh"

HOME=$(mktemp -d)
export HOME
unset XDG_DATA_HOME
trap 'rm -rf "$HOME"' EXIT
lib="$HOME/.local/lib/veritome"
launcher="$HOME/.local/bin/veritome"
entry="$HOME/.local/share/applications/veritome.desktop"
icons="$HOME/.local/share/icons/hicolor"
sizes=(16 32 48 64 128)

# The width and height in a PNG's header.
png_size() {
    local bytes
    bytes=$(od -An -tx1 -j16 -N8 "$1" | tr -d ' \n')
    echo "$((16#${bytes:0:8}))x$((16#${bytes:8:8}))"
}
is_png_of() {
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] && [ "$(png_size "$1")" = "$2" ]
}
desktop_value() {
    sed -n "s/^$1=//p" "$entry" | head -1
}

echo "== install into $HOME"
check "install.sh --from succeeds" "$source_dir/install.sh" --from "$build_dir"

check "the program is installed, the same bytes as built" cmp -s "$build_dir/bin/Veritome" "$lib/Veritome"
check "the program is executable" test -x "$lib/Veritome"
check "its window part is installed beside it, the same bytes as built" cmp -s "$build_dir/bin/libveritome_window.so" "$lib/libveritome_window.so"
check "the program's folder is the user's to write" test -w "$lib" -a -O "$lib"
check "the launcher is executable" test -x "$launcher"
check "the launcher starts the installed program" grep -q "exec \"$lib/Veritome\"" "$launcher"

check "the desktop entry exists" test -f "$entry"
check "the entry is an application" test "$(desktop_value Type)" = Application
check "the entry has an English name" test "$(desktop_value Name)" = Veritome
check "the entry has a Chinese name" grep -q '^Name\[zh_CN\]=.*查询' "$entry"
check "the entry has a Chinese comment" grep -q '^Comment\[zh_CN\]=..' "$entry"
check "the entry starts the launcher" test "$(desktop_value Exec)" = "\"$launcher\""
check "the entry names the icon" test "$(desktop_value Icon)" = veritome
check "the entry offers its action" test "$(desktop_value Actions)" = "lookup-selection;"
check "the action looks up the selection in the popup" test "$(sed -n '/^\[Desktop Action lookup-selection\]/,/^\[/p' "$entry" | sed -n 's/^Exec=//p')" = "\"$launcher\" --popup --selection"
check "the action has its Chinese name" grep -qx 'Name=查询选中的文字' "$entry"
check "no placeholder is left in the entry" bash -c "! grep -q @ '$entry'"
if command -v desktop-file-validate >/dev/null 2>&1; then
    check "the entry is valid" desktop-file-validate "$entry"
else
    echo "(desktop-file-validate is not installed: the entry's syntax is not validated)"
fi
for size in "${sizes[@]}"; do
    check "a ${size}x${size} PNG icon" is_png_of "$icons/${size}x${size}/apps/veritome.png" "${size}x${size}"
done

echo "== the launcher starts the program from its own folder"
# A runtime folder of its own: a Veritome already running on this display is not reached.
XDG_RUNTIME_DIR="$HOME" QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
    QTWEBENGINE_CHROMIUM_FLAGS='--host-resolver-rules="MAP * ~NOTFOUND"' \
    "$launcher" >"$HOME/run.log" 2>&1 &
pid=$!
started=no
for _ in $(seq 1 100); do
    if [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$lib/Veritome" ]; then
        started=yes
        break
    fi
    sleep 0.1
done
sleep 2
check "the launcher runs $lib/Veritome" test "$started" = yes
check "the program is still running after two seconds" kill -0 "$pid"
check "it runs the window part installed beside it" grep -q "$lib/libveritome_window.so" "/proc/$pid/maps"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null

echo "== install again over the user's files"
printf '[Form]\r\nwidth=700\r\n' >"$lib/Veritoem.ini"
printf 'term\r\n' >"$lib/Veritome.qry"
cp "$lib/Veritoem.ini" "$lib/Veritome.qry" "$HOME/"
check "installing again succeeds" "$source_dir/install.sh" --from "$build_dir" >/dev/null
check "the settings are untouched by an install" cmp -s "$lib/Veritoem.ini" "$HOME/Veritoem.ini"
check "the history is untouched by an install" cmp -s "$lib/Veritome.qry" "$HOME/Veritome.qry"
check "no temporary file is left" test "$(find "$HOME/.local" -name '*.new.*' | wc -l)" = 0

echo "== uninstall"
printf '#!/bin/sh\necho someone else\n' >"$HOME/other-launcher"
check "--uninstall succeeds" "$source_dir/install.sh" --uninstall
check "the program is gone" test ! -e "$lib/Veritome"
check "its window part is gone" test ! -e "$lib/libveritome_window.so"
check "the launcher is gone" test ! -e "$launcher"
check "the desktop entry is gone" test ! -e "$entry"
for size in "${sizes[@]}"; do
    check "the ${size}x${size} icon is gone" test ! -e "$icons/${size}x${size}/apps/veritome.png"
done
check "the settings file stays" cmp -s "$lib/Veritoem.ini" "$HOME/Veritoem.ini"
check "the history file stays" cmp -s "$lib/Veritome.qry" "$HOME/Veritome.qry"
check "nothing else stays in the program's folder" test "$(ls -A "$lib" | wc -l)" = 2

echo "== a launcher that is not ours is left alone; an empty folder goes"
"$source_dir/install.sh" --from "$build_dir" >/dev/null
cp "$HOME/other-launcher" "$launcher"
rm "$lib/Veritoem.ini" "$lib/Veritome.qry"
check "--uninstall succeeds again" "$source_dir/install.sh" --uninstall >/dev/null
check "someone else's launcher stays" cmp -s "$launcher" "$HOME/other-launcher"
check "the empty program folder is removed" test ! -e "$lib"

finish
