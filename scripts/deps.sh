# Installs the Debian packages named as arguments when any of them is missing.
# Sourced by the project's scripts; quick when everything is already there.
vz_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the program needs; the last line is what its windows need to run: a font with
# Japanese, the SVG plugin that draws the program's icon, and Qt's own texts in Japanese.
VZ_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libicu-dev libcurl4-openssl-dev libsqlite3-dev ca-certificates
                   libzip-dev qt6-base-dev fonts-noto-cjk libqt6svg6 qt6-translations-l10n)
# What the sample site server and the tests' loopback server need on top.
VZ_TOOL_PACKAGES=(libcpp-httplib-dev zlib1g-dev)
# What the tests, the benchmarks and the checks need on top (an HTML5 parser and a headless
# browser read the output pages as a reader's browser would, an XML parser and the EPUB checker the
# book as an e-book reader would); the second line is what the install and package tests use to
# build, render and lint what gets installed, the last a display with a window manager for the
# window tests that need real windows.
VZ_TEST_PACKAGES=("${VZ_TOOL_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev valgrind nkf clang-format
                  clang libclang-rt-14-dev libgumbo-dev libxml2-dev epubcheck chromium
                  dpkg-dev file man-db groff-base desktop-file-utils lintian
                  xvfb xauth openbox xdotool x11-utils)
