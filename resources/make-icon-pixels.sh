#!/usr/bin/env bash
# Writes quorvel-SIZE.rgba beside each quorvel-SIZE.png: the same pixels,
# 8-bit red, green, blue and alpha, row after row with no header. The
# program builds its icon from these, which costs nothing at start-up;
# reading the PNGs meant the image plug-in scan and five decodes on every
# start. Run it from this folder after changing a PNG (needs ImageMagick):
#   bash make-icon-pixels.sh
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128; do
    convert "quorvel-$size.png" -depth 8 "RGBA:quorvel-$size.rgba"
    [ "$(stat -c %s "quorvel-$size.rgba")" = $((size * size * 4)) ] ||
        { echo "quorvel-$size.png is not $size x $size" >&2; exit 1; }
done
