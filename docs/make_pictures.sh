#!/usr/bin/env bash
# Redraws the pictures of the windows under docs/: serves the sample news site on 127.0.0.1,
# opens the windows on it on a virtual display with a window manager, gathers it, and saves a
# picture of each window as a person sees it, frame included, at the size it opens.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target window_pictures sample_site_server

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
ls -l docs/*.png
