#!/bin/sh
# Draws the about-box picture resources/about.jpg (320 x 200): a golden primary and a
# fainter blue companion on a dark sky with a few faint field stars, and the title "Orvek V4.6".
# Needs ImageMagick's convert. Every position is fixed, so the picture is reproducible.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../resources/about.jpg"}

# Faint field stars: x,y,grey level (0-255).
field=""
for s in 18,22,150 47,161,120 71,58,170 96,133,110 121,21,140 152,178,130 \
         205,29,160 231,118,120 262,61,180 289,148,140 305,24,120 246,183,110 \
         12,104,130 184,141,100 278,98,110 39,88,90 143,148,80 222,72,95 ; do
  x=${s%%,*}; r=${s#*,}; y=${r%%,*}; g=${r#*,}
  field="$field fill rgb($g,$g,$((g + 15 > 255 ? 255 : g + 15))) circle $x,$y $x,$((y + 1))"
done

convert -size 320x200 gradient:'#0b1024'-'#020308' \
  \( -size 320x200 xc:black -draw "$field" -blur 0x0.7 \) -compose screen -composite \
  \( -size 320x200 xc:black -fill '#ffb347' -draw "circle 128,92 128,112" -blur 0x14 \) -compose screen -composite \
  \( -size 320x200 xc:black -stroke '#c89a5a' -strokewidth 1 \
     -draw "line 98,92 158,92" -draw "line 128,62 128,122" -blur 0x1.2 \) -compose screen -composite \
  \( -size 320x200 xc:black -fill '#ffe9b8' -draw "circle 128,92 128,99" -blur 0x2.5 \) -compose screen -composite \
  \( -size 320x200 xc:black -fill '#fffaf0' -draw "circle 128,92 128,95" -blur 0x1 \) -compose screen -composite \
  \( -size 320x200 xc:black -fill '#3f7bff' -draw "circle 176,70 176,80" -blur 0x7 \) -compose screen -composite \
  \( -size 320x200 xc:black -fill '#bcd4ff' -draw "circle 176,70 176,74" -blur 0x1.6 \) -compose screen -composite \
  -compose over +stroke -stroke none \
  -font DejaVu-Sans-Bold -pointsize 24 -fill '#dfe6ff' -gravity southwest -annotate +14+12 'Orvek V4.6' \
  -quality 92 "$out"
