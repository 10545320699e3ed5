#!/usr/bin/env bash
# Builds the fuzz preset and runs the workbook reader fuzzer for SECONDS,
# seeded with the hostile workbooks in fuzz/corpus/ and a copy of the xls
# corpus. Exits non-zero when it finds a crash, a hang or an input that takes
# more than MEMORY_MB of memory (a reader that blows up on a small file).
set -euo pipefail

seconds=${1:-60}
memory_mb=${MEMORY_MB:-512}
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
cp "$root"/fuzz/corpus/*.xls "$work/corpus/"
if [ -n "$corpus_source" ]; then
  find "$corpus_source" -name '*.xls' -exec cp {} "$work/corpus/" \;
fi

# A small quarantine keeps AddressSanitizer's own share of the limit small.
status=0
ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64} \
"$root/build-fuzz/xls_read_fuzzer" "$work/corpus" \
  -max_total_time="$seconds" -max_len=600000 -rss_limit_mb="$memory_mb" \
  -malloc_limit_mb="$memory_mb" -timeout=20 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 || status=$?

if [ "$status" -ne 0 ]; then
  mkdir -p "$root/build-fuzz/crashes"
  cp "$work"/artifacts/* "$root/build-fuzz/crashes/" 2>/dev/null || true
  echo "Fuzzer found a problem; inputs kept in build-fuzz/crashes/" >&2
fi
exit "$status"
