#!/usr/bin/env bash
# Times `strandex-cli read FILE --full` against `cat FILE >/dev/null` on the
# same synthetic EVO, in one run, on a warm page cache, and reports the
# median times, their ratio, the throughput and the peak resident memory of
# the scan.
#
#   bench/read_vs_cat.sh [SIZE_MIB]
#
# Environment: see bench/common.sh.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# Warm the page cache, and check once that the scan reads the whole file.
cat "$file" >/dev/null
"$cli" read "$file" --full >"$log_file" 2>&1 || { cat "$log_file"; exit 1; }
if ! grep -q '^Done\.$' "$log_file"; then
  echo "strandex-cli did not finish the scan:" >&2
  cat "$log_file" >&2
  exit 1
fi
frames_line=$(grep ' count in video stream 0\.$' "$log_file" || echo "no frames counted")

warn_if_busy

cat_times=()
read_times=()
read_peak=0
cat_peak=0
for ((k = 0; k < runs; k++)); do
  timed cat "$file"
  cat_times+=("$secs")
  cat_peak=$((peak > cat_peak ? peak : cat_peak))
  timed "$cli" read "$file" --full
  read_times+=("$secs")
  read_peak=$((peak > read_peak ? peak : read_peak))
done

cat_median=$(median "${cat_times[@]}")
read_median=$(median "${read_times[@]}")

awk -v file="$file" -v bytes="$bytes" -v runs="$runs" -v cores="$(nproc)" \
    -v cm="$cat_median" -v rm="$read_median" -v cp="$cat_peak" -v rp="$read_peak" \
    -v have_time="$have_time" -v cruns="${cat_times[*]}" -v rruns="${read_times[*]}" \
    -v frames="$frames_line" -v busy="$busy" '
function mib(kib) { return have_time ? sprintf("%.1f MiB", kib / 1024) : "n/a" }
BEGIN {
  printf "%s: %.0f MiB, %d runs each, alternating, warm cache, %d cores (%d%% busy before)\n", file, bytes / 1048576, runs, cores, busy
  printf "%-34s %9s %10s %11s\n", "command", "median s", "MB/s", "peak RSS"
  printf "%-34s %9.3f %10.0f %11s\n", "cat FILE >/dev/null", cm, bytes / cm / 1e6, mib(cp)
  printf "%-34s %9.3f %10.0f %11s\n", "strandex-cli read FILE --full", rm, bytes / rm / 1e6, mib(rp)
  printf "ratio strandex/cat: %.2f (target at most 1.5)\n", rm / cm
  printf "peak memory of the scan: %s (target under 16 MiB)\n", mib(rp)
  printf "runs (s): cat %s | read %s\n", cruns, rruns
  printf "scan: %s\n", frames
}'
