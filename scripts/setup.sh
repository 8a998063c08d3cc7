# Sourced by run.sh and test.sh: installs what the build needs, once, and builds.
# shellcheck shell=bash

veritome_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-webengine-dev qt6-pdf-dev libgl-dev libxcb1-dev
    libcups2-dev # print jobs go to the print queue through libcups
    cups cups-client printer-driver-cups-pdf # the tests print to a private PDF queue
    xvfb xauth openbox x11-utils xdotool
    weston xwayland qt6-wayland # the Wayland session tests run a headless compositor
    poppler-utils # pdftotext and pdfinfo: the tests read the PDFs the program prints
    fonts-wqy-microhei
    qt6-translations-l10n # the toolkit's own dialogs and buttons in Chinese
    debhelper lintian appstream desktop-file-utils # the Debian package's test builds and checks it
    at-spi2-core python3-pyatspi dbus-daemon # the tests read the program as a screen reader does
    python3-dbus python3-gi # a stand-in for the desktop portal in the colour tests
)

veritome_install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# veritome_build BUILD_DIR [cmake options...]
veritome_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$dir" -j2
}
