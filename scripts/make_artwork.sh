#!/usr/bin/env bash
# Makes the program's artwork in app/resources from scratch:
#   background.jpg  wood-grain backdrop of the main window (468 x 329, baseline JPEG near 27,001 bytes)
#   pixferry.ico    the window icon: one 32 x 32 image in 16 colours (4 bits per pixel)
#   pixferry.png    the same icon enlarged to 256 x 256
# and the Linux desktop's icon in ui/qt/icons: org.pixferry.Pixferry.svg, drawn by hand, rendered
# afresh at each size the icon theme asks for (<size>x<size>/org.pixferry.Pixferry.png).
# Needs ImageMagick (Debian: imagemagick) and rsvg-convert (librsvg2-bin). The random seeds are
# fixed, so a run gives the same pictures.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/app/resources
art=$root/scripts/art
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v convert >/dev/null || { echo "ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 1; }
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }

# ---- Background: wood grain in a dark bevelled frame.
W=468 H=329 # final size
F=6         # frame width; the grain is drawn inside it
GW=$((W - 2 * F)) GH=$((H - 2 * F))
BW=$((GW + 64)) BH=$((GH + 64)) # drawn larger, so the wave distortion leaves no empty edge after the crop

# Growth rings: coarse noise, smoothed and stretched, then folded through a sine so its contours become bands.
convert -seed 21 -size 3x30 xc: +noise Random -colorspace gray -filter Gaussian -resize "${BW}x${BH}!" \
  -auto-level -function Sinusoid 6,0 "$work/rings.png"
# Fine grain: noise with few columns, stretched along the board and smeared by a motion blur.
convert -seed 7 -size 26x${BH} xc: +noise Random -colorspace gray -resize "${BW}x${BH}!" \
  -motion-blur 0x25+0 -auto-level "$work/fine.png"
# A few darker streaks: the brightest specks of another noise, drawn out into long thin lines.
convert -seed 3 -size 6x${BH} xc: +noise Random -colorspace gray -resize "${BW}x${BH}!" \
  -threshold 94% -negate -motion-blur 0x70+0 -level 25%,100% "$work/streaks.png"
# Mix, bend the board gently, map the grey levels onto orange-brown and frame it with a dark bevel.
convert "$work/rings.png" "$work/fine.png" -compose blend -define compose:args=40,60 -composite \
  "$work/streaks.png" -compose multiply -composite \
  -wave 3x700 -gravity center -crop "${GW}x${GH}+0+0" +repage \
  \( -size 1x256 gradient:'#56260a'-'#ea943e' \) -clut \
  -mattecolor '#5a2c0c' -frame "${F}x${F}+2+2" \
  -type TrueColor "$work/wood.png"

# The JPEG: baseline, JFIF, 4:2:0, 96 dpi, no other metadata, about 27,001 bytes. A quality step
# moves the size by several hundred bytes; a barely visible softening (sigma 0.20 to 0.30) fills
# the gaps between the steps. Take the pair whose size lies nearest the target.
target=27001
best='' best_diff=''
for q in $(seq 82 90); do
  for sigma in 0.20 0.21 0.22 0.23 0.24 0.25 0.26 0.27 0.28 0.29 0.30; do
    candidate=$work/q$q-s$sigma.jpg
    convert "$work/wood.png" -blur "0x$sigma" -strip -interlace none -sampling-factor 2x2,1x1,1x1 \
      -units PixelsPerInch -density 96 -quality "$q" "$candidate"
    size=$(stat -c %s "$candidate")
    diff=$((size > target ? size - target : target - size))
    if [[ -z $best_diff || $diff -lt $best_diff ]]; then best=$candidate best_diff=$diff; fi
  done
done
cp "$best" "$out/background.jpg"
echo "background.jpg: $(basename "$best" .jpg), $(stat -c %s "$out/background.jpg") bytes"

# ---- Icon: the pixel art in scripts/art/pixferry.xpm, written as a 4-bit icon by hand, because
# ImageMagick writes an icon with transparency as 32 bits per pixel.
# The standard 16-colour palette, in its usual order; the art may use only these colours.
palette=(000000 800000 008000 808000 000080 800080 008080 C0C0C0
         808080 FF0000 00FF00 FFFF00 0000FF FF00FF 00FFFF FFFFFF)
declare -A index_of=() # XPM character -> palette index; "None" -> transparent
rows=()
while IFS= read -r line; do
  [[ $line =~ ^\"(.*)\",?$ ]] || continue
  text=${BASH_REMATCH[1]}
  if [[ $text =~ ^(.)\ c\ (.*)$ ]]; then
    key=${BASH_REMATCH[1]} colour=${BASH_REMATCH[2]^^}
    if [[ $colour == NONE ]]; then index_of[$key]=T; continue; fi
    colour=${colour#\#}
    for i in "${!palette[@]}"; do [[ ${palette[$i]} == "$colour" ]] && index_of[$key]=$i; done
    [[ -n ${index_of[$key]:-} ]] || { echo "pixferry.xpm: colour #$colour is not in the 16-colour palette" >&2; exit 1; }
  elif [[ ${#text} -eq 32 ]]; then
    rows+=("$text")
  fi
done <"$art/pixferry.xpm"
[[ ${#rows[@]} -eq 32 ]] || { echo "pixferry.xpm: expected 32 rows of 32 pixels" >&2; exit 1; }

byte() { printf "\\x$(printf %02x "$1")"; }
le16() { byte $(($1 & 255)); byte $(($1 >> 8 & 255)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
{
  le16 0; le16 1; le16 1                     # icon directory: reserved, type icon, one image
  byte 32; byte 32; byte 16; byte 0          # 32 x 32, 16 colours
  le16 1; le16 4; le32 $((40 + 64 + 512 + 128)); le32 22
  le32 40; le32 32; le32 64; le16 1; le16 4  # bitmap header; the height counts colour and mask
  le32 0; le32 $((512 + 128)); le32 0; le32 0; le32 0; le32 0
  for c in "${palette[@]}"; do byte $((16#${c:4:2})); byte $((16#${c:2:2})); byte $((16#${c:0:2})); byte 0; done
  for ((y = 31; y >= 0; y--)); do            # colour rows, bottom up, two pixels a byte
    row=${rows[$y]}
    for ((x = 0; x < 32; x += 2)); do
      a=${index_of[${row:x:1}]} b=${index_of[${row:x+1:1}]}
      [[ $a == T ]] && a=0
      [[ $b == T ]] && b=0
      byte $((a << 4 | b))
    done
  done
  for ((y = 31; y >= 0; y--)); do            # mask rows, bottom up: a set bit lets the screen through
    row=${rows[$y]}
    for ((x = 0; x < 32; x += 8)); do
      bits=0
      for ((k = 0; k < 8; k++)); do
        bits=$((bits << 1))
        [[ ${index_of[${row:x+k:1}]} == T ]] && bits=$((bits | 1))
      done
      byte $bits
    done
  done
} >"$out/pixferry.ico"
echo "pixferry.ico: $(stat -c %s "$out/pixferry.ico") bytes"

# The same pixels at 256 x 256, each drawn as an 8 x 8 block.
convert "$art/pixferry.xpm" -filter point -resize 256x256 -strip "PNG32:$out/pixferry.png"
echo "pixferry.png: $(identify -format '%wx%h' "$out/pixferry.png")"

# ---- The desktop's icon: the vector drawing rendered at each size, never a bitmap scaled.
icons=$root/ui/qt/icons
for size in 16 32 48 64 128 256; do
  mkdir -p "$icons/${size}x$size"
  rsvg-convert -w "$size" -h "$size" "$icons/org.pixferry.Pixferry.svg" \
    -o "$icons/${size}x$size/org.pixferry.Pixferry.png"
done
echo "org.pixferry.Pixferry.png: $(cd "$icons" && ls -d [0-9]*x[0-9]* | tr '\n' ' ')"
