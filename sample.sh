#!/usr/bin/env bash
# Gathers the bundled sample news site: installs what is missing, builds the program and the
# sample site server, serves demo/site on 127.0.0.1, runs one headless gathering into
# out/sample-news, stops the server and prints where the pages are.
#   ./sample.sh [--epub | --vertical]   also write the day's EPUB book (vertical text with --vertical)
set -euo pipefail
cd "$(dirname "$0")"
book=()
case "${1:-}" in
"") ;;
--epub | --vertical) book=("$1") ;;
*) echo "usage: ./sample.sh [--epub | --vertical]" >&2; exit 2 ;;
esac
source scripts/deps.sh
vz_install_packages "${VZ_BUILD_PACKAGES[@]}" "${VZ_TOOL_PACKAGES[@]}"

cmake -S . -B build-sample -G Ninja -DCMAKE_BUILD_TYPE=Release -DVZ_BUILD_TESTS=OFF -DVZ_BUILD_BENCH=OFF \
      -DVZ_BUILD_TOOLS=ON >/dev/null
cmake --build build-sample --target vodezeva sample_site_server

out="$PWD/out"
home="$out/sample-home"
data="$out/sample-news"
port_file="$out/sample.port"
mkdir -p "$home"
rm -f "$port_file"

build-sample/tools/sample_site_server --root demo/site --port-file "$port_file" &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$port_file" ] && break
    kill -0 "$server" 2>/dev/null || { echo "the sample site server did not start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$port_file" ] || { echo "the sample site server did not answer in time" >&2; exit 1; }

demo/make_sample.sh "http://127.0.0.1:$(cat "$port_file")" "$data" "$home/sample.ini"
VODEZEVA_HOME="$home" build-sample/src/vodezeva --headless "${book[@]}" --ini "$home/sample.ini"

echo
echo "The sample site's pages are in $data/ (Shift_JIS):"
ls -1 "$data"
echo "Open $data/index.html in a browser to read them."
if [ ${#book[@]} -gt 0 ]; then
    echo "The book is $(ls -1 "$data"/*.epub); copy it to a reader (see the README, \"The day's book\")."
fi
