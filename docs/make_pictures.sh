#!/usr/bin/env bash
# Redraws the pictures of the windows under docs/: serves the sample news site on 127.0.0.1,
# opens the windows on it on a virtual display with a window manager, gathers it, and saves a
# picture of each window as a person sees it, frame included, at the size it opens. Then gathers
# the site into the day's book, horizontal and vertical, and has headless Chromium draw a chapter
# of each with the book's own style sheet.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target window_pictures sample_site_server vodezeva

work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
build/tools/sample_site_server --root demo/site --port-file "$work/port" &
server=$!
for _ in $(seq 100); do
    [ -s "$work/port" ] && break
    sleep 0.1
done
[ -s "$work/port" ] || { echo "the sample site server did not start" >&2; exit 1; }

mkdir -p "$work/home"
ini="$work/home/みなと日報.ini"
base="http://127.0.0.1:$(cat "$work/port")"
demo/make_sample.sh "$base" "$work/news" "$ini"
# A site that has closed its pages, so the error list and the status line show a failure.
printf 'みなと日報 休刊面\t%s/closed/index.html\t%s/closed/\tclosed.html\t<ul>\t</ul>\t<h1>\t</h1>\t<div>\t</div>\r\n' \
    "$base" "$base" | iconv -f UTF-8 -t CP932 >>"$ini"
# The sample file on weekdays, nothing at the weekend.
printf '1\t%s\r\n2\t%s\r\n3\t%s\r\n4\t%s\r\n5\t%s\r\n6\t\r\n7\t\r\n' "$ini" "$ini" "$ini" "$ini" "$ini" |
    iconv -f UTF-8 -t CP932 >"$work/home/vodeZeva.def"
LANG=ja_JP.UTF-8 VODEZEVA_HOME="$work/home" tests/ui/with_window_manager.sh \
    build/tools/window_pictures "$work/home" "$ini" docs

for way in epub vertical; do
    demo/make_sample.sh "$base" "$work/$way" "$work/home/$way.ini"
    VODEZEVA_HOME="$work/home" build/src/vodezeva --headless --quiet --"$way" --ini "$work/home/$way.ini"
    mkdir -p "$work/$way/book"
    (cd "$work/$way/book" && unzip -q ../vodeZeva-*.epub)
done
# A page of a reader: narrow and tall for horizontal text, wider for vertical. The chapter is shown
# in a frame of that size, where vertical text begins at the right, as a reader opens it.
shoot() { # book folder, picture, width, height
    printf '<!DOCTYPE html><body style="margin:0"><iframe src="%s" style="border:0;width:%spx;height:%spx">' \
        "$1/EPUB/site1.xhtml" "$3" "$4" >"$1/page.html"
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --user-data-dir="$work/chromium" --hide-scrollbars --window-size="$3,$4" \
        --screenshot="$PWD/docs/$2" "file://$1/page.html" >/dev/null 2>&1
}
shoot "$work/epub/book" book_horizontal.png 480 720
shoot "$work/vertical/book" book_vertical.png 720 560
ls -l docs/*.png
