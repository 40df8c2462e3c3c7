#!/usr/bin/env bash
# record-hidpi.sh [OUT]: runs the HiDPI test at device pixel ratios 1, 1.5 and 2, each in its own
# headless session, and puts its pictures of the cat and its bubble side by side, each at its
# device resolution (docs/hidpi.png by default). Needs build/dev/tests/app_tst_gui_hidpi.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/hidpi.png}
test=$root/build/dev/tests/app_tst_gui_hidpi
work=$(mktemp -d /tmp/tamsel-hidpi.XXXXXX)
trap 'rm -rf "$work"' EXIT
for ratio in 1 1.5 2; do
  QT_SCALE_FACTOR=$ratio TAMSEL_SCREENSHOT_DIR=$work "$root/scripts/headless-session.sh" "$test" \
    strollKeepsItsSpeedInPoints > "$work/log-$ratio" 2>&1 || { cat "$work/log-$ratio"; exit 1; }
  grep 'stroll speed' "$work/log-$ratio" || true
done
cd "$work"
convert hidpi-1.png hidpi-1.5.png hidpi-2.png -background '#202024' -gravity east -splice 16x0 \
  -gravity south +append +repage -gravity north -splice 0x32 joined.png
w1=$(identify -format %w hidpi-1.png); w15=$(identify -format %w hidpi-1.5.png)
convert joined.png -gravity northwest -fill white -pointsize 20 -annotate +12+6 'ratio 1' \
  -annotate +$((w1 + 28))+6 'ratio 1.5' -annotate +$((w1 + w15 + 44))+6 'ratio 2' +repage "$out"
echo "Wrote $out"
