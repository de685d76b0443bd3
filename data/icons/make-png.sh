#!/bin/sh
# Renders the 256 px PNG icon from the hand-drawn SVG. Run it after editing the
# SVG and commit both files (the build does not need rsvg-convert).
set -eu
cd "$(dirname "$0")"
rsvg-convert --width 256 --height 256 org.tessivo.Tessivo.svg -o org.tessivo.Tessivo.png
