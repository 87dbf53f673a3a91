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

# What building the program needs.
VZ_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libicu-dev libcurl4-openssl-dev ca-certificates
                   qt6-base-dev fonts-noto-cjk)
# What the sample site server and the tests' loopback server need on top.
VZ_TOOL_PACKAGES=(libcpp-httplib-dev zlib1g-dev)
# What the tests, the benchmarks and the checks need on top; the last line is what the install
# and package tests use to build, render and lint what gets installed.
VZ_TEST_PACKAGES=("${VZ_TOOL_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev valgrind nkf clang-format
                  clang libclang-rt-14-dev
                  dpkg-dev file man-db groff-base desktop-file-utils lintian)
