# Sourced by the scripts: installs the Debian packages a script needs when they are missing.

# ensure_packages PACKAGE...: installs those of the packages that are not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# What building the launcher and its tests needs (rsvg-convert renders the PNG icons).
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev fonts-dejavu-core librsvg2-bin)
# What running the window under a virtual display needs.
DISPLAY_PACKAGES=(xvfb xauth xdotool x11-utils)
# What building and checking the Debian package, its menu entry, its software-centre metadata and
# its icons needs.
PACKAGE_PACKAGES=(dpkg-dev file binutils lintian desktop-file-utils appstream python3)
# What the launcher needs to be heard by a screen reader and to run under Wayland in the tests:
# Orca on the accessibility bus of a private session bus, a headless Wayland compositor with Qt's
# Wayland platform, and GObject introspection for AT-SPI to read the window from outside.
DESKTOP_PACKAGES=(orca at-spi2-core dbus-daemon dbus-session-bus-common python3-gi gir1.2-atspi-2.0
    weston qt6-wayland)
# What the fuzz target needs: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# debian_archives: the Debian archives this machine installs from, one "URI SUITE COMPONENT" a
# line, as its own apt configuration names them; a mirror stays a mirror.
debian_archives() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Origin: Debian' 'Target-Of: deb' | sort -u
}

# debian_archive: the one of them that carries this machine's release itself.
debian_archive() {
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    debian_archives | awk -v suite="$codename" '$2 == suite { print $1; exit }'
}
