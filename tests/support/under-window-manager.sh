#!/usr/bin/env bash
# Runs a command on an X display of its own with a window manager that
# frames windows (Xvfb and openbox), as a user's desktop would: Qt's
# offscreen platform has no frames, no title bars and no real mouse.
# The command gets DISPLAY, QT_QPA_PLATFORM=xcb and TARVEL_WINDOW_MANAGER
# (the manager's name; tests that need one skip without it).
# Exits 77 (skipped) when Xvfb, openbox, xprop or xdotool is missing; both servers
# are stopped however the command ends.
set -uo pipefail

for tool in Xvfb openbox xprop xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (Debian's xvfb, openbox, x11-utils and xdotool packages)"
    exit 77
  fi
done

dir=$(mktemp -d) || exit 1
xvfb_pid=
wm_pid=
cleanup() {
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs the command every 50 ms until it succeeds, for up to 10 seconds.
wait_for() {
  local i
  for ((i = 0; i < 200; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# -displayfd: the server picks a free display and writes its number once it
# accepts clients, so parallel runs never meet.
: >"$dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
display_ready() { [[ $(wc -l <"$dir/display") -ge 1 ]] || ! kill -0 "$xvfb_pid" 2>/dev/null; }
if ! wait_for display_ready || [[ ! -s $dir/display ]]; then
  echo "Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$(head -n 1 "$dir/display")

# openbox's own cache and settings stay in the scratch folder.
XDG_CACHE_HOME=$dir XDG_CONFIG_HOME=$dir openbox --sm-disable >"$dir/openbox.log" 2>&1 &
wm_pid=$!
# A running window manager says so on the root window.
wm_checked() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wm_ready() { wm_checked || ! kill -0 "$wm_pid" 2>/dev/null; }
if ! wait_for wm_ready || ! kill -0 "$wm_pid" 2>/dev/null || ! wm_checked; then
  echo "openbox did not start on $DISPLAY:" >&2
  cat "$dir/openbox.log" >&2
  exit 1
fi

export QT_QPA_PLATFORM=xcb TARVEL_WINDOW_MANAGER=openbox
"$@"
