#!/usr/bin/env bash
# Redraws the pictures of the windows under docs/: serves the sample news site on 127.0.0.1,
# opens the windows on it offscreen, gathers it, and saves a picture of each window.
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
demo/make_sample.sh "http://127.0.0.1:$(cat "$work/port")" "$work/news" "$work/home/みなと日報.ini"
QT_QPA_PLATFORM=offscreen VODEZEVA_HOME="$work/home" \
    build/tools/window_pictures "$work/home" "$work/home/みなと日報.ini" docs
ls -l docs/*.png
