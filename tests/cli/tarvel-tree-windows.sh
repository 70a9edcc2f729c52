#!/usr/bin/env bash
# tarvel-tree.exe under Wine, attached through COM to tarvel-visio.exe
# registered as Visio.Application with /regserver --demo, against the Linux
# tarvel-tree of the same checkout running the same stand-in in process
# (no session bus): both must print the same. Run by
# scripts/run-windows-tests.sh inside its Wine prefix (WINEPREFIX and
# WINEDEBUG set, the wine server up).
# Usage: tarvel-tree-windows.sh WINDOWS_BUILD_DIR LINUX_TARVEL_TREE
set -uo pipefail
# Never the user's own prefix.
: "${WINEPREFIX:?is set by scripts/run-windows-tests.sh, which runs this}"
win_tree=$1/cli/tarvel-tree.exe
visio=$1/standin/server/com/tarvel-visio.exe
linux_tree=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
shape="Application/ActivePage/Shapes/Item[1]"

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

run_windows() {
  timeout 120 wine "$win_tree" "$@" >"$work/windows.out" 2>"$work/windows.err"
  windows_status=$?
}

run_linux() {
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent timeout 60 "$linux_tree" "$@" \
    >"$work/linux.out" 2>"$work/linux.err"
  linux_status=$?
}

# What differs by system and run, and nothing else: the program's folder
# (Application.Path, which Application items show as their caption) and
# the server's ProcessID. The folder is the root's caption (Application
# shows its Path); every caption or value that is exactly that text becomes
# <program folder>.
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

# Command-line mistakes: status 2 and the usage, whose synopsis on Windows
# leaves out --events.
run_linux --bogus
grep -v -e '--events \[CODE' "$work/linux.err" >"$work/usage.expected"
run_windows --bogus
if ((windows_status != 2)) ||
  ! diff -u --label expected --label "tarvel-tree.exe --bogus" "$work/usage.expected" \
    "$work/windows.err" >&2; then
  fail "tarvel-tree.exe --bogus: status $windows_status"
fi
{
  echo "tarvel-tree: --events is not available on Windows in this build"
  tail -n +2 "$work/usage.expected"
} >"$work/events.expected"
run_windows --events
if ((windows_status != 2)) ||
  ! diff -u --label expected --label "tarvel-tree.exe --events" "$work/events.expected" \
    "$work/windows.err" >&2; then
  fail "tarvel-tree.exe --events: status $windows_status"
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
