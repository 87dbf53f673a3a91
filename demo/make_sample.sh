#!/bin/sh
# Writes a site list for the sample news site: the template vodeZeva.ini.in beside this script,
# with @BASE@ replaced by the sample server's address and @DATA@ by the data folder.
#
#   make_sample.sh BASE DATA [OUT]
#
#   BASE  the sample server's address, for example http://127.0.0.1:8080 (a final "/" is dropped)
#   DATA  the data folder the run writes into; a relative one is taken from the current folder
#   OUT   the site list file to write (replaced in one step); standard output when omitted
#
# The site list is CP932 text, so both values are converted to CP932 before they go in; a value
# that CP932 cannot hold, or one holding a TAB or a line end, is refused.

set -eu

me=$(basename "$0")
die() {
    printf '%s: %s\n' "$me" "$1" >&2
    exit "${2:-1}"
}

if [ "$#" -lt 2 ] || [ "$#" -gt 3 ]; then
    die "usage: $me BASE DATA [OUT]" 2
fi
base=$1
data=$2
out=${3:-}
template=$(dirname "$0")/vodeZeva.ini.in
[ -r "$template" ] || die "cannot read the template $template"

tab=$(printf '\t')
cr=$(printf '\r')
nl='
'
for value in "$base" "$data"; do
    case $value in
    *"$tab"* | *"$cr"* | *"$nl"*) die "a TAB or a line end would break the site list: $value" 2 ;;
    esac
done

case $base in
http://?*) ;;
*) die "BASE must be an http:// address: $base" 2 ;;
esac
base=${base%/}

[ -n "$data" ] || die "DATA must not be empty" 2
case $data in
/*) ;;
*) data=$(pwd)/$data ;;
esac

# Byte-wise from here on: CP932 puts "\" and "|" bytes inside double-byte characters.
LC_ALL=C
export LC_ALL

to_cp932() {
    printf '%s' "$1" | iconv -f UTF-8 -t CP932 2>/dev/null || die "not writable in CP932: $1" 2
}
escape() {
    printf '%s' "$1" | sed -e 's/[\\&|]/\\&/g'
}
base_cp932=$(to_cp932 "$base")
data_cp932=$(to_cp932 "$data")
base_sed=$(escape "$base_cp932")
data_sed=$(escape "$data_cp932")

if [ -z "$out" ]; then
    sed -e "s|@BASE@|$base_sed|g" -e "s|@DATA@|$data_sed|g" "$template"
    exit 0
fi

[ ! -d "$out" ] || die "OUT is a folder: $out" 2
tmp="$out.tmp.$$"
trap 'rm -f "$tmp"' EXIT
sed -e "s|@BASE@|$base_sed|g" -e "s|@DATA@|$data_sed|g" "$template" >"$tmp" || die "cannot write $tmp"
mv -f "$tmp" "$out" || die "cannot write $out"
trap - EXIT
