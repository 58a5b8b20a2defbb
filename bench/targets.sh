#!/usr/bin/env bash
# Every speed target in one run, on one file, on a warm page cache: each
# round runs, one after the other,
#   cat FILE >/dev/null                               the read floor
#   cp FILE DIR/                                      the copy floor
#   strandex-cli read FILE --full                     Read EVO, count and details on
#   strandex-cli demux FILE -o DIR --times            Read EVO, then Demux of all streams
#   strandex-cli rebuild FILE -o DIR --streams … --times   Read EVO, then Rebuild
#   ffmpeg -i FILE -map … -c copy …                   the same streams as the demux
# and prints the medians and the ratios the targets are set in. The demux
# and the rebuild report their own steps' times (--times), so the Demux and
# Rebuild steps are timed without their Read EVO step.
#
#   bench/targets.sh [SIZE_MIB]
#
# Environment: see bench/common.sh, and
#   BENCH_OUT_DIR    where the outputs go (default $BENCH_DIR/targets-out;
#                    removed at the end)
#   BENCH_STREAMS    the boxes the rebuild keeps (default
#                    video0,audio0,audio1,sub0: one audio stream unticked)
#   BENCH_FFMPEG     0 to leave ffmpeg out even when it is installed
set -euo pipefail
source "$(dirname "$0")/common.sh"

out_dir=${BENCH_OUT_DIR:-$bench_dir/targets-out}
streams=${BENCH_STREAMS:-video0,audio0,audio1,sub0}
trap 'bench_cleanup; rm -rf "$out_dir"' EXIT

# An empty output folder, the last command's output written back and
# dropped before the next command starts, so none pays for another's
# writeback. Not timed.
fresh_out() {
  sync
  rm -rf "$out_dir"
  mkdir -p "$out_dir"
}

# The time a step reported with --times ("Demux: 0.512 s").
step_time() { sed -n "s/^$1: \([0-9.]*\) s\$/\1/p" "$log_file"; }

# Warm the page cache and check once that each command does its whole job.
cat "$file" >/dev/null
fresh_out
"$cli" demux "$file" -o "$out_dir" >"$log_file.out" 2>&1 || { cat "$log_file.out" >&2; exit 1; }
grep -q '^Done\.$' "$log_file.out" || { echo "the demux did not finish:" >&2; cat "$log_file.out" >&2; exit 1; }
demux_files=$(grep -c '^Creating ' "$log_file.out" || true)
fresh_out
"$cli" rebuild "$file" -o "$out_dir" --streams "$streams" >"$log_file.out" 2>&1 || { cat "$log_file.out" >&2; exit 1; }
[ "$(tail -n 1 "$log_file.out")" = "Done." ] || { echo "the rebuild did not finish:" >&2; cat "$log_file.out" >&2; exit 1; }
rm -f "$log_file.out"
ffmpeg_demux_command "$out_dir"

fresh_out
warn_if_busy

cat_t=() cp_t=() read_t=() demux_t=() demux_step=() rebuild_t=() rebuild_step=() ffmpeg_t=()
peak_max=0
keep_peak() { peak_max=$((peak > peak_max ? peak : peak_max)); }
for ((k = 0; k < runs; k++)); do
  timed cat "$file"
  cat_t+=("$secs")
  fresh_out
  timed cp "$file" "$out_dir/"
  cp_t+=("$secs")
  timed "$cli" read "$file" --full
  read_t+=("$secs") && keep_peak
  fresh_out
  timed "$cli" demux "$file" -o "$out_dir" --times
  demux_t+=("$secs") && demux_step+=("$(step_time Demux)") && keep_peak
  fresh_out
  timed "$cli" rebuild "$file" -o "$out_dir" --streams "$streams" --times
  rebuild_t+=("$secs") && rebuild_step+=("$(step_time Rebuild)") && keep_peak
  if [ "$use_ffmpeg" -eq 1 ]; then
    fresh_out
    timed "${ffmpeg_cmd[@]}"
    ffmpeg_t+=("$secs")
  fi
done
fresh_out

cat_m=$(median "${cat_t[@]}")
cp_m=$(median "${cp_t[@]}")
ffmpeg_m=0
[ "$use_ffmpeg" -eq 1 ] && ffmpeg_m=$(median "${ffmpeg_t[@]}")

awk -v file="$file" -v bytes="$bytes" -v runs="$runs" -v cores="$(nproc)" -v busy="$busy" \
    -v files="$demux_files" -v streams="$streams" -v ff="$use_ffmpeg" \
    -v cat_m="$cat_m" -v cp_m="$cp_m" -v ffmpeg_m="$ffmpeg_m" \
    -v read_m="$(median "${read_t[@]}")" -v demux_m="$(median "${demux_t[@]}")" \
    -v dstep_m="$(median "${demux_step[@]}")" -v rebuild_m="$(median "${rebuild_t[@]}")" \
    -v rstep_m="$(median "${rebuild_step[@]}")" -v peak="$peak_max" -v have_time="$have_time" \
    -v runs_text="cat ${cat_t[*]} | cp ${cp_t[*]} | read ${read_t[*]} | demux ${demux_t[*]} (Demux ${demux_step[*]}) | rebuild ${rebuild_t[*]} (Rebuild ${rebuild_step[*]})${ffmpeg_t[*]:+ | ffmpeg ${ffmpeg_t[*]}}" '
function row(what, t, against, name, target) {
  printf "%-46s %8.3f %8.0f   %5.2f x %-7s %s\n", what, t, bytes / t / 1e6, t / against, name, target
}
BEGIN {
  printf "%s: %.0f MiB, %d runs each, alternating, warm cache, %d cores (%d%% busy before)\n", file, bytes / 1048576, runs, cores, busy
  printf "demux: %d files; rebuild keeps %s\n\n", files, streams
  printf "%-46s %8s %8s   %s\n", "command (median)", "s", "MB/s", "ratio      target"
  printf "%-46s %8.3f %8.0f\n", "cat FILE >/dev/null", cat_m, bytes / cat_m / 1e6
  printf "%-46s %8.3f %8.0f\n", "cp FILE DIR/", cp_m, bytes / cp_m / 1e6
  row("read FILE --full (Read EVO, whole file)", read_m, cat_m, "cat", "at most 1.2")
  row("demux FILE: the Demux step", dstep_m, cp_m, "cp", "at most 1.3")
  row("demux FILE: Read EVO and Demux", demux_m, cp_m, "cp", "")
  row("rebuild FILE: the Rebuild step", rstep_m, cp_m, "cp", "at most 1.3")
  row("rebuild FILE: Read EVO and Rebuild", rebuild_m, cp_m, "cp", "")
  if (ff) {
    row("ffmpeg -c copy of the demuxed streams", ffmpeg_m, cp_m, "cp", "")
    printf "ffmpeg / the Demux step: %.2f, ffmpeg / the whole demux command: %.2f (target at least 2)\n", ffmpeg_m / dstep_m, ffmpeg_m / demux_m
  } else {
    printf "ffmpeg: not run\n"
  }
  printf "floor of a program that reads every byte in and writes it out, (cat + cp) / cp: %.2f\n", (cat_m + cp_m) / cp_m
  if (have_time) printf "peak memory of strandex-cli over all runs: %.1f MiB (target under 16)\n", peak / 1024
  printf "runs (s): %s\n", runs_text
}'
