# The pieces every benchmark script shares; sourced, not run.
#
# Before sourcing, the script may set bench_default_shape (default
# synthetic); after it, these are set:
#   size_mib runs bench_dir build_dir shapes shape file bytes name base cli
#   make_evo have_time peak_file log_file
# (shape, file and the rest of the file's for the first of shapes) and these
# functions exist: use_bench_file, timed, cpu_busy, warn_if_busy, median,
# fastest, ffmpeg_demux_command.
#
# Environment (all optional):
#   BENCH_DIR        where the EVO is kept (default /tmp/strandex-bench)
#   BENCH_SHAPE      the generated file: synthetic (strandex-make-evo's first
#                    shape), feature (its --feature shape) or both (the
#                    scripts that time one file take the first)
#   BENCH_FILE       the EVO to time instead (default
#                    $BENCH_DIR/SHAPE-SIZE.evo, made with strandex-make-evo
#                    when missing)
#   BENCH_SIZE_MIB   its size when made (default 1024; the first argument wins)
#   BENCH_RUNS       repetitions of each command (default 5)
#   BENCH_BUILD_DIR  Release build folder (default build-bench)

cd "$(dirname "${BASH_SOURCE[0]}")/.."

size_mib=${1:-${BENCH_SIZE_MIB:-1024}}
runs=${BENCH_RUNS:-5}
bench_dir=${BENCH_DIR:-/tmp/strandex-bench}
build_dir=${BENCH_BUILD_DIR:-build-bench}
case ${BENCH_SHAPE:-${bench_default_shape:-synthetic}} in
  synthetic) shapes=(synthetic) ;;
  feature) shapes=(feature) ;;
  both) shapes=(synthetic feature) ;;
  *) echo "BENCH_SHAPE must be synthetic, feature or both" >&2; exit 2 ;;
esac
[ -n "${BENCH_FILE:-}" ] && shapes=(file)

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

# use_bench_file SHAPE: sets shape, file, bytes, name and base for SHAPE
# (synthetic, feature, or file for BENCH_FILE), making the file first when
# it is missing or of another size.
use_bench_file() {
  shape=$1
  local want_bytes=$((size_mib * 1048576)) flags=()
  [ "$shape" = feature ] && flags=(--feature)
  file=${BENCH_FILE:-$bench_dir/$shape-$size_mib.evo}
  if [ ! -f "$file" ] || { [ -z "${BENCH_FILE:-}" ] && [ "$(stat -c %s "$file")" -ne "$want_bytes" ]; }; then
    mkdir -p "$(dirname "$file")"
    echo "Making $file ($size_mib MiB, $shape)..."
    "$make_evo" "$file" "$size_mib" "${flags[@]}"
  fi
  bytes=$(stat -c %s "$file")
  name=$(basename "$file")
  base=${name%????}  # the output files start with the name less its extension
}
use_bench_file "${shapes[0]}"

peak_file=$(mktemp)
log_file=$(mktemp)
# The script's own EXIT trap should remove these too.
bench_cleanup() { rm -f "$peak_file" "$log_file"; }
trap bench_cleanup EXIT

# Runs one command with its stdout to /dev/null and its stderr to
# $log_file; sets secs and peak (KiB).
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

# Sets busy; warns when other work would skew the figures.
warn_if_busy() {
  busy=$(cpu_busy)
  if ((busy > 10)); then
    echo "warning: ${busy}% of the CPUs were busy with other work just before the runs;" \
         "the figures will be off (run again on an idle machine)" >&2
  fi
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fastest() { printf '%s\n' "$@" | sort -n | head -n 1; }

# ffmpeg_demux_command OUT_DIR: sets ffmpeg_cmd to ffmpeg copying, with
# `-c copy`, each stream that Strandex writes too to a file of its own in
# OUT_DIR, with the raw muxer of its codec, so both write the same
# elementary streams; use_ffmpeg is 1 when there is such a command. The
# navigation data (0xBF) is not a stream for Strandex and is left out.
# BENCH_FFMPEG=0 leaves ffmpeg out.
ffmpeg_demux_command() {
  local out=$1 index codec format
  use_ffmpeg=0
  ffmpeg_cmd=()
  ffmpeg_streams=()
  ffmpeg_skipped=()
  [ "${BENCH_FFMPEG:-1}" != 0 ] && command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || return 0
  local args=()
  while IFS=, read -r index codec; do
    case $codec in
      vc1 | mpeg2video | h264 | ac3 | eac3 | dts | truehd | mlp) format=$codec ;;
      dvd_subtitle) format=data ;;  # no raw muxer for it; the packets as they are
      dvd_nav_packet) continue ;;
      *) ffmpeg_skipped+=("$index:$codec"); continue ;;
    esac
    args+=(-map "0:$index" -c copy -f "$format" "$out/$index.$codec")
    ffmpeg_streams+=("$index:$codec")
  done < <(ffprobe -v error -show_entries stream=index,codec_name -of csv=p=0 "$file" 2>/dev/null)
  [ "${#ffmpeg_streams[@]}" -gt 0 ] || return 0
  use_ffmpeg=1
  ffmpeg_cmd=(ffmpeg -nostdin -hide_banner -loglevel fatal -y -i "$file" "${args[@]}")
}
