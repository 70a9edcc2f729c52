#!/bin/sh
# Runs the loader's fuzz target over the corpus of real drawings.
#   fuzz/run-fuzz.sh BUILD_DIR [SECONDS]
# The corpus is copied into a scratch folder outside the repository
# (TARVEL_FUZZ_DIR, default /tmp/tarvel-fuzz) that grows with what the run
# finds; crashes, leaks and hangs are written there as well.
set -eu
build=${1:?usage: run-fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-600}
here=$(cd "$(dirname "$0")" && pwd)
shared=${TARVEL_SHARED_DIR:-$here/../../shared}
work=${TARVEL_FUZZ_DIR:-/tmp/tarvel-fuzz}
mkdir -p "$work/corpus" "$work/findings"
if [ -d "$shared/vsdx" ]; then
  for f in "$shared"/vsdx/*.vs??; do cp -n "$f" "$work/corpus/" 2>/dev/null || true; done
else
  echo "no corpus of real drawings at $shared/vsdx; starting from nothing" >&2
fi
# -max_len covers the largest drawing of the corpus; -rss_limit_mb keeps a
# runaway input from taking the machine down.
exec "$build/fuzz/tarvel_fuzz_vsdx_open" "$work/corpus" \
  -dict="$here/vsdx.dict" -max_len=2200000 -rss_limit_mb=2048 -timeout=10 \
  -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/findings/"
