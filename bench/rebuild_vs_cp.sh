#!/usr/bin/env bash
# Times `strandex-cli rebuild FILE -o DIR --streams video0,audio0,audio1,sub0`
# (one of the three audio streams unticked) against `cp FILE DIR/` on the
# same synthetic EVO, in one run, alternating, on a warm page cache, and
# reports the median times and their ratio. The console command runs Read
# EVO (fast check: the first 300 MB) before it rebuilds, so
# `strandex-cli read FILE` alone is timed too.
#
#   bench/rebuild_vs_cp.sh [SIZE_MIB]
#
# Environment: see bench/common.sh, and
#   BENCH_OUT_DIR    where the copies are written (default $BENCH_DIR/out;
#                    emptied before each command)
#   BENCH_STREAMS    the boxes kept (default video0,audio0,audio1,sub0)
set -euo pipefail
source "$(dirname "$0")/common.sh"

out_dir=${BENCH_OUT_DIR:-$bench_dir/out}
streams=${BENCH_STREAMS:-video0,audio0,audio1,sub0}
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)
rebuilt=$out_dir/$base.rebuilt.EVO

# Writes the last output back, then removes it, right before the next
# command: every command writes a new file, with no writeback running beside
# it, into the memory the last output just gave back. (On a virtual machine
# that hands free memory back to its host, memory left free for a second or
# two is slow to fill again: a command that got it took 2 to 4 times as
# long.)
fresh_output() {
  sync
  rm -f "$out_dir/$name" "$rebuilt"
}

# Warm the page cache, rebuild once and check the result: the log ends with
# "Done.", and Read EVO of the rebuilt file finds exactly the kept streams.
cat "$file" >/dev/null
fresh_output
"$cli" rebuild "$file" -o "$out_dir" --streams "$streams" >"$log_file" 2>&1 || { cat "$log_file"; exit 1; }
if [ "$(tail -n 1 "$log_file")" != "Done." ]; then
  echo "strandex-cli did not finish the rebuild:" >&2
  cat "$log_file" >&2
  exit 1
fi
found_before=$("$cli" read "$file" --full --no-details | grep -c ' found!$' || true)
found_after=$("$cli" read "$rebuilt" --full --no-details | grep ' found!$' | paste -sd ';' -)
out_bytes=$(stat -c %s "$rebuilt")

warn_if_busy

cp_times=()
rebuild_times=()
read_times=()
cp_peak=0
rebuild_peak=0
for ((k = 0; k < runs; k++)); do
  fresh_output
  timed cp "$file" "$out_dir/"
  cp_times+=("$secs")
  cp_peak=$((peak > cp_peak ? peak : cp_peak))
  fresh_output
  timed "$cli" rebuild "$file" -o "$out_dir" --streams "$streams"
  rebuild_times+=("$secs")
  rebuild_peak=$((peak > rebuild_peak ? peak : rebuild_peak))
  timed "$cli" read "$file"
  read_times+=("$secs")
done
fresh_output

cp_median=$(median "${cp_times[@]}")
rebuild_median=$(median "${rebuild_times[@]}")
read_median=$(median "${read_times[@]}")
cp_best=$(fastest "${cp_times[@]}")
rebuild_best=$(fastest "${rebuild_times[@]}")

awk -v file="$file" -v bytes="$bytes" -v out_bytes="$out_bytes" -v runs="$runs" -v cores="$(nproc)" \
    -v cm="$cp_median" -v bm="$rebuild_median" -v rm="$read_median" -v cpk="$cp_peak" -v bpk="$rebuild_peak" \
    -v cb="$cp_best" -v bb="$rebuild_best" \
    -v have_time="$have_time" -v cruns="${cp_times[*]}" -v bruns="${rebuild_times[*]}" -v rruns="${read_times[*]}" \
    -v streams="$streams" -v before="$found_before" -v after="$found_after" -v busy="$busy" '
function mib(kib) { return have_time ? sprintf("%.1f MiB", kib / 1024) : "n/a" }
BEGIN {
  printf "%s: %.0f MiB, %d runs each, alternating, warm cache, %d cores (%d%% busy before)\n", file, bytes / 1048576, runs, cores, busy
  printf "kept: %s; rebuilt file %.0f MiB (%.1f %% of the source)\n", streams, out_bytes / 1048576, 100 * out_bytes / bytes
  printf "%-52s %9s %10s %11s\n", "command", "median s", "MB/s", "peak RSS"
  printf "%-52s %9.3f %10.0f %11s\n", "cp FILE DIR/", cm, bytes / cm / 1e6, mib(cpk)
  printf "%-52s %9.3f %10.0f %11s\n", "strandex-cli rebuild FILE -o DIR --streams ...", bm, bytes / bm / 1e6, mib(bpk)
  printf "%-52s %9.3f %10s %11s\n", "strandex-cli read FILE (its Read EVO step)", rm, "", ""
  printf "ratio rebuild/cp: %.2f (target at most 1.3)\n", bm / cm
  printf "ratio (rebuild - read)/cp, the pack loop alone: %.2f\n", (bm - rm) / cm
  printf "fastest runs: cp %.3f s, rebuild %.3f s, ratio %.2f\n", cb, bb, bb / cb
  printf "runs (s): cp %s | rebuild %s | read %s\n", cruns, bruns, rruns
  printf "streams found: source %d, rebuilt: %s\n", before, after
}'
