#!/usr/bin/env bash
# The README's main job on the bundled sample site, with the programs as the README runs them:
# the sample server, the site list script and one headless gathering. Then the server is asked
# for files outside its folder.
#
#   sample_site_test.sh VODEZEVA SAMPLE_SITE_SERVER SOURCE_DIR
set -euo pipefail
vodezeva=$1 server_bin=$2 src=$3
scratch=$(mktemp -d)
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

start_server() { # root
    rm -f "$scratch/port"
    "$server_bin" --root "$1" --port-file "$scratch/port" &
    server=$!
    for _ in $(seq 100); do [ -s "$scratch/port" ] && return; sleep 0.1; done
    fail "the sample site server did not start"
}
stop_server() { kill "$server"; wait "$server" || fail "the server did not stop cleanly"; server=; }
status_of() { # path -> the HTTP status line's code
    exec 3<>"/dev/tcp/127.0.0.1/$(cat "$scratch/port")"
    printf 'GET %s HTTP/1.0\r\nHost: x\r\n\r\n' "$1" >&3
    head -n 1 <&3 | cut -d' ' -f2
    exec 3<&-
}

start_server "$src/demo/site"
data="$scratch/news"
mkdir -p "$scratch/home"
sh "$src/demo/make_sample.sh" "http://127.0.0.1:$(cat "$scratch/port")" "$data" "$scratch/home/sample.ini"
VODEZEVA_HOME="$scratch/home" "$vodezeva" --headless --ini "$scratch/home/sample.ini" 2>"$scratch/err" ||
    { cat "$scratch/err" >&2; fail "the headless run failed"; }
# The same with the day's book, horizontal and vertical, each in a data folder of its own.
for way in epub vertical; do
    sh "$src/demo/make_sample.sh" "http://127.0.0.1:$(cat "$scratch/port")" "$scratch/$way" "$scratch/home/$way.ini"
    VODEZEVA_HOME="$scratch/home" "$vodezeva" --headless --"$way" --ini "$scratch/home/$way.ini" 2>"$scratch/err" ||
        { cat "$scratch/err" >&2; fail "the headless run with --$way failed"; }
done
stop_server

for page in index.html local.html economy.html sports.txt; do
    [ -s "$data/$page" ] || fail "$page is missing"
    iconv -f CP932 -t UTF-8 "$data/$page" >/dev/null || fail "$page is not CP932"
done
for page in local.html economy.html; do
    grep -q 'charset=Shift_JIS' "$data/$page" || fail "$page does not declare Shift_JIS"
done
! grep -q MAIN "$data/vodeZeva.log" || fail "an article of the sample site was not gathered"
[ -n "$(ls -A "$data/pix")" ] || fail "no picture was kept"
! ls "$data"/*.epub >/dev/null 2>&1 || fail "a book was written with the book off"
for way in epub vertical; do
    cmp -s "$data/local.html" "$scratch/$way/local.html" || fail "the book changed the pages"
    [ -s "$scratch/$way/vodeZeva-"*.epub ] || fail "no book with --$way"
done
# The books pass the EPUB checker without an error or a warning, checked side by side, as the
# checker is a Java program slow to start.
jar=/usr/share/java/epubcheck.jar
if [ -f "$jar" ] && command -v java >/dev/null; then
    for way in epub vertical; do
        java -XX:TieredStopAtLevel=1 -XX:+UseSerialGC -jar "$jar" -q --failonwarnings "$scratch/$way/"*.epub \
            >"$scratch/check-$way" 2>&1 &
        eval "check_$way=$!"
    done
    wait "$check_epub" || { cat "$scratch/check-epub" >&2; fail "epubcheck found faults in the book"; }
    wait "$check_vertical" || { cat "$scratch/check-vertical" >&2; fail "epubcheck found faults in the vertical book"; }
else
    echo "epubcheck is not installed: the sample books were not checked"
fi

mkdir -p "$scratch/site"
echo '<html>' >"$scratch/site/a.html"
echo outside >"$scratch/secret.txt"
ln -s "$scratch/secret.txt" "$scratch/site/link.html"
start_server "$scratch/site"
[ "$(status_of /a.html)" = 200 ] || fail "the server does not serve its own folder"
[ "$(status_of /%2e%2e/secret.txt)" = 404 ] || fail "the server serves a file above its folder"
[ "$(status_of /link.html)" = 404 ] || fail "the server follows a link out of its folder"
stop_server
