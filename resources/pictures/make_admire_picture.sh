#!/bin/sh
# Writes admire.jpg, the picture of the appreciation window: a QR code of the project's
# appreciation page on a white ground, sized for the window's 635 x 663 client area.
# Needs Debian's qrencode and imagemagick. Run from anywhere; the JPEG is checked in.
set -eu
here=$(dirname "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
qrencode --level=M --size=14 --margin=2 --output="$tmp/code.png" "https://www.korvane.cn/zanshang"
convert "$tmp/code.png" -background white -gravity center -extent 620x620 \
  -strip -quality 92 -sampling-factor 4:2:0 "$here/admire.jpg"
