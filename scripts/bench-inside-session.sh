#!/usr/bin/env bash
# bench-inside-session.sh EXE [PREFERENCES_BENCH]: the measurements of make bench (run inside
# headless-session.sh).
set -uo pipefail
exe=$1
preferences_bench=${2:-}
seconds=${BENCH_SECONDS:-30}
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }

source "$(dirname "$0")/pet-window.sh"

# measure NAME SETTINGS...: fresh home, given settings, warm-up, then CPU over the window.
measure() {
  local name=$1; shift
  local home; home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
  mkdir -p "$home/config/tamsel"
  printf '[General]\n' > "$home/config/tamsel/tamsel.conf"
  for setting in "$@"; do printf '%s\n' "$setting" >> "$home/config/tamsel/tamsel.conf"; done
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data TAMSEL_REPORT_FIRST_FRAME=1 \
    "$exe" 2> "$home/log" &
  local pid=$!
  sleep 5
  local before; before=$(cpu_ticks $pid)
  sleep "$seconds"
  local after; after=$(cpu_ticks $pid)
  local rss; rss=$(rss_kb $pid)
  kill -TERM $pid; wait $pid
  local first; first=$(grep -o 'first frame on screen after [0-9]* ms' "$home/log" | grep -o '[0-9]*' || true)
  awk -v n="$name" -v a="$after" -v b="$before" -v t="$ticks" -v s="$seconds" -v r="$rss" -v f="${first:-n/a}" \
    'BEGIN { printf "%-16s CPU %6.3f %% of one core   RSS %6.1f MB   first frame %s ms\n", n, 100*(a-b)/t/s, r/1024, f }'
  rm -rf "$home"
}

# measure_wander: wander mode for at least 60 s, sampling the CPU time and the window's x ten times a
# second; the CPU spent in samples where the window moved is the cost of strolling.
measure_wander() {
  local window=$(( seconds > 60 ? seconds : 60 ))
  local home; home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
  mkdir -p "$home/config/tamsel"
  printf '[General]\ntam.behaviorMode=wander\ntam.lastPositionX=0\ntam.lastPositionY=300\n' \
    > "$home/config/tamsel/tamsel.conf"
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$exe" 2> "$home/log" &
  local pid=$! win=""
  for _ in $(seq 50); do
    win=$(pet_window) && [ -n "$win" ] && break
    sleep 0.1
  done
  sleep 2
  local end=$(( $(date +%s) + window ))
  while [ "$(date +%s)" -lt "$end" ]; do
    printf '%s %s %s\n' "$(date +%s.%N)" "$(cpu_ticks $pid)" \
      "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null | sed -n 's/^X=//p')"
    sleep 0.1
  done > "$home/samples"
  kill -TERM $pid; wait $pid
  awk -v t="$ticks" -v n="wander mode" '
    NR > 1 { dt = $1 - pt; dc = $2 - pc; all += dt; cpu += dc
             if ($3 != px) { walk += dt; walkcpu += dc } }
    { pt = $1; pc = $2; px = $3 }
    END {
      printf "%-16s CPU %6.3f %% of one core over %.0f s\n", n, 100 * cpu / t / all, all
      if (walk > 0) printf "%-16s CPU %6.3f %% of one core over %.1f s of walking\n", "stroll", 100 * walkcpu / t / walk, walk
      else print "stroll           no stroll happened"
    }' "$home/samples"
  rm -rf "$home"
}

echo "Measuring over ${seconds}s each (after 5s warm-up):"
measure "idle animation" "tam.behaviorMode=still"
measure "hidden" "tam.behaviorMode=wander" "tam.startHidden=true"
measure_wander
if [ -n "$preferences_bench" ]; then
  "$preferences_bench" --pets 20 --openings 5 | tail -1
fi
