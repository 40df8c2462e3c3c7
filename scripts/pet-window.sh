# Sourced by the session scripts. pet_window prints the pet's window: the program's visible
# utility window that is not its speech bubble (the tray icon is a plain embedded window).
pet_window() {
  local w
  for w in $(xdotool search --onlyvisible --classname tamsel 2>/dev/null); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_UTILITY || continue
    xdotool getwindowname "$w" | grep -q "speech bubble" || { echo "$w"; return 0; }
  done
  return 1
}
