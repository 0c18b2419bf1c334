#!/usr/bin/env bash
# Draws the window's bitmaps and the program icon into res/art/. The results are committed,
# so a build needs no drawing tools; run this only to change the artwork.
# Needs ImageMagick 6 and the WenQuanYi Micro Hei font (tools/install-deps.sh installs both).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$here/art
# The real ImageMagick: another "convert" may come first on PATH.
im=/usr/bin/convert
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -x "$im" ] || { echo "make-artwork: $im (ImageMagick) is missing" >&2; exit 1; }
[ -f "$font" ] || { echo "make-artwork: $font is missing" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# The surfaces the bitmaps are drawn on: their edges must match exactly.
window_bg='rgb(227,241,255)'
panel_bg='rgb(255,255,255)'
# One accent blue, one neutral grey family, one green: a quiet, modern palette.
accent='rgb(0,103,192)'
accent_soft='rgb(0,120,212)'
border='rgb(200,210,222)'
label_grey='rgb(90,98,110)'
tick_green='rgb(16,137,62)'
tick_grey='rgb(150,158,168)'

# Writes PNG $1 as an uncompressed 8-bit palette BMP $2. The palette is the image's own
# colours padded with fixed ones: ImageMagick writes a palette of 16 colours or fewer as
# 4 bits per pixel, and quantising down to few colours could shift the exact edge colour.
to_bmp8() {
  local png=$1 bmp=$2
  "$im" "$png" -alpha off +dither -colors 224 -unique-colors "$tmp/own.png"
  "$im" netscape: -crop 32x1+0+0 +repage "$tmp/pad.png"
  "$im" "$tmp/own.png" "$tmp/pad.png" +append -unique-colors "$tmp/palette.png"
  "$im" "$png" -alpha off +dither -remap "$tmp/palette.png" -type Palette -compress None \
      "BMP3:$bmp"
}

# A button strip: three 132 x 40 frames (normal, focused, pressed) with label $1.
button_strip() {
  local label=$1 name=$2
  local face='roundrectangle 2,3 129,36 7,7'
  frame() {  # $1 face fill, $2 face border, $3 label colour, $4 output
    "$im" -size 132x40 "xc:$window_bg" \
        -fill 'rgba(0,40,90,0.10)' -stroke none -draw 'roundrectangle 2,5 129,38 7,7' \
        -fill "$1" -stroke "$2" -strokewidth 1 -draw "$face" \
        -stroke none -fill "$3" -font "$font" -pointsize 15 -gravity center \
        -annotate +0-1 "$label" "$4"
  }
  frame white "$border" "$label_grey" "$tmp/f0.png"
  frame white "$accent_soft" "$accent" "$tmp/f1.png"
  frame "$accent" "$accent" white "$tmp/f2.png"
  "$im" "$tmp/f0.png" "$tmp/f1.png" "$tmp/f2.png" +append "$tmp/$name.png"
  to_bmp8 "$tmp/$name.png" "$out/$name.bmp"
}

button_strip '取消' cancel_strip
button_strip '立即同步' sync_strip
button_strip '确定' ok_strip

# A pencil, pointing down-left, drawn in a 256 x 256 box and scaled to what is needed.
pencil_draw=(
  -stroke none
  -fill "$accent" -draw 'polygon 150,40 216,106 104,218 38,152'
  -fill 'rgb(64,156,235)' -draw 'polygon 150,40 183,73 71,185 38,152'
  -fill 'rgb(120,196,255)' -draw 'polygon 166,24 232,90 216,106 150,40'
  -fill 'rgb(240,204,150)' -draw 'polygon 38,152 104,218 26,236 20,230'
  -fill 'rgb(40,48,60)' -draw 'polygon 20,230 26,236 14,244 12,242'
  -fill 'rgb(40,48,60)' -draw 'polygon 32,200 56,224 14,244 12,242'
)

# The title artwork: the pencil and 输入法词库同步 on the window's colour.
"$im" -size 256x256 xc:none "${pencil_draw[@]}" -resize 22x22 "$tmp/pencil22.png"
"$im" -size 160x26 "xc:$window_bg" \
    "$tmp/pencil22.png" -geometry +1+2 -composite \
    -fill 'rgb(24,38,58)' -font "$font" -pointsize 17 -gravity west \
    -annotate +29+0 '输入法词库同步' "$tmp/title.png"
to_bmp8 "$tmp/title.png" "$out/title.bmp"

# The check boxes: 24 x 24 on the panel's white. The box sits in the top 20 rows, because
# the check box window is 20 pixels high and clips the rest.
box() {  # $1 box border, $2 box fill, $3 tick colour or none, $4 output
  local args=(-size 96x96 "xc:$panel_bg" -fill "$2" -stroke "$1" -strokewidth 6
              -draw 'roundrectangle 9,5 79,75 14,14')
  if [ "$3" != none ]; then
    args+=(-fill none -stroke "$3" -strokewidth 11 -draw 'stroke-linecap round stroke-linejoin round polyline 25,41 39,55 64,25')
  fi
  "$im" "${args[@]}" -resize 24x24 "$tmp/box.png"
  to_bmp8 "$tmp/box.png" "$4"
}
box 'rgb(160,170,182)' white none "$out/box_unchecked.bmp"
box "$tick_green" 'rgb(236,248,240)' "$tick_green" "$out/box_checked.bmp"
box "$tick_grey" 'rgb(242,244,246)' "$tick_grey" "$out/box_checked_locked.bmp"

# The icon: the pencil on a rounded tile, 48, 32, 24 and 16 pixels at 32 bits per pixel.
"$im" -size 256x256 xc:none \
    -fill 'rgb(232,243,255)' -stroke 'rgb(150,190,235)' -strokewidth 6 \
    -draw 'roundrectangle 8,8 247,247 44,44' \
    \( -size 256x256 xc:none "${pencil_draw[@]}" -resize 80% \) -gravity center -composite \
    "$tmp/icon256.png"
for size in 48 32 24 16; do
  "$im" "$tmp/icon256.png" -resize ${size}x${size} -type TrueColorAlpha "$tmp/icon$size.png"
done
"$im" "$tmp/icon48.png" "$tmp/icon32.png" "$tmp/icon24.png" "$tmp/icon16.png" \
    -define icon:format=bmp "$out/app.ico"

echo "artwork written to $out"
