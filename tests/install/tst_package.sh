#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the committed tree, as Debian builds its
# own, and checks what it holds: lintian, its metadata and file list, the desktop entry and
# AppStream metadata it installs, and its program started by a user who cannot write the
# program's folder.
#   tst_package.sh SOURCE_DIR BUILD_DIR
# The package is built in BUILD_DIR/package, the same folder every time, so that a compiler
# cache (when one is installed) serves the next run.
set -uo pipefail
source_dir=$1
build_dir=$2

. "$(dirname "$0")/checks.sh"

work="$build_dir/package"
rm -rf "$work"
mkdir -p "$work/tree"
run_dir=$(mktemp -d)
chmod 755 "$run_dir"
run_pid=
trap '[ -n "$run_pid" ] && kill "$run_pid" 2>/dev/null; chmod -R u+w "$run_dir"; rm -rf "$run_dir"' EXIT

echo "== build from a clean copy of HEAD"
if ! git -C "$source_dir" rev-parse --verify -q HEAD >/dev/null; then
    echo "FAIL: $source_dir is not a git checkout: there is no clean copy to build"
    exit 1
fi
git -C "$source_dir" archive HEAD | tar -x -C "$work/tree"
version=$(cd "$work/tree" && dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
deb="$work/veritome_${version}_${arch}.deb"
(
    cd "$work/tree" || exit 1
    [ -d /usr/lib/ccache ] && export PATH="/usr/lib/ccache:$PATH"
    DEB_BUILD_OPTIONS="parallel=2 ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc
) >"$work/build.log" 2>&1
check "dpkg-buildpackage -b -us -uc succeeds (see $work/build.log)" test -f "$deb"
[ -f "$deb" ] || { tail -30 "$work/build.log"; finish; }
check "the test suite is not built" test ! -e "$work/tree/obj-$(dpkg-architecture -qDEB_HOST_MULTIARCH)/tests"

echo "== lintian"
lintian --fail-on error "$deb" | tee "$work/lintian.txt"
check "lintian finds no error" test "${PIPESTATUS[0]}" -eq 0

echo "== metadata"
field() { dpkg-deb -f "$deb" "$1"; }
check "the package is named veritome" test "$(field Package)" = veritome
depends=$(field Depends)
echo "Depends: $depends"
for needed in libqt6webenginewidgets6 libqt6widgets6 libcups2 libc6 fonts-wqy-microhei qt6-translations-l10n; do
    check "it depends on $needed" grep -Eq "(^|, )$needed( |,|$)" <<<"$depends"
done

echo "== files"
dpkg-deb -c "$deb" | awk '{ print $6 ($7 ? " " $7 " " $8 : "") }' | sed 's|^\./|/|' >"$work/files.txt"
listed() { grep -qxF -- "$1" "$work/files.txt"; }
check "the program in its own folder" listed /usr/libexec/veritome/Veritome
check "its window part beside it" listed /usr/libexec/veritome/libveritome_window.so
check "the launcher on the PATH" listed "/usr/bin/veritome -> ../libexec/veritome/Veritome"
check "the desktop entry" listed /usr/share/applications/veritome.desktop
check "the AppStream metadata" listed /usr/share/metainfo/io.github.veritome.Veritome.metainfo.xml
check "the manual page" listed /usr/share/man/man1/veritome.1.gz
check "the Chinese manual page" listed /usr/share/man/zh_CN/man1/veritome.1.gz
check "the copyright file" listed /usr/share/doc/veritome/copyright
for size in 16 32 48 64 128; do
    check "the ${size}x${size} icon" listed "/usr/share/icons/hicolor/${size}x${size}/apps/veritome.png"
done
check "nothing of the build or the tests" \
    bash -c "! grep -Eq 'tst_|veritome_icon|\\.a$|/include/' '$work/files.txt'"

echo "== the installed desktop entry and AppStream metadata"
root="$work/root"
dpkg-deb -x "$deb" "$root"
entry="$root/usr/share/applications/veritome.desktop"
check "desktop-file-validate passes" desktop-file-validate "$entry"
check "the entry starts the launcher" grep -Eq '^Exec="?veritome"?( |$)' "$entry"
check "appstreamcli validate passes" \
    appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.veritome.Veritome.metainfo.xml"
check "the metadata names the desktop entry" \
    grep -q '<launchable type="desktop-id">veritome.desktop</launchable>' \
    "$root/usr/share/metainfo/io.github.veritome.Veritome.metainfo.xml"

echo "== the program, started by a user who cannot write its folder"
# The packaged program in a folder of its own with an administrator's two files beside it.
program="$run_dir/program"
mkdir -p "$program" "$run_dir/home"
cp "$root/usr/libexec/veritome/Veritome" "$root/usr/libexec/veritome/libveritome_window.so" \
    "$program/"
printf '[Form]\r\nwidth=700\r\n' >"$program/Veritoem.ini"
printf '\xca\xe9\r\nadmin\r\n' >"$program/Veritome.qry"
cp "$program/Veritoem.ini" "$program/Veritome.qry" "$run_dir/"
chmod 555 "$program"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$run_dir/home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
config="$run_dir/home/.config/veritome"
"${as_user[@]}" env -u XDG_CONFIG_HOME HOME="$run_dir/home" QT_QPA_PLATFORM=offscreen \
    QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS='--host-resolver-rules="MAP * ~NOTFOUND"' \
    "$program/Veritome" >"$run_dir/run.log" 2>&1 &
run_pid=$!
for _ in $(seq 1 100); do
    [ -f "$config/Veritome.qry" ] && break
    sleep 0.1
done
check "the program is running" kill -0 "$run_pid"
check "the user's folder starts with the administrator's settings" cmp -s "$config/Veritoem.ini" "$run_dir/Veritoem.ini"
check "the user's folder starts with the administrator's history" cmp -s "$config/Veritome.qry" "$run_dir/Veritome.qry"
check "the administrator's settings are untouched" cmp -s "$program/Veritoem.ini" "$run_dir/Veritoem.ini"
check "the administrator's history is untouched" cmp -s "$program/Veritome.qry" "$run_dir/Veritome.qry"
kill "$run_pid" 2>/dev/null
wait "$run_pid" 2>/dev/null
run_pid=

finish
