#!/usr/bin/env bash
# headless-session.sh CMD...  Runs CMD inside a private desktop session: its own D-Bus session
# bus, Xvfb on a free display, openbox, picom (for real transparency), trayer (a system tray),
# an unlocked gnome-keyring and PulseAudio with a pipe-source microphone (write s16le 16 kHz mono
# PCM into $TEST_MIC_FIFO to speak into it). Everything started here is stopped on exit.
# HEADLESS_SCREEN sets the screen size (default 1280x800x24). HEADLESS_MONITORS=2 makes it one
# 2560x800 screen split into two 1280x800 monitors side by side, A (primary) at the left and B at
# the right, the way RandR describes several monitors on one X screen.
set -uo pipefail
if [ -z "${HEADLESS_SESSION_INNER:-}" ]; then
  export HEADLESS_SESSION_INNER=1
  exec dbus-run-session -- "$0" "$@"
fi
WORK=$(mktemp -d /tmp/tamsel-session.XXXXXX)
export XDG_RUNTIME_DIR=$WORK/run; mkdir -m 700 "$XDG_RUNTIME_DIR"
export XDG_DATA_HOME=${SESSION_XDG_DATA_HOME:-$WORK/data}
export XDG_CONFIG_HOME=${SESSION_XDG_CONFIG_HOME:-$WORK/config}
export XDG_CACHE_HOME=$WORK/cache
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
export QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY
PIDS=()
cleanup() {
  for ((i=${#PIDS[@]}-1; i>=0; i--)); do kill "${PIDS[i]}" 2>/dev/null; done
  sleep 0.3
  for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT
die() { echo "headless-session: $*" >&2; [ -f "$WORK/log" ] && tail -20 "$WORK/log" >&2; exit 70; }
waitfor() {
  local what=$1; shift
  for _ in $(seq 1 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  die "$what not ready"
}
sel_owned() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]; x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]; x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
sys.exit(0 if d and x.XGetSelectionOwner(d, x.XInternAtom(d, sys.argv[1].encode(), 0)) else 1)
PY
}
# 1. X server on a free display
exec {dfd}<> <(:)
[ "${HEADLESS_MONITORS:-1}" = 2 ] && HEADLESS_SCREEN=2560x800x24
Xvfb -displayfd $dfd -screen 0 "${HEADLESS_SCREEN:-1280x800x24}" -nolisten tcp +extension COMPOSITE >>"$WORK/log" 2>&1 &
PIDS+=($!); export SESSION_XSERVER_PID=$!
read -r -t 10 -u $dfd DNUM || die "Xvfb did not start"
export DISPLAY=:$DNUM
# 2. window manager
openbox >>"$WORK/log" 2>&1 & PIDS+=($!)
waitfor "openbox" sel_owned WM_S0
xsetroot -solid '#305080'
# 3. compositor
picom --backend xrender >>"$WORK/log" 2>&1 & PIDS+=($!); export SESSION_COMPOSITOR_PID=$!
waitfor "picom" sel_owned _NET_WM_CM_S0
# 4. system tray
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true >>"$WORK/log" 2>&1 & PIDS+=($!)
waitfor "trayer" sel_owned _NET_SYSTEM_TRAY_S0
# 5. unlocked secret service
printf 'session-password' | gnome-keyring-daemon --foreground --unlock --components=secrets >>"$WORK/log" 2>&1 &
PIDS+=($!)
waitfor "gnome-keyring" sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets | grep -q true'
# 6. sound server with a speaker and a pipe-source microphone
export PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR/pulse
export TEST_MIC_FIFO=$WORK/mic.fifo
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no --log-target=stderr \
  -L "module-native-protocol-unix auth-anonymous=1" \
  -L "module-null-sink sink_name=speaker sink_properties=device.description=Speaker" \
  -L "module-pipe-source source_name=mic file=$TEST_MIC_FIFO format=s16le rate=16000 channels=1 source_properties=device.description=TestMic" \
  >>"$WORK/log" 2>&1 &
PIDS+=($!)
waitfor "pulseaudio" pactl info
pactl set-default-sink speaker && pactl set-default-source mic
# 7. the monitors
if [ "${HEADLESS_MONITORS:-1}" = 2 ]; then
  # Set last: a program querying the screen's resources for the first time resets them.
  xrandr --setmonitor A 1280/338x800/211+0+0 screen >>"$WORK/log" 2>&1 || die "xrandr failed"
  xrandr --setmonitor B 1280/338x800/211+1280+0 none >>"$WORK/log" 2>&1 || die "xrandr failed"
  xrandr --listmonitors | grep -q '^Monitors: 2' || die "the two monitors were not set up"
fi
# 8. the command
"$@"
exit $?
