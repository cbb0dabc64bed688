#!/usr/bin/env bash
# Renders the program icon's PNG sizes in res/icons/ from its vector drawings: 16 pixels
# from the drawing made for that grid, the others from the full gauge. Run it after
# changing an SVG and commit the PNGs (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../res/icons"
rsvg-convert -w 16 -h 16 re2-terminal-16.svg -o re2-terminal-16.png
for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" re2-terminal.svg -o "re2-terminal-$size.png"
done
