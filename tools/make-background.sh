#!/bin/sh
# Makes data/background.jpg, the installer window's picture: an evening sky
# over layered hills with the name "Morvena" and a tagline. 554 x 561,
# baseline JPEG, JFIF 1.01, YCbCr, 96 dpi, about 80 KB.
# Usage: tools/make-background.sh [output.jpg]
# Needs ImageMagick's convert and identify, awk, and the WenQuanYi Micro Hei
# font (fonts-wqy-microhei) for the Chinese tagline. Works offline; the same
# tools give the same bytes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../data/background.jpg}
cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -r "$cjk_font" ] || { echo "make-background.sh: $cjk_font is missing (fonts-wqy-microhei)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

W=554
H=561

# hills BASE SWING SEED: an SVG path of a hill line across the picture, a sum
# of three slow waves, closed along the bottom edge.
hills() {
    awk -v w=$W -v h=$H -v base="$1" -v swing="$2" -v seed="$3" 'BEGIN {
        printf "M 0,%d", h
        for (x = 0; x <= w; x += 6) {
            y = base - swing * (0.55 * sin(x / 97 + seed) + 0.30 * sin(x / 41 + 2 * seed) \
                                + 0.15 * sin(x / 17 + 3 * seed))
            printf " L %d,%.1f", x, y
        }
        printf " L %d,%d Z", w, h
    }'
}

# The sky: deep blue above, violet, a warm band at the horizon.
convert -size ${W}x200 gradient:'#101d46-#3b3a78' \
        -size ${W}x170 gradient:'#3b3a78-#b86f84' \
        -size ${W}x191 gradient:'#b86f84-#f6b27a' -append "$work/sky.png"

# The low sun's glow, and a few faint stars in the upper sky.
convert -size 400x400 -define gradient:extent=Minimum radial-gradient:'#ffeccac8-#ffecca00' \
        -resize 520x280! "$work/glow.png"
convert -size ${W}x230 xc:black -seed 2024 +noise Random -channel G -separate +channel \
        -threshold 99.6% -morphology Dilate Disk:0.6 -blur 0x0.6 \
        -background black -extent ${W}x${H} "$work/stars.png"

convert "$work/sky.png" \
    "$work/glow.png" -geometry +128+204 -compose Over -composite \
    "$work/stars.png" -geometry +0+0 -compose Screen -composite \
    -fill '#fff4dc' -draw 'circle 388,344 388,320' \
    -fill '#8c6a9c' -draw "path '$(hills 372 26 0.7)'" \
    -fill '#6b5592' -draw "path '$(hills 412 30 2.1)'" \
    "$work/far.png"

# Mist between the far and the near hills.
convert -size ${W}x${H} xc:none -fill '#f3d6c8a0' -draw 'rectangle 0,410 554,440' \
        -blur 0x14 "$work/mist.png"

convert "$work/far.png" "$work/mist.png" -compose Over -composite \
    -fill '#46427a' -draw "path '$(hills 456 24 4.3)'" \
    -fill '#262a58' -draw "path '$(hills 506 20 5.9)'" \
    "$work/land.png"

# The name and the tagline, over the sky.
convert "$work/land.png" \
    -gravity north -font DejaVu-Sans-ExtraLight -pointsize 76 -kerning 4 \
    -fill '#00000040' -annotate +2+112 'Morvena' \
    -fill '#fbf3ea' -annotate +0+110 'Morvena' \
    -font "$cjk_font" -pointsize 22 -kerning 6 \
    -fill '#e6dcf0' -annotate +0+212 '安心安装 · 轻松开始' \
    -font DejaVu-Sans -pointsize 13 -kerning 3 \
    -fill '#c9bfe0' -annotate +0+250 'QUIET  TOOLS  FOR  EVERY  DAY' \
    "$work/picture.png"

# A fine grain keeps the gradients free of bands.
convert "$work/picture.png" -seed 7 -attenuate 0.35 +noise Gaussian "$work/grained.png"

# The quality whose file comes nearest to 82,000 bytes.
best=
for quality in 95 94 93 92 91 90 89 88 87 86 85 84 83 82 81 80 78 76 74 72 70; do
    convert "$work/grained.png" -strip -colorspace sRGB -type TrueColor \
        -sampling-factor 2x2,1x1,1x1 -interlace none -quality $quality \
        -units PixelsPerInch -density 96 "jpeg:$work/q$quality.jpg"
    size=$(wc -c < "$work/q$quality.jpg")
    distance=$((size > 82000 ? size - 82000 : 82000 - size))
    if [ -z "$best" ] || [ "$distance" -lt "$best" ]; then
        best=$distance
        chosen=$quality
    fi
done
cp "$work/q$chosen.jpg" "$out"
echo "make-background.sh: $out: $(wc -c < "$out") bytes at quality $chosen"
