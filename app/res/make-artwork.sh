#!/bin/sh
# Draws the program's artwork with ImageMagick: the window's logo picture
# (logo.jpg, 137 x 129: dark blue, with a small picture of a document turning
# into a web page along the top and the rest left calm for the white texts
# drawn over it) and the program icon (corvane.ico, 16/32/48 px).
# The results are kept in the repository; rerun after changing this file.
#   app/res/make-artwork.sh
set -eu
cd "$(dirname "$0")"
command -v convert >/dev/null 2>&1 || { echo "needs ImageMagick (convert)" >&2; exit 1; }

convert -size 137x129 gradient:'#0f2a5e-#06132f' \
  -fill '#0b2150' -draw "path 'M 0,100 C 35,88 95,122 137,96 L 137,129 L 0,129 Z'" \
  -fill '#092049' -draw "path 'M 0,114 C 45,104 90,129 137,110 L 137,129 L 0,129 Z'" \
  -fill '#1f4787' -stroke '#7da6e6' -strokewidth 1 \
  -draw "path 'M 16,5 L 29,5 L 34,10 L 34,27 L 16,27 Z'" \
  -draw "path 'M 80,5 L 93,5 L 98,10 L 98,27 L 80,27 Z'" \
  -fill none -draw "polyline 29,5 29,10 34,10" -draw "polyline 93,5 93,10 98,10" \
  -stroke '#5f86c4' -draw "line 19,14 31,14" -draw "line 19,18 31,18" -draw "line 19,22 27,22" \
  -stroke '#a9c4ee' -strokewidth 1.5 \
  -draw "polyline 86,13 83,17 86,21" -draw "line 88,22 91,12" -draw "polyline 93,13 96,17 93,21" \
  -strokewidth 2 -draw "line 43,16 66,16" \
  -fill '#a9c4ee' -stroke none -draw "polygon 65,11 72,16 65,21" \
  -sampling-factor 1x1 -quality 92 -strip logo.jpg

# The icon: the two pages on a dark blue tile.
convert -size 48x48 xc:none \
  -fill '#0f2a5e' -stroke '#2c5aa8' -strokewidth 1 -draw "roundrectangle 1,1 46,46 7,7" \
  -fill '#1f4787' -stroke '#a9c4ee' -strokewidth 1.5 \
  -draw "path 'M 7,9 L 17,9 L 21,13 L 21,31 L 7,31 Z'" \
  -draw "path 'M 27,17 L 37,17 L 41,21 L 41,39 L 27,39 Z'" \
  -stroke '#dce8fa' -draw "polyline 32,24 29,28 32,32" -draw "polyline 36,24 39,28 36,32" \
  -define icon:auto-resize=48,32,16 corvane.ico

identify logo.jpg corvane.ico
