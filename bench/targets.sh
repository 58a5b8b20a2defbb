#!/usr/bin/env bash
# Every speed target in one run, on each file, on a warm page cache (or a
# cold one): each round runs, one after the other,
#   cat FILE >/dev/null                               the read floor
#   cp FILE DIR/                                      the copy floor
#   strandex-cli read FILE --full                     Read EVO, count and details on
#   strandex-cli demux FILE -o DIR --times            Read EVO, then Demux of all streams
#   strandex-cli rebuild FILE -o DIR --streams … --times   Read EVO, then Rebuild
#   ffmpeg -i FILE -map … -c copy …                   the same streams as the demux
# and prints the medians, the fastest runs and the ratios the targets are
# set in, for the synthetic file and then for the feature-shaped one
# (strandex-make-evo --feature), and at the end the ratios of both side by
# side. (On a virtual machine that hands freed memory back to its host,
# a command that writes right after another's output was removed can take
# several times as long; the fastest runs show the commands' own cost.) The demux
# and the rebuild report their own steps' times (--times), so the Demux and
# Rebuild steps are timed without their Read EVO step.
#
#   bench/targets.sh [SIZE_MIB]
#
# Environment: see bench/common.sh (here BENCH_SHAPE defaults to both), and
#   BENCH_COLD       1 to time every command on a cold cache: before each
#                    one the source is written back (sync) and dropped from
#                    the page cache (dd iflag=nocache count=0); the script
#                    checks with fincore, where installed, that none of it
#                    stays cached
#   BENCH_OUT_DIR    where the outputs go (default $BENCH_DIR/targets-out;
#                    removed at the end)
#   BENCH_STREAMS    the boxes the rebuild keeps (default
#                    video0,audio0,audio1,sub0: one audio stream unticked)
#   BENCH_FFMPEG     0 to leave ffmpeg out even when it is installed
set -euo pipefail
bench_default_shape=both
source "$(dirname "$0")/common.sh"

out_dir=${BENCH_OUT_DIR:-$bench_dir/targets-out}
streams=${BENCH_STREAMS:-video0,audio0,audio1,sub0}
cold=${BENCH_COLD:-0}
summary_file=$(mktemp)
trap 'bench_cleanup; rm -rf "$out_dir" "$summary_file"' EXIT

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

# On a cold run, the source written back and dropped from the page cache
# before a timed command; dd with iflag=nocache and no block to copy asks
# the kernel to drop the whole file. Not timed.
cold_source() {
  [ "$cold" = 1 ] || return 0
  sync
  dd if="$file" iflag=nocache count=0 status=none
}

# Sets cache_text: how the rounds find the source, and on a cold run what
# fincore says is left of it in the page cache just after a drop.
check_cache() {
  cache_text="warm cache"
  [ "$cold" = 1 ] || return 0
  cat "$file" >/dev/null
  cold_source
  local left
  if command -v fincore >/dev/null && left=$(fincore --noheadings --raw --output PAGES "$file" 2>/dev/null); then
    cache_text="cold cache ($left pages of $((bytes / 4096)) cached after a drop)"
    [ "$left" -eq 0 ] || echo "warning: the drop left $left pages of $file in the page cache" >&2
  else
    cache_text="cold cache (not checked: no fincore)"
  fi
}

# Times every command on the file use_bench_file chose, and prints its block.
measure_file() {
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
  check_cache
  warn_if_busy

  cat_t=() cp_t=() read_t=() demux_t=() demux_step=() rebuild_t=() rebuild_step=() ffmpeg_t=()
  peak_max=0
  for ((k = 0; k < runs; k++)); do
    sync  # the last round's output written back before cat, as before the read below
    cold_source
    timed cat "$file"
    cat_t+=("$secs")
    fresh_out
    cold_source
    timed cp "$file" "$out_dir/"
    cp_t+=("$secs")
    sync  # cp's copy written back first: the read is timed as cat is, with no writeback beside it
    cold_source
    timed "$cli" read "$file" --full
    read_t+=("$secs") && keep_peak
    fresh_out
    cold_source
    timed "$cli" demux "$file" -o "$out_dir" --times
    demux_t+=("$secs") && demux_step+=("$(step_time Demux)") && keep_peak
    fresh_out
    cold_source
    timed "$cli" rebuild "$file" -o "$out_dir" --streams "$streams" --times
    rebuild_t+=("$secs") && rebuild_step+=("$(step_time Rebuild)") && keep_peak
    if [ "$use_ffmpeg" -eq 1 ]; then
      fresh_out
      cold_source
      timed "${ffmpeg_cmd[@]}"
      ffmpeg_t+=("$secs")
    fi
  done
  fresh_out
  print_block
}

keep_peak() { peak_max=$((peak > peak_max ? peak : peak_max)); }

# The block of one file; its ratios also go to $summary_file as one line:
# shape, then median and fastest of read/cat, Demux/cp, Rebuild/cp,
# ffmpeg/Demux (0 without ffmpeg) and the floor.
print_block() {
  awk -v file="$file" -v shape="$shape" -v bytes="$bytes" -v runs="$runs" -v cores="$(nproc)" -v busy="$busy" \
      -v cache="$cache_text" -v summary="$summary_file" \
      -v files="$demux_files" -v streams="$streams" -v ff="$use_ffmpeg" -v have_time="$have_time" -v peak="$peak_max" \
      -v m="$(median "${cat_t[@]}") $(median "${cp_t[@]}") $(median "${read_t[@]}") $(median "${demux_step[@]}") $(median "${demux_t[@]}") $(median "${rebuild_step[@]}") $(median "${rebuild_t[@]}") $([ "$use_ffmpeg" -eq 1 ] && median "${ffmpeg_t[@]}" || echo 0)" \
      -v f="$(fastest "${cat_t[@]}") $(fastest "${cp_t[@]}") $(fastest "${read_t[@]}") $(fastest "${demux_step[@]}") $(fastest "${demux_t[@]}") $(fastest "${rebuild_step[@]}") $(fastest "${rebuild_t[@]}") $([ "$use_ffmpeg" -eq 1 ] && fastest "${ffmpeg_t[@]}" || echo 0)" \
      -v runs_text="cat ${cat_t[*]} | cp ${cp_t[*]} | read ${read_t[*]} | demux ${demux_t[*]} (Demux ${demux_step[*]}) | rebuild ${rebuild_t[*]} (Rebuild ${rebuild_step[*]})${ffmpeg_t[*]:+ | ffmpeg ${ffmpeg_t[*]}}" '
# Columns: median time, its throughput and ratio; fastest time and its ratio.
function row(what, k, against, name, target) {
  printf "%-40s %7.3f %6.0f %6.2f   %7.3f %6.2f   %-4s %s\n", what, M[k], bytes / M[k] / 1e6, M[k] / M[against], F[k], F[k] / F[against], name, target
}
BEGIN {
  split(m, M); split(f, F)  # 1 cat, 2 cp, 3 read, 4 Demux, 5 demux, 6 Rebuild, 7 rebuild, 8 ffmpeg
  printf "%s (%s): %.0f MiB, %d runs each, alternating, %s, %d cores (%d%% busy before)\n", file, shape, bytes / 1048576, runs, cache, cores, busy
  printf "demux: %d files; rebuild keeps %s\n\n", files, streams
  printf "%-40s %7s %6s %6s   %7s %6s   %-4s %s\n", "command", "median", "MB/s", "ratio", "fastest", "ratio", "to", "target"
  printf "%-40s %7.3f %6.0f %6s   %7.3f\n", "cat FILE >/dev/null", M[1], bytes / M[1] / 1e6, "", F[1]
  printf "%-40s %7.3f %6.0f %6s   %7.3f\n", "cp FILE DIR/", M[2], bytes / M[2] / 1e6, "", F[2]
  row("read --full (Read EVO, whole file)", 3, 1, "cat", "at most 0.8")
  row("demux: the Demux step", 4, 2, "cp", "at most 1.2")
  row("demux: Read EVO and Demux", 5, 2, "cp", "")
  row("rebuild: the Rebuild step", 6, 2, "cp", "at most 1.15")
  row("rebuild: Read EVO and Rebuild", 7, 2, "cp", "")
  if (ff) {
    row("ffmpeg -c copy of the same streams", 8, 2, "cp", "")
    printf "ffmpeg / the Demux step: %.2f (fastest %.2f); ffmpeg / the whole demux command: %.2f (fastest %.2f); target at least 4\n", M[8] / M[4], F[8] / F[4], M[8] / M[5], F[8] / F[5]
  } else {
    printf "ffmpeg: not run\n"
  }
  printf "floor of a program that reads every byte in and writes it out, (cat + cp) / cp: %.2f (fastest %.2f)\n", (M[1] + M[2]) / M[2], (F[1] + F[2]) / F[2]
  if (have_time) printf "peak memory of strandex-cli over all runs: %.1f MiB (target under 16)\n", peak / 1024
  printf "runs (s): %s\n", runs_text
  printf "%s %.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f\n", shape, M[3] / M[1], F[3] / F[1], M[4] / M[2], F[4] / F[2], M[6] / M[2], F[6] / F[2], ff ? M[8] / M[4] : 0, ff ? F[8] / F[4] : 0, (M[1] + M[2]) / M[2], (F[1] + F[2]) / F[2] >> summary
}'
}

# The ratios of every file side by side, median / fastest.
print_summary() {
  awk '
{ shape[NR] = $1; for (k = 2; k <= NF; ++k) v[NR, k] = $k }
function line(what, k, target,   n) {
  printf "%-32s", what
  for (n = 1; n <= NR; ++n) printf "   %-15s", (v[n, k] == 0 && v[n, k + 1] == 0) ? "not run" : sprintf("%.2f / %.2f", v[n, k], v[n, k + 1])
  printf "   %s\n", target
}
END {
  printf "\n%-32s", "ratio, median / fastest"
  for (n = 1; n <= NR; ++n) printf "   %-15s", shape[n]
  printf "   target\n"
  line("read --full / cat", 2, "at most 0.8")
  line("the Demux step / cp", 4, "at most 1.2")
  line("the Rebuild step / cp", 6, "at most 1.15")
  line("ffmpeg / the Demux step", 8, "at least 4")
  line("floor (cat + cp) / cp", 10, "")
}' "$summary_file"
}

for each_shape in "${shapes[@]}"; do
  [ "$each_shape" = "${shapes[0]}" ] || echo
  use_bench_file "$each_shape"
  measure_file
done
[ "${#shapes[@]}" -eq 1 ] || print_summary
