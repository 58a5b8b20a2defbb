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
# Environment:
#   BENCH_DIR        where the EVO and the output folder are kept (default
#                    /tmp/strandex-bench); outputs go to $BENCH_DIR/demux-out
#   BENCH_FILE       the EVO to time (default $BENCH_DIR/synthetic-SIZE.evo;
#                    made with strandex-make-evo when missing)
#   BENCH_RUNS       repetitions of each command (default 5)
#   BENCH_BUILD_DIR  Release build folder (default build-bench)
#   BENCH_FFMPEG     0 to leave ffmpeg out even when it is installed
set -euo pipefail
cd "$(dirname "$0")/.."

size_mib=${1:-${BENCH_SIZE_MIB:-1024}}
runs=${BENCH_RUNS:-5}
bench_dir=${BENCH_DIR:-/tmp/strandex-bench}
build_dir=${BENCH_BUILD_DIR:-build-bench}
file=${BENCH_FILE:-$bench_dir/synthetic-$size_mib.evo}
out_dir=$bench_dir/demux-out

# A Release build of the console program and the generator (a no-op when up
# to date).
if [ ! -f "$build_dir/build.ninja" ]; then
  tools/install-deps
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTRANDEX_TESTS=OFF >/dev/null
fi
cmake --build "$build_dir" --target strandex-cli strandex-make-evo >/dev/null
cli=$build_dir/src/strandex-cli
make_evo=$build_dir/bench/strandex-make-evo

# GNU time gives the peak resident set size of a child (%M, KiB).
if [ ! -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  { $sudo apt-get update -qq && $sudo apt-get install -y -qq time; } >/dev/null 2>&1 || true
fi
have_time=0
[ -x /usr/bin/time ] && have_time=1

want_bytes=$((size_mib * 1048576))
if [ ! -f "$file" ] || { [ -z "${BENCH_FILE:-}" ] && [ "$(stat -c %s "$file")" -ne "$want_bytes" ]; }; then
  mkdir -p "$(dirname "$file")"
  echo "Making $file ($size_mib MiB)..."
  "$make_evo" "$file" "$size_mib"
fi
bytes=$(stat -c %s "$file")
name=$(basename "$file")
base=${name%????}  # the output files start with the name less its extension

peak_file=$(mktemp)
log_file=$(mktemp)
ref_dir=$(mktemp -d)
trap 'rm -rf "$peak_file" "$log_file" "$ref_dir" "$out_dir"' EXIT

# An empty output folder, its old content written back and dropped, so no
# run pays for the writes of the one before. Not timed.
fresh_out() {
  rm -rf "$out_dir"
  mkdir -p "$out_dir"
  sync
}

# Runs one command with its output to /dev/null; sets secs and peak (KiB).
timed() {
  local start end
  start=${EPOCHREALTIME:-$(date +%s.%N)}
  if [ "$have_time" -eq 1 ]; then
    /usr/bin/time -f %M -o "$peak_file" "$@" >/dev/null 2>"$log_file"
  else
    "$@" >/dev/null 2>"$log_file"
  fi || { echo "failed: $*" >&2; cat "$log_file" >&2; exit 1; }
  end=${EPOCHREALTIME:-$(date +%s.%N)}
  secs=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
  peak=0
  [ "$have_time" -eq 1 ] && peak=$(tail -n 1 "$peak_file")
  return 0
}

# Share of the CPUs busy over one second (all cores, in %), read from
# /proc/stat: other work on the machine skews the figures.
cpu_busy() {
  local u n s i w q sq st t1 i1
  read -r _ u n s i w q sq st _ </proc/stat
  t1=$((u + n + s + i + w + q + sq + st)) i1=$((i + w))
  sleep 1
  read -r _ u n s i w q sq st _ </proc/stat
  echo $((100 - 100 * (i + w - i1) / (u + n + s + i + w + q + sq + st - t1)))
}

# ffmpeg: one output per stream that Strandex writes too, each with the raw
# muxer of its codec, so both write the same elementary streams. The
# navigation data (0xBF) is not a stream for Strandex and is left out.
use_ffmpeg=0
ffmpeg_args=()
ffmpeg_streams=()
ffmpeg_skipped=()
if [ "${BENCH_FFMPEG:-1}" != 0 ] && command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null; then
  while IFS=, read -r index codec; do
    case $codec in
      vc1) format=vc1 ;;
      mpeg2video) format=mpeg2video ;;
      h264) format=h264 ;;
      ac3) format=ac3 ;;
      eac3) format=eac3 ;;
      dts) format=dts ;;
      truehd | mlp) format=$codec ;;
      dvd_subtitle) format=data ;;  # no raw muxer for it; the packets as they are
      dvd_nav_packet) continue ;;
      *) ffmpeg_skipped+=("$index:$codec"); continue ;;
    esac
    ffmpeg_args+=(-map "0:$index" -c copy -f "$format" "$out_dir/$index.$codec")
    ffmpeg_streams+=("$index:$codec")
  done < <(ffprobe -v error -show_entries stream=index,codec_name -of csv=p=0 "$file" 2>/dev/null)
  [ "${#ffmpeg_streams[@]}" -gt 0 ] && use_ffmpeg=1
fi
ffmpeg_cmd=(ffmpeg -nostdin -hide_banner -loglevel fatal -y -i "$file" "${ffmpeg_args[@]}")

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
busy=$(cpu_busy)
if ((busy > 10)); then
  echo "warning: ${busy}% of the CPUs were busy with other work just before the runs;" \
       "the figures will be off (run again on an idle machine)" >&2
fi

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

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
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
