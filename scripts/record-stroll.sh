#!/usr/bin/env bash
# record-stroll.sh [OUT]: inside a headless desktop session, starts the release build in wander mode
# at the screen's left edge and stacks six shots of the strip the cat walks along, 0.35 s apart,
# into one image (docs/stroll.png by default). Run: scripts/headless-session.sh scripts/record-stroll.sh
set -euo pipefail
source "$(dirname "$0")/pet-window.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/stroll.png}
exe=$root/build/release/src/tamsel
work=$(mktemp -d /tmp/tamsel-stroll.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/tamsel"
printf '[General]\ntam.behaviorMode=wander\ntam.lastPositionX=0\ntam.lastPositionY=300\ntam.chatterEnabled=false\n' \
  > "$work/config/tamsel/tamsel.conf"
HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data "$exe" 2> "$work/log" &
pid=$!
win=""
for _ in $(seq 100); do
  win=$(pet_window) && [ -n "$win" ] && break
  sleep 0.1
done
x() { xdotool getwindowgeometry --shell "$win" | sed -n 's/^X=//p'; }
start=$(x)
for _ in $(seq 200); do [ "$(x)" != "$start" ] && break; sleep 0.05; done
for i in 1 2 3 4 5 6; do
  import -window root -crop 420x120+0+292 +repage "$work/shot$i.png"
  sleep 0.35
done
kill -TERM $pid; wait $pid
convert "$work"/shot[1-6].png -background '#444' -splice 0x2 -append "$out"
echo "Wrote $out"
