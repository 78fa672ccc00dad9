#!/bin/sh
# Makes app/morvena.ico: the Morvena emblem (an evening sky over two hills in a
# round badge), one 32 x 32 image with 32-bit BGRA pixels and alpha.
# Usage: tools/make-icon.sh [output.ico]   (needs ImageMagick's convert)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../app/morvena.ico}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn at 8 times the size and scaled down, which antialiases the edges.
convert -size 256x256 gradient:'#1a2a5e-#f4a070' \
    -fill '#fff1d6' -draw 'circle 160,132 160,110' \
    -fill '#6e5a92' -draw "path 'M 0,186 C 50,150 96,156 140,176 C 178,192 214,160 256,168 L 256,256 L 0,256 Z'" \
    -fill '#2e3460' -draw "path 'M 0,216 C 60,192 110,202 150,214 C 196,228 226,204 256,206 L 256,256 L 0,256 Z'" \
    "$work/scene.png"

# The badge: the scene cut to a circle, with a thin light rim.
convert -size 256x256 xc:black -fill white -draw 'circle 128,128 128,8' "$work/mask.png"
convert "$work/scene.png" "$work/mask.png" -alpha off -compose CopyOpacity -composite \
    -fill none -stroke '#f4ead8' -strokewidth 10 -draw 'circle 128,128 128,13' \
    "$work/badge.png"

# A 32-bit image with alpha is written as a BGRA DIB, not PNG-compressed.
convert "$work/badge.png" -filter Lanczos -resize 32x32 -alpha on \
    -define png:exclude-chunks=date,time "$work/small.png"
convert "$work/small.png" -alpha on "ico:$out"
