#!/usr/bin/env bash
# tarvel-tree.exe under Wine, attached through COM to tarvel-visio.exe
# registered as Visio.Application with /regserver --demo, against the Linux
# tarvel-tree of the same checkout running the same stand-in in process
# (no session bus): both must print the same. Run by
# scripts/run-windows-tests.sh inside its Wine prefix (WINEPREFIX and
# WINEDEBUG set, the wine server up).
# --events is compared on the drawings it opens itself, and checked with a
# second client (the COM test program run with --set-formula) changing a
# cell while it waits.
# Usage: tarvel-tree-windows.sh WINDOWS_BUILD_DIR LINUX_TARVEL_TREE
set -uo pipefail
# Never the user's own prefix.
: "${WINEPREFIX:?is set by scripts/run-windows-tests.sh, which runs this}"
win_tree=$1/cli/tarvel-tree.exe
visio=$1/standin/server/com/tarvel-visio.exe
writer=$1/tests/com/tarvel_visio_com_tests.exe
linux_tree=$2
drawings=${TARVEL_SHARED_DIR:-/work/shared}/vsdx
first=$drawings/aspose_ActiveX_Drawing1.vsdx
second=$drawings/aspose_Layers_Drawing1.vsdx
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
shape="Application/ActivePage/Shapes/Item[1]"

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# A file named by its Linux path is named by Wine's Z: drive on Windows.
windows_args() {
  windows=()
  local arg
  for arg in "$@"; do
    [[ $arg == /* && -e $arg ]] && arg="Z:${arg//\//\\}"
    windows+=("$arg")
  done
}

run_windows() {
  windows_args "$@"
  timeout 120 wine "$win_tree" "${windows[@]}" >"$work/windows.out" 2>"$work/windows.err"
  windows_status=$?
}

run_linux() {
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent timeout 60 "$linux_tree" "$@" \
    >"$work/linux.out" 2>"$work/linux.err"
  linux_status=$?
}

# What differs by system and run, and nothing else: the program's folder
# (Application.Path, which Application items show as their caption),
# the server's ProcessID, and an event line's time and sequence number (the
# served Visio numbers the events of every client). The folder is the
# root's caption (Application shows its Path); every caption or value that
# is exactly that text becomes <program folder>.
normalise() {
  FOLDER=$(sed -n '1s/^Application   \(".*"\) $/\1/p' "$1") awk '
    BEGIN { folder = ENVIRON["FOLDER"] }
    folder != "" {
      out = ""
      while ((at = index($0, folder)) > 0) {
        out = out substr($0, 1, at - 1) "\"<program folder>\""
        $0 = substr($0, at + length(folder))
      }
      $0 = out $0
    }
    { sub(/^ *ProcessID   = [0-9]+$/, substr($0, 1, index($0, "=")) " <process id>") }
    /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9] .* seq=[0-9]+ / {
      sub(/^[^ ]+/, "<time>")
      sub(/ seq=[0-9]+ /, " seq=<seq> ")
    }
    { print }' "$1"
}

# Both programs with the same arguments: the same status, the same error
# text and (normalised) the same output, byte for byte: tarvel-tree.exe
# writes "\n" line ends as the Linux program does, so a "\r" is a fault.
same() {
  run_windows "$@"
  run_linux "$@"
  if ((windows_status != linux_status)); then
    fail "tarvel-tree $* exits $windows_status on Windows, $linux_status on Linux"
    cat "$work/windows.err" >&2
  fi
  if grep -q $'\r' "$work/windows.out" "$work/windows.err"; then
    fail "tarvel-tree $* writes \\r on Windows"
  fi
  normalise "$work/linux.out" >"$work/linux.norm"
  normalise "$work/windows.out" >"$work/windows.norm"
  if ! diff -u --label "Linux: tarvel-tree $*" --label "Windows: tarvel-tree.exe $*" \
    "$work/linux.norm" "$work/windows.norm" >&2; then
    fail "tarvel-tree $* prints differently on Windows"
  fi
  if ! diff -u --label "Linux (errors)" --label "Windows (errors)" \
    "$work/linux.err" "$work/windows.err" >&2; then
    fail "tarvel-tree $* reports differently on Windows"
  fi
  if [[ ! -s $work/linux.out ]] && ((linux_status == 0)); then
    fail "tarvel-tree $* printed nothing on Linux"
  fi
}

if ! timeout 60 wine "$visio" /regserver --demo; then
  echo "tarvel-visio.exe /regserver --demo failed." >&2
  exit 1
fi

same --depth 2
same --depth 1 --expand "$shape"
same --code vba "$shape/Characters"
same --depth 0 --watch 0.1 --count 2
same --constants
# Events of the drawings opened once listening, called back through COM
# from tarvel-visio.exe's process (on Linux, the stand-in in process): the
# defaults, and codes by name and number, one given twice.
same "$first" --events --count 1
same "$first" "$second" --events documentopened 2 --count 2
same --events Bogus

# Ctrl+C (Wine turns SIGINT into it) ends a watch with status 0, after the
# first tree. Sent well after the start, so that the handler is there.
timeout --preserve-status -k 30 -s INT 8 wine "$win_tree" --depth 0 --watch 0.2 \
  >"$work/windows.out" 2>"$work/windows.err"
windows_status=$?
run_linux --depth 0
if ((windows_status != 0)) || [[ -s $work/windows.err ]] ||
  ! diff -q <(normalise "$work/linux.out") <(normalise "$work/windows.out") >/dev/null; then
  fail "tarvel-tree.exe --watch: Ctrl+C gives status $windows_status"
  cat "$work/windows.err" >&2
fi

# A second client changes a cell while tarvel-tree.exe waits: its lines
# come through the apartment's messages, and it stops at the count having
# removed its events (which the writer waits for).
timeout 120 wine "$win_tree" --events CellChanged --count 2 >"$work/windows.out" \
  2>"$work/windows.err" &
tree=$!
timeout 120 wine "$writer" --set-formula Width "2 in" "3 in" 2>"$work/writer.err"
writer_status=$?
wait "$tree"
windows_status=$?
event='<time> CellChanged 10240 seq=<seq> subject=Cell "Width" of Shape "Process" (Page-1)'
printf '%s source=Application\n' "$event" "$event" >"$work/events.expected"
if ((windows_status != 0 || writer_status != 0)) || [[ -s $work/windows.err ]] ||
  ! diff -u --label expected --label "tarvel-tree.exe --events CellChanged --count 2" \
    "$work/events.expected" <(normalise "$work/windows.out") >&2; then
  fail "tarvel-tree.exe --events with a second client: status $windows_status, writer's" \
    "$writer_status"
  cat "$work/windows.err" "$work/writer.err" >&2
fi

# Ctrl+C ends --events with status 0 once it listens (its first line is
# there), after removing the events: a removal Visio refused would give 1.
# Visio gone ends it with status 3 at the next liveness check.
listen() {
  # The Visio the last client left is still ending: Wine's COM answers a
  # start meanwhile as if the class were not registered.
  for _ in {1..100}; do
    pgrep -f 'tarvel-visio\.exe' >/dev/null || break
    sleep 0.1
  done
  windows_args "$first" --events DocumentOpened
  timeout 120 wine "$win_tree" "${windows[@]}" >"$work/windows.out" 2>"$work/windows.err" &
  tree=$!
  for _ in {1..300}; do
    grep -q DocumentOpened "$work/windows.out" && return 0
    sleep 0.1
  done
  return 1
}
if listen; then
  kill -INT "$tree"
else
  fail "tarvel-tree.exe --events printed no DocumentOpened line"
  kill "$tree"
fi
wait "$tree"
windows_status=$?
if ((windows_status != 0)) || [[ -s $work/windows.err ]]; then
  fail "tarvel-tree.exe --events: Ctrl+C gives status $windows_status"
  cat "$work/windows.err" >&2
fi
if listen; then
  timeout 60 wine taskkill /f /im tarvel-visio.exe >/dev/null 2>&1
else
  fail "tarvel-tree.exe --events printed no DocumentOpened line"
  kill "$tree"
fi
wait "$tree"
windows_status=$?
if ((windows_status != 3)) ||
  ! grep -qx "tarvel-tree: the link to Visio failed: 0x.*" "$work/windows.err"; then
  fail "tarvel-tree.exe --events: Visio gone gives status $windows_status"
  cat "$work/windows.err" >&2
fi

# Command-line mistakes: status 2 and the same usage as on Linux.
run_linux --bogus
run_windows --bogus
if ((windows_status != 2)) ||
  ! diff -u --label "Linux: tarvel-tree --bogus" --label "tarvel-tree.exe --bogus" \
    "$work/linux.err" "$work/windows.err" >&2; then
  fail "tarvel-tree.exe --bogus: status $windows_status"
fi

# No Visio registered: the connect error, status 1 as on Linux.
if ! timeout 60 wine "$visio" /unregserver; then
  fail "tarvel-visio.exe /unregserver failed"
fi
[[ -e ${visio%.exe}.tlb ]] && fail "/unregserver left tarvel-visio.tlb behind"
run_windows --depth 1
if ((windows_status != 1)) ||
  ! grep -qx "tarvel-tree: Visio could not be started: .*" "$work/windows.err" ||
  [[ -s $work/windows.out ]]; then
  fail "tarvel-tree.exe without Visio: status $windows_status"
  cat "$work/windows.err" >&2
fi

if ((failures > 0)); then
  echo "tarvel-tree.exe: $failures check(s) failed." >&2
  exit 1
fi
echo "tarvel-tree.exe: the same as the Linux tarvel-tree."
