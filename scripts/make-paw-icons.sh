#!/usr/bin/env bash
# make-paw-icons.sh  Draws the program's paw symbol (one pad, four toes) into resources/icons/paw-N.png.
# Dark grey shapes with a light outline, so the symbol reads on light and dark panels. Each size is
# drawn eight times larger and reduced, with an outline of at least one target pixel.
# Needs ImageMagick's `convert`. Run it again after changing the drawing and commit the PNGs.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/resources/icons
mkdir -p "$out"
fill='#3b3b3b'
edge='#f2f2f2'
for size in 16 22 24 32 48 64; do
  big=$((size * 8))
  # Geometry on a 100-unit square, scaled to the working canvas.
  s() { awk -v v="$1" -v b="$big" 'BEGIN { printf "%d", v * b / 100 }'; }
  stroke=$(awk -v n="$size" 'BEGIN { w = n / 14; if (w < 1.1) w = 1.1; printf "%d", w * 8 }')
  draw=""
  # Toes: centre x, centre y, radius x, radius y, rotation.
  for toe in "17 45 9 12 -25" "36 25 10 13 -8" "64 25 10 13 8" "83 45 9 12 25"; do
    read -r cx cy rx ry rot <<<"$toe"
    draw+=" -draw \"translate $(s "$cx"),$(s "$cy") rotate $rot ellipse 0,0 $(s "$rx"),$(s "$ry") 0,360\""
  done
  # The pad: a wide rounded blob under the toes.
  draw+=" -draw \"ellipse $(s 50),$(s 72) $(s 25),$(s 20) 0,360\""
  draw+=" -draw \"ellipse $(s 38),$(s 80) $(s 14),$(s 12) 0,360\""
  draw+=" -draw \"ellipse $(s 62),$(s 80) $(s 14),$(s 12) 0,360\""
  # Outline pass first (fill + thick light stroke), then the dark shapes on top, so where the
  # pad's ellipses overlap no inner outline shows.
  eval convert -size "${big}x${big}" xc:none -fill "'$edge'" -stroke "'$edge'" -strokewidth "$((stroke * 2))" \
    "$draw" -stroke none -fill "'$fill'" "$draw" \
    -filter Box -resize "${size}x${size}" -strip "PNG32:$out/paw-$size.png"
done
echo "wrote $out/paw-{16,22,24,32,48,64}.png"
