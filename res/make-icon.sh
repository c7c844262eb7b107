#!/usr/bin/env bash
# Draws the application icon (TolvaneSetup.ico: 48, 32 and 16 pixels) with
# ImageMagick. The .ico is committed; run this only to change it.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for size in 48 32 16; do
  convert -size 48x48 xc:none \
    -fill '#1f5fa8' -draw 'roundrectangle 2,2 45,45 8,8' \
    -fill '#f2c230' -draw 'rectangle 10,10 37,17' \
    -fill white -draw 'rectangle 20,17 27,38' \
    -resize "${size}x${size}" -define png:exclude-chunks=date,time +set date:create +set date:modify \
    "PNG32:$tmp/icon$size.png"
done
convert "$tmp/icon48.png" "$tmp/icon32.png" "$tmp/icon16.png" TolvaneSetup.ico
