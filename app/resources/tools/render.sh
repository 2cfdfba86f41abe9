#!/usr/bin/env bash
# Regenerates the PNG resources from the SVG sources (needs python3, g++ and
# the Qt 5 Svg development files). The PNGs are committed; the build does not run this.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
python3 "$here/tools/make_svgs.py"
tool=$(mktemp -d)/svg2png
g++ -std=c++17 -fPIC -o "$tool" "$here/tools/svg2png.cpp" $(pkg-config --cflags --libs Qt5Svg Qt5Gui Qt5Core)
cd "$here/svg"
find . -name '*.svg' | sort | while read -r f; do
  out="$here/image/${f%.svg}.png"
  mkdir -p "$(dirname "$out")"
  echo "$f $out"
done | QT_QPA_PLATFORM=offscreen "$tool"
