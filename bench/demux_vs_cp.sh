#!/usr/bin/env bash
# Times `strandex-cli demux FILE -o DIR --full` (every stream found, each to
# its own file) against `cp FILE DIR/` on the same synthetic EVO, in one run,
# on a warm page cache; and, where ffmpeg is installed, against ffmpeg
# copying the same streams to separate files with `-c copy`. The console
# demux first scans the file (Read EVO) and then writes it (Demux), so
# `strandex-cli read FILE --full` is timed too: the difference is the Demux
# part.
#
#   bench/demux_vs_cp.sh [SIZE_MIB]
#
# Environment: see bench/common.sh, and
#   BENCH_FFMPEG     0 to leave ffmpeg out even when it is installed
#   (outputs go to $BENCH_DIR/demux-out)
set -euo pipefail
source "$(dirname "$0")/common.sh"

out_dir=$bench_dir/demux-out
ref_dir=$(mktemp -d)
trap 'bench_cleanup; rm -rf "$ref_dir" "$out_dir"' EXIT

# An empty output folder, its old content written back and dropped, so no
# run pays for the writes of the one before. Not timed.
fresh_out() {
  rm -rf "$out_dir"
  mkdir -p "$out_dir"
  sync
}

ffmpeg_demux_command "$out_dir"

# Warm the page cache, and check once that the demux reads the whole file
# and writes a file per stream; where ffmpeg runs, that the video and audio
# files it writes are byte for byte those of Strandex.
cat "$file" >/dev/null
fresh_out
"$cli" demux "$file" -o "$out_dir" --full >"$log_file" 2>&1 || { cat "$log_file" >&2; exit 1; }
if ! grep -q '^Done\.$' "$log_file"; then
  echo "strandex-cli did not finish the demux:" >&2
  cat "$log_file" >&2
  exit 1
fi
frames_line=$(grep ' count in video stream 0\.$' "$log_file" | tail -n 1 || echo "no frames counted")
demux_files=$(grep -c '^Creating ' "$log_file" || true)
demux_bytes=$(du -cb "$out_dir" | tail -n 1 | cut -f 1)
same="not compared"
if [ "$use_ffmpeg" -eq 1 ]; then
  mv "$out_dir"/* "$ref_dir"/
  "${ffmpeg_cmd[@]}" >/dev/null 2>&1 || { echo "ffmpeg failed: ${ffmpeg_cmd[*]}" >&2; exit 1; }
  same=""
  for f in "$out_dir"/*; do
    codec=${f##*.}
    [ "$codec" = dvd_subtitle ] && continue  # Strandex adds its "SP" headers
    match=none
    for g in "$ref_dir"/*; do
      cmp -s "$f" "$g" && match=$(basename "$g") && break
    done
    same+="${same:+, }$codec: $([ "$match" = none ] && echo "DIFFERS" || echo "same bytes")"
  done
  rm -rf "$ref_dir"/*
fi

fresh_out
warn_if_busy

cp_times=()
read_times=()
demux_times=()
ffmpeg_times=()
demux_peak=0
for ((k = 0; k < runs; k++)); do
  fresh_out
  timed cp "$file" "$out_dir/"
  cp_times+=("$secs")
  fresh_out
  timed "$cli" read "$file" --full
  read_times+=("$secs")
  fresh_out
  timed "$cli" demux "$file" -o "$out_dir" --full
  demux_times+=("$secs")
  demux_peak=$((peak > demux_peak ? peak : demux_peak))
  if [ "$use_ffmpeg" -eq 1 ]; then
    fresh_out
    timed "${ffmpeg_cmd[@]}"
    ffmpeg_times+=("$secs")
  fi
done
fresh_out

cp_median=$(median "${cp_times[@]}")
read_median=$(median "${read_times[@]}")
demux_median=$(median "${demux_times[@]}")
ffmpeg_median=0
[ "$use_ffmpeg" -eq 1 ] && ffmpeg_median=$(median "${ffmpeg_times[@]}")

awk -v file="$file" -v bytes="$bytes" -v runs="$runs" -v cores="$(nproc)" -v busy="$busy" \
    -v cm="$cp_median" -v rm="$read_median" -v dm="$demux_median" -v fm="$ffmpeg_median" \
    -v ff="$use_ffmpeg" -v files="$demux_files" -v written="$demux_bytes" -v frames="$frames_line" \
    -v dp="$demux_peak" -v have_time="$have_time" -v same="$same" \
    -v streams="${ffmpeg_streams[*]:-}" -v skipped="${ffmpeg_skipped[*]:-}" \
    -v cruns="${cp_times[*]}" -v rruns="${read_times[*]}" -v druns="${demux_times[*]}" \
    -v fruns="${ffmpeg_times[*]:-}" '
BEGIN {
  printf "%s: %.0f MiB, %d runs each, alternating, warm cache, %d cores (%d%% busy before)\n", file, bytes / 1048576, runs, cores, busy
  printf "demux writes %d files, %.0f MiB; %s\n", files, written / 1048576, frames
  printf "%-44s %9s %10s\n", "command", "median s", "MB/s"
  printf "%-44s %9.3f %10.0f\n", "cp FILE DIR/", cm, bytes / cm / 1e6
  printf "%-44s %9.3f %10.0f\n", "strandex-cli read FILE --full", rm, bytes / rm / 1e6
  printf "%-44s %9.3f %10.0f\n", "strandex-cli demux FILE -o DIR --full", dm, bytes / dm / 1e6
  printf "%-44s %9.3f\n", "  of which Demux (demux - read)", dm - rm
  if (ff) printf "%-44s %9.3f %10.0f\n", "ffmpeg -i FILE -map ... -c copy", fm, bytes / fm / 1e6
  printf "ratio demux/cp: %.2f (target at most 1.5); Demux part alone/cp: %.2f\n", dm / cm, (dm - rm) / cm
  if (ff) {
    printf "ratio ffmpeg/cp: %.2f; demux/ffmpeg: %.2f (target below 1)\n", fm / cm, dm / fm
    printf "ffmpeg streams: %s%s\n", streams, skipped != "" ? " (not mapped: " skipped ")" : ""
    printf "ffmpeg against Strandex: %s\n", same
  } else {
    printf "ffmpeg: not run\n"
  }
  if (have_time) printf "peak memory of the demux: %.1f MiB\n", dp / 1024
  printf "runs (s): cp %s | read %s | demux %s", cruns, rruns, druns
  if (ff) printf " | ffmpeg %s", fruns
  printf "\n"
}'
