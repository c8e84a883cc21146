#!/bin/sh
# Renders zephlark-utility.svg into the icon images that the build embeds and that the Windows
# resources use. Run it after editing the SVG and commit what it writes; the output depends only
# on the SVG and ImageMagick 6 (its own SVG renderer), not on the time of the run.
set -eu
cd "$(dirname "$0")"

sizes="16 32 48 256"
pngs=""
for size in $sizes; do
    png="icons/zephlark-utility-$size.png"
    # Render at four times 256 px, then average boxes of pixels down: edges on the 16 px grid of
    # the drawing stay sharp at every size.
    convert -background none -density 384 zephlark-utility.svg -filter Box \
        -resize "${size}x${size}" -strip -define png:exclude-chunks=date,time "PNG32:$png"
    pngs="$pngs $png"
done
# shellcheck disable=SC2086 # one argument per image
convert $pngs icons/zephlark-utility.ico
