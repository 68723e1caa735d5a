#!/usr/bin/env bash
# Renders the SVG sources into the PNGs that reelcase.qrc lists. The PNGs are committed,
# so the build never runs this; run it after editing a source (needs rsvg-convert, from
# the Debian package librsvg2-bin, and python3).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons/toolbar
for svg in icons/src/toolbar/*.svg; do
    name=$(basename "$svg")
    rsvg-convert -w 25 -h 25 "$svg" -o "icons/toolbar/${name%%-*}.png"
done
rsvg-convert -w 16 -h 16 icons/src/tree.svg -o icons/tree.png
rsvg-convert -w 15 -h 15 icons/src/folder.svg -o icons/folder.png
rsvg-convert -w 32 -h 32 icons/src/window.svg -o icons/window.png
rsvg-convert -w 64 -h 64 icons/src/window.svg -o icons/reelcase.png
# The desktop entry's icon in the theme's usual sizes, and the drawing itself as scalable.
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "icons/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" icons/src/window.svg \
        -o "icons/hicolor/${size}x${size}/apps/reelcase.png"
done
mkdir -p icons/hicolor/scalable/apps
cp icons/src/window.svg icons/hicolor/scalable/apps/reelcase.svg
rsvg-convert -w 32 -h 32 icons/src/form2.svg -o icons/form2.png
(cd cursors/src && python3 hand.py)
rsvg-convert -w 32 -h 32 cursors/src/hand.svg -o cursors/hand.png
