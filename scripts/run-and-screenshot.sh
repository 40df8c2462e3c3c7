#!/usr/bin/env bash
# run-and-screenshot.sh EXE OUTDIR  (inside a headless session): runs EXE for TAMSEL_RUN_SECONDS,
# screenshots the whole screen, then asks the program to quit like the session ending would.
set -uo pipefail
exe=$1; outdir=$2
seconds=${TAMSEL_RUN_SECONDS:-20}
shot="$outdir/screenshot-$(date +%Y%m%d-%H%M%S).png"
"$exe" &
pid=$!
sleep "$seconds"
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"; echo "tamsel exited early with status $?" >&2; exit 1
fi
import -window root "$shot"
kill -TERM "$pid"
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "tamsel did not quit after SIGTERM" >&2; kill -9 "$pid"; exit 1
fi
wait "$pid"; status=$?
echo "Screenshot: $shot"
[ $status -eq 0 ] || { echo "tamsel exited with status $status" >&2; exit $status; }
