#!/usr/bin/env bash
# bench-inside-session.sh EXE [PREFERENCES_BENCH]: the measurements of make bench (run inside
# headless-session.sh).
set -uo pipefail
exe=$1
preferences_bench=${2:-}
seconds=${BENCH_SECONDS:-30}
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# thread_ns PID: "tid ns" per live thread, from the scheduler's nanosecond counters (finer than
# the 10 ms ticks of stat).
thread_ns() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(cut -d' ' -f1 "$t/schedstat" 2>/dev/null)"; done; }
# cpu_percent BEFORE AFTER SECONDS: % of one core between two thread_ns samples; a thread that
# ended in between counts up to its last sample only.
cpu_percent() {
  awk -v s="$3" 'FNR == NR { b[$1] = $2; next } { used += $2 - ($1 in b ? b[$1] : 0) }
                 END { printf "%.3f", 100 * used / 1e9 / s }' <(echo "$1") <(echo "$2")
}
# thread_sleeps PID: "tid count" per live thread, the times it went to sleep, so woke up again
# (voluntary context switches).
thread_sleeps() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status" 2>/dev/null)"; done; }
# delta BEFORE AFTER: what the threads of two samples added in between.
delta() { awk 'FNR == NR { b[$1] = $2; next } { n += $2 - ($1 in b ? b[$1] : 0) } END { print n + 0 }' <(echo "$1") <(echo "$2"); }
# process_ns PID: CPU time of all its live threads, in ns (a thread that ends takes its share with
# it: the sample it ends in counts nothing).
process_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d", n }'; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# pss_anon_kb PID: proportional set size and anonymous memory, in kB.
pss_anon_kb() { awk '/^Pss:/ {p = $2} /^Anonymous:/ {a = $2} END {print p, a}' "/proc/$1/smaps_rollup"; }
# The X server and the compositor of the session (CPU they spend drawing the pet counts too).
xserver_pid() { echo "${SESSION_XSERVER_PID:-}"; }
compositor_pid() { echo "${SESSION_COMPOSITOR_PID:-}"; }
ticks_of() { [ -n "$1" ] && [ -r "/proc/$1/stat" ] && cpu_ticks "$1" || echo 0; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

source "$(dirname "$0")/pet-window.sh"

# measure NAME SETTINGS...: fresh home, given settings, warm-up, then CPU over the window.
measure() {
  local name=$1; shift
  local home; home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
  mkdir -p "$home/config/tamsel"
  # Not a first launch: no welcome window.
  printf '[General]\ntam.hasCompletedOnboarding=true\n' > "$home/config/tamsel/tamsel.conf"
  for setting in "$@"; do printf '%s\n' "$setting" >> "$home/config/tamsel/tamsel.conf"; done
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data TAMSEL_REPORT_FIRST_FRAME=1 \
    "$exe" 2> "$home/log" &
  local pid=$!
  sleep 5
  local first; first=$(grep -o 'first frame on screen after [0-9]* ms' "$home/log" | grep -o '[0-9]*' || true)
  sample_cpu "$name" "$pid" "first frame ${first:-n/a} ms"
  kill -TERM $pid; wait $pid
  rm -rf "$home"
}

# sample_cpu NAME PID [NOTE]: CPU of the process, the X server and the compositor over the window
# (nanosecond counters), wake-ups a minute, and memory at the end. Prints one line, and keeps the
# program's CPU and the three processes' total in SAMPLED_CPU and SAMPLED_TOTAL.
sample_cpu() {
  local name=$1 pid=$2 note=${3:-}
  local xs cs; xs=$(xserver_pid); cs=$(compositor_pid)
  local b xb cb wb a xa ca wa
  b=$(thread_ns $pid); xb=$(thread_ns "${xs:-0}" 2>/dev/null); cb=$(thread_ns "${cs:-0}" 2>/dev/null); wb=$(thread_sleeps $pid)
  sleep "$seconds"
  a=$(thread_ns $pid); xa=$(thread_ns "${xs:-0}" 2>/dev/null); ca=$(thread_ns "${cs:-0}" 2>/dev/null); wa=$(thread_sleeps $pid)
  local rss; rss=$(rss_kb $pid)
  local pss anon; read -r pss anon < <(pss_anon_kb $pid)
  local cpu x c; cpu=$(cpu_percent "$b" "$a" "$seconds"); x=$(cpu_percent "$xb" "$xa" "$seconds"); c=$(cpu_percent "$cb" "$ca" "$seconds")
  SAMPLED_CPU=$cpu
  SAMPLED_TOTAL=$(awk -v a="$cpu" -v b="$x" -v c="$c" 'BEGIN { printf "%.3f", a + b + c }')
  awk -v n="$name" -v cpu="$cpu" -v x="$x" -v c="$c" -v r="$rss" -v p="$pss" -v an="$anon" -v note="$note" \
    -v w="$(delta "$wb" "$wa")" -v s="$seconds" \
    'BEGIN { printf "%-16s CPU %6.3f %% of one core (X server %.3f %%, compositor %.3f %%)   %.1f wake-ups a minute   RSS %6.1f MB   PSS %6.1f MB   anonymous %5.1f MB   %s\n",
             n, cpu, x, c, 60 * w / s, r/1024, p/1024, an/1024, note }'
}

# measure_peer NAME COMMAND...: the same for another desktop pet, for comparison.
measure_peer() {
  local name=$1; shift
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 5
  sample_cpu "$name" "$pid"
  kill -TERM $pid; wait $pid 2>/dev/null
}

# median: the median of the numbers on standard input.
median() { sort -n | awk '{v[NR] = $1} END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure_startup: ten starts from exec to the pet's window mapped, read from the X server's events
# by bench_startup: each in a fresh home (a first start, which installs the built-in pet), then
# again in that home (a later start).
measure_startup() {
  local tool; tool=$(dirname "$exe")/../tools/bench_startup/bench_startup
  if [ ! -x "$tool" ]; then echo "startup          bench_startup is not built"; return; fi
  local first=() later=() home
  for _ in $(seq 10); do
    home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
    mkdir -p "$home/config/tamsel"
    printf '[General]\ntam.hasCompletedOnboarding=true\ntam.behaviorMode=still\n' > "$home/config/tamsel/tamsel.conf"
    first+=("$(HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$tool" "$exe" 2>/dev/null)")
    sleep 0.3
    later+=("$(HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$tool" "$exe" 2>/dev/null)")
    sleep 0.3
    rm -rf "$home"
  done
  printf '%-16s exec to pet window mapped: median %s ms at a first start (%s), %s ms at a later one (%s)\n' \
    "startup" "$(printf '%s\n' "${first[@]}" | median)" "${first[*]}" "$(printf '%s\n' "${later[@]}" | median)" "${later[*]}"
}

# measure_wander: wander mode for at least 60 s, sampling the CPU time (ns, from the scheduler) and
# the window's x ten times a second; the CPU spent in samples where the window moved is the cost of
# strolling.
measure_wander() {
  local window=$(( seconds > 60 ? seconds : 60 ))
  local home; home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
  mkdir -p "$home/config/tamsel"
  printf '[General]\ntam.hasCompletedOnboarding=true\ntam.behaviorMode=wander\ntam.lastPositionX=0\ntam.lastPositionY=300\n' \
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
    printf '%s %s %s\n' "$(date +%s.%N)" "$(process_ns $pid)" \
      "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null | sed -n 's/^X=//p')"
    sleep 0.1
  done > "$home/samples"
  kill -TERM $pid; wait $pid
  awk -v t=1e9 -v n="wander mode" '
    NR > 1 { dt = $1 - pt; dc = $2 - pc; if (dc < 0) dc = 0; all += dt; cpu += dc
             if ($3 != px) { walk += dt; walkcpu += dc } }
    { pt = $1; pc = $2; px = $3 }
    END {
      printf "%-16s CPU %6.3f %% of one core over %.0f s\n", n, 100 * cpu / t / all, all
      if (walk > 0) printf "%-16s CPU %6.3f %% of one core over %.1f s of walking\n", "stroll", 100 * walkcpu / t / walk, walk
      else print "stroll           no stroll happened"
    }' "$home/samples"
  rm -rf "$home"
}

# measure_ask: Super+K ten times, from the key press to the Ask prompt visible on screen (polled
# every few ms through the X server), then the program's CPU with the prompt left open.
measure_ask() {
  local home; home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
  mkdir -p "$home/config/tamsel"
  printf '[General]\ntam.hasCompletedOnboarding=true\ntam.behaviorMode=still\n' > "$home/config/tamsel/tamsel.conf"
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$exe" 2> "$home/log" &
  local pid=$!
  for _ in $(seq 50); do pet_window >/dev/null && break; sleep 0.1; done
  sleep 2
  local latencies=() t0 i
  for i in $(seq 10); do
    t0=$(now_ms)
    xdotool key super+k
    until xdotool search --onlyvisible --name '^Ask Tamsel$' >/dev/null 2>&1; do
      [ $(( $(now_ms) - t0 )) -gt 5000 ] && break
      sleep 0.003
    done
    latencies+=($(( $(now_ms) - t0 )))
    [ "$i" -lt 10 ] || break
    xdotool key super+k
    for _ in $(seq 100); do
      xdotool search --onlyvisible --name '^Ask Tamsel$' >/dev/null 2>&1 || break
      sleep 0.02
    done
    sleep 0.3
  done
  local sorted; sorted=$(printf '%s\n' "${latencies[@]}" | sort -n | tr '\n' ' ')
  local median; median=$(printf '%s\n' "${latencies[@]}" | sort -n | sed -n 5,6p | awk '{s += $1} END {print s / NR}')
  printf '%-16s hot key to panel on screen: median %s ms of 10 (%s)\n' "ask prompt" "$median" "$sorted"
  # The same process with the prompt closed, then open and left alone.
  xdotool key super+k
  sleep 2
  sample_cpu "ask prompt shut" "$pid"
  local closed=$SAMPLED_CPU
  xdotool key super+k
  sleep 2
  sample_cpu "ask prompt open" "$pid"
  awk -v o="$SAMPLED_CPU" -v c="$closed" 'BEGIN { printf "%-16s the open prompt adds %.3f %% of one core\n", "ask prompt", o - c }'
  kill -TERM $pid; wait $pid
  rm -rf "$home"
}

# tray_window PET: the tray icon, the program's small visible window besides the pet.
tray_window() {
  local w
  for w in $(xdotool search --onlyvisible --classname tamsel 2>/dev/null); do
    [ "$w" = "$1" ] && continue
    local width; width=$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^WIDTH=//p')
    [ -n "$width" ] && [ "$width" -le 48 ] && { echo "$w"; return 0; }
  done
  return 1
}

# measure_preferences: opens the preferences from the tray menu on the Animations section (a
# preview per row of the built-in pet), then the CPU with it open, then with the Window section
# shown instead (the previews are built but hidden).
measure_preferences() {
  local home; home=$(mktemp -d /tmp/tamsel-bench.XXXXXX)
  mkdir -p "$home/config/tamsel"
  printf '[General]\ntam.behaviorMode=still\n' > "$home/config/tamsel/tamsel.conf"
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$exe" 2> "$home/log" &
  local pid=$! pet="" tray="" prefs=""
  for _ in $(seq 100); do pet=$(pet_window) && tray=$(tray_window "$pet") && break; sleep 0.1; done
  sleep 2
  # The tray menu opens at its top; two steps up (wrapping past "Quit Tamsel") is "Preferences…".
  xdotool mousemove --window "$tray" 8 8 click 1
  sleep 1
  xdotool key --delay 100 Up Up Return
  for _ in $(seq 50); do prefs=$(xdotool search --onlyvisible --name 'tamsel Preferences' | head -1) && [ -n "$prefs" ] && break; sleep 0.1; done
  # Section rows are 34 px apart from y 91: Animations is the third, Window the fifth.
  xdotool mousemove --window "$prefs" 80 $((91 + 2 * 34)) click 1
  sleep 3
  local before after
  before=$(cpu_ticks $pid); sleep "$seconds"; after=$(cpu_ticks $pid)
  awk -v n="animations pane" -v a="$after" -v b="$before" -v t="$ticks" -v s="$seconds" \
    'BEGIN { printf "%-16s CPU %6.3f %% of one core (open, a preview per row)\n", n, 100*(a-b)/t/s }'
  xdotool mousemove --window "$prefs" 80 $((91 + 4 * 34)) click 1
  sleep 3
  before=$(cpu_ticks $pid); sleep "$seconds"; after=$(cpu_ticks $pid)
  awk -v n="window pane" -v a="$after" -v b="$before" -v t="$ticks" -v s="$seconds" \
    'BEGIN { printf "%-16s CPU %6.3f %% of one core (Animations built, not shown)\n", n, 100*(a-b)/t/s }'
  kill -TERM $pid; wait $pid
  rm -rf "$home"
}

if [ -n "${BENCH_STARTUP_ONLY:-}" ]; then
  measure_startup
  exit 0
fi

if [ -n "${BENCH_PREFERENCES_ONLY:-}" ]; then
  measure "idle animation" "tam.behaviorMode=still"
  measure_preferences
  exit 0
fi

echo "Measuring over ${seconds}s each (after 5s warm-up):"
measure_startup
measure "idle animation" "tam.behaviorMode=still"
if [ -x /usr/games/oneko ]; then
  pet_cpu=$SAMPLED_CPU pet_total=$SAMPLED_TOTAL
  xdotool mousemove 5 5 # oneko asleep in the corner, as the pet idles
  measure_peer "oneko" /usr/games/oneko
  awk -v p="$pet_cpu" -v pt="$pet_total" -v o="$SAMPLED_CPU" -v ot="$SAMPLED_TOTAL" \
    'BEGIN { printf "%-16s program %.2f x oneko, with X server and compositor %.2f x\n", "side by side", p / (o > 0 ? o : 1e-3), pt / (ot > 0 ? ot : 1e-3) }'
fi
measure "hidden" "tam.behaviorMode=wander" "tam.startHidden=true"
measure_wander
measure_ask
measure_preferences
if [ -n "$preferences_bench" ]; then
  "$preferences_bench" --pets 20 --openings 5 | tail -1
fi
