#!/usr/bin/env bash
# Writes the PNG pictures of this folder with ImageMagick: one 40 x 30 picture of gradients and
# shapes stored in every kind a PNG can hold. Run it from this folder; the files are kept in
# the repository, so the tests do not depend on ImageMagick's version.
set -euo pipefail
cd "$(dirname "$0")"

out() { # out <file> <options...>: write the source picture as <file> with the options given
  local file=$1
  shift
  convert source.miff +set date:create +set date:modify -define png:exclude-chunks=date,time \
    "$@" "$file"
}

convert -size 40x30 gradient:'#102030-#f0c080' \
  -fill '#ff0000' -draw 'rectangle 5,5 15,12' -fill '#00a0ff' -draw 'circle 28,18 33,22' \
  -fill '#fefefe' -draw 'line 0,29 39,0' \
  \( -size 40x30 gradient:'#ffffff-#202020' -rotate 90 -resize 40x30! \) \
  -alpha off -compose CopyOpacity -composite source.miff

out 01-grey1.png -alpha off -colorspace Gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1
out 02-grey4.png -alpha off -colorspace Gray -define png:color-type=0 -define png:bit-depth=4
out 03-grey8.png -alpha off -colorspace Gray -define png:color-type=0 -define png:bit-depth=8
out 04-grey16.png -alpha off -colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16
out 05-grey-alpha8.png -colorspace Gray -define png:color-type=4 -define png:bit-depth=8
out 06-grey-alpha16.png -colorspace Gray -depth 16 -define png:color-type=4 -define png:bit-depth=16
out 07-palette4.png -alpha off -colors 12 -define png:color-type=3 -define png:bit-depth=4
out 08-palette8.png -alpha off -colors 200 -define png:color-type=3 -define png:bit-depth=8
out 09-rgb8.png -alpha off -define png:color-type=2 -define png:bit-depth=8
out 10-rgb16.png -alpha off -depth 16 -define png:color-type=2 -define png:bit-depth=16
out 11-rgba8.png -define png:color-type=6 -define png:bit-depth=8
out 12-rgba16.png -depth 16 -define png:color-type=6 -define png:bit-depth=16
out 13-interlaced.png -alpha off -interlace PNG -define png:color-type=2 -define png:bit-depth=8
out 14-gamma.png -alpha off -set gamma 0.8 -define png:include-chunk=gAMA \
  -define png:color-type=2 -define png:bit-depth=8
rm source.miff
