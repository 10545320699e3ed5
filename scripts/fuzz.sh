#!/usr/bin/env bash
# Builds the fuzz preset and runs the workbook reader fuzzer for SECONDS,
# seeded with a copy of the xls corpus. Exits non-zero when it finds a crash.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build build-fuzz --target xls_read_fuzzer -j"$(nproc)"

corpus_source=""
for candidate in "$root/../shared/xls-corpus" "$root/../../shared/xls-corpus"; do
  if [ -d "$candidate" ]; then corpus_source=$candidate; break; fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
if [ -n "$corpus_source" ]; then
  find "$corpus_source" -name '*.xls' -exec cp {} "$work/corpus/" \;
fi

status=0
"$root/build-fuzz/xls_read_fuzzer" "$work/corpus" \
  -max_total_time="$seconds" -max_len=600000 -rss_limit_mb=4096 -timeout=20 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 || status=$?

if [ "$status" -ne 0 ]; then
  mkdir -p "$root/build-fuzz/crashes"
  cp "$work"/artifacts/* "$root/build-fuzz/crashes/" 2>/dev/null || true
  echo "Fuzzer found a problem; inputs kept in build-fuzz/crashes/" >&2
fi
exit "$status"
