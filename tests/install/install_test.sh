#!/usr/bin/env bash
# Installs the built project into a scratch prefix (`prefix`), or packs it into a .deb and opens
# that into a scratch root (`package`), and checks that every file is there and sound.
#
#   install_test.sh prefix|package BUILD_DIR GUI(ON|OFF)
set -euo pipefail

mode=$1
build=$2
gui=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_file() {
    [ -f "$1" ] || fail "missing $1"
}
expect_text() { # FILE TEXT
    grep -qF -- "$2" "$1" || fail "$1 does not hold '$2'"
}

# Checks the files of an installation whose prefix is $1 (as seen from here) and $2 (as the
# installed files name it).
check_tree() {
    local root=$1 prefix=$2
    local doc=$root/share/doc/vodezeva
    expect_file "$root/bin/vodezeva"
    expect_file "$root/share/man/man1/vodezeva.1.gz"
    expect_file "$doc/README.md"
    expect_file "$doc/examples/vodeZeva.ini"
    expect_file "$doc/examples/site/local/index.html"
    expect_file "$doc/examples/site/economy/img/graph.png"
    expect_file "$doc/examples/systemd/vodezeva.service"
    expect_file "$doc/examples/systemd/vodezeva.timer"
    if [ "$gui" = ON ]; then
        expect_file "$root/libexec/vodezeva/vodezeva-windows"
        expect_file "$root/share/applications/vodezeva.desktop"
        expect_file "$root/share/icons/hicolor/scalable/apps/vodezeva.svg"
    elif [ -e "$root/share/applications/vodezeva.desktop" ]; then
        fail "a build without windows installs a desktop entry"
    fi
    [ "$failures" -eq 0 ] || return 0

    "$root/bin/vodezeva" --version | grep -q '^vodeZeva ' || fail "the installed program does not run"
    # The command without windows never loads Qt; the windows are a program the command starts.
    if command -v ldd >/dev/null && ldd "$root/bin/vodezeva" | grep -q libQt; then
        fail "the command loads Qt"
    fi

    # The installed texts name where things were installed, not where they were built.
    expect_text "$doc/examples/systemd/vodezeva.service" "ExecStart=$prefix/bin/vodezeva --headless"
    local page
    page=$(zcat "$root/share/man/man1/vodezeva.1.gz")
    grep -q '@VZ_' <<<"$page" && fail "the manual page holds an unfilled @VZ_...@"
    grep -qF "$prefix/share/doc/vodezeva/examples/vodeZeva.ini" <<<"$page" ||
        fail "the manual page does not name the installed examples"
    for section in OPTIONS FILES "SITE LIST FORMAT" ENVIRONMENT "EXIT STATUS" EXAMPLES; do
        grep -q "^\.SH \"\?$section\"\?\$" <<<"$page" || fail "the manual page has no $section section"
    done
    local warnings
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/share/man/man1/vodezeva.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page does not render cleanly: $warnings"

    # The sample site list is stored as the program reads it: CP932 with CR LF, pointing at the
    # sample site on the loopback address.
    local ini=$doc/examples/vodeZeva.ini
    iconv -f CP932 -t UTF-8 "$ini" >/dev/null || fail "$ini is not CP932"
    [ "$(grep -c $'\r$' "$ini")" -eq "$(wc -l <"$ini")" ] || fail "$ini does not end every line in CR LF"
    expect_text "$ini" "http://127.0.0.1:8080/local/index.html"

    if [ "$gui" = ON ] && command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$root/share/applications/vodezeva.desktop" || fail "the desktop entry is not valid"
    fi
    if command -v systemd-analyze >/dev/null; then
        # The timer is checked with the service it starts beside it.
        local units=$scratch/units
        mkdir -p "$units"
        cp "$doc/examples/systemd/vodezeva.service" "$doc/examples/systemd/vodezeva.timer" "$units/"
        local out
        out=$(systemd-analyze verify --man=no "$units/vodezeva.service" "$units/vodezeva.timer" 2>&1 |
            grep -v -e 'Failed to .*bus' -e 'not executable' -e 'Command .* is not executable' || true)
        [ -z "$out" ] || fail "systemd-analyze: $out"
    fi
}

case $mode in
prefix)
    cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
    check_tree "$scratch/prefix" "$scratch/prefix"
    ;;
package)
    (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
    debs=("$scratch"/out/vodezeva_*.deb)
    [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no vodezeva_*.deb" >&2; exit 1; }
    deb=${debs[0]}
    info=$(dpkg-deb --info "$deb")
    for field in "Package: vodezeva" "Section: news" "Architecture: $(dpkg --print-architecture)"; do
        grep -qF "$field" <<<"$info" || fail "the package control has no '$field'"
    done
    depends=$(grep '^ Depends:' <<<"$info" || true)
    needed=(libicu libcurl4 libsqlite3)
    [ "$gui" = ON ] && needed+=(libqt6widgets6 qt6-qpa-plugins)
    for package in "${needed[@]}"; do
        grep -qF "$package" <<<"$depends" || fail "the package does not depend on $package: $depends"
    done
    contents=$(dpkg-deb --contents "$deb")
    grep -q ' \./usr/local/' <<<"$contents" && fail "the package installs under /usr/local"
    dpkg-deb -x "$deb" "$scratch/root"
    check_tree "$scratch/root/usr" /usr
    if command -v lintian >/dev/null; then
        # Errors fail the test, except the paperwork a package built from a source tree lacks:
        # the maintainer's address, a Debian changelog and a copyright file belong to whoever
        # publishes the package.
        errors=$(lintian --no-tag-display-limit \
            --suppress-tags bogus-mail-host,no-changelog,no-copyright-file "$deb" 2>&1 | grep '^E: ' || true)
        [ -z "$errors" ] || fail "lintian: $errors"
    fi
    ;;
*)
    echo "usage: install_test.sh prefix|package BUILD_DIR GUI" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "every file is in place ($mode)"
