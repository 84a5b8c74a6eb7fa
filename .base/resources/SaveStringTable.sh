#!/bin/sh
# Saves a UTF-8 string table file in another encoding: UTF-8 (unchanged),
# UTF-8-BOM, UTF-16LE or UTF-16BE, the last three with a byte-order mark.
# Usage: SaveStringTable.sh INPUT ENCODING OUTPUT
set -eu
input=$1
encoding=$2
output=$3
case "$encoding" in
  UTF-8) cp "$input" "$output" ;;
  UTF-8-BOM) { printf '\357\273\277'; cat "$input"; } > "$output" ;;
  *) { printf '\357\273\277'; cat "$input"; } | iconv -f UTF-8 -t "$encoding" > "$output" ;;
esac
