#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DTV_FUZZ=ON, in their own build folder) and runs each for
# a given time on a working copy of its seed corpus, keeping what it finds.
#
# Usage: scripts/fuzz.sh [-t SECONDS] [-j PARALLEL] [--no-build] [TARGET ...]
#   TARGET        FuzzScript, Script or script (default: every fuzz/Fuzz*.cpp)
#   -t SECONDS    time per target (default $FUZZ_SECONDS, else 60)
#   -j PARALLEL   targets run at once (default $FUZZ_PARALLEL, else 1)
#   --no-build    use the targets already built
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_WORK (default <build dir>/fuzz-work),
# FUZZ_FLAGS (more libFuzzer options, e.g. "-max_len=65536"), FUZZ_TIMEOUT (seconds one input may
# take before it counts as a finding, default 60), FUZZ_RSS_MB (default 4096).
#
# Per target, FUZZ_WORK/<Target>/ holds corpus/ (the seeds plus what the run added; kept between
# runs, so a second run goes on where the first stopped), findings/ (crash-*, leak-*, timeout-*,
# oom-* inputs, kept from earlier runs too) and log.txt. The summary prints executions, coverage (cov and ft of libFuzzer's
# last status line), the corpus size and the findings of this run. Exit code 1 when any target found
# something or failed to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${FUZZ_SECONDS:-60}
parallel=${FUZZ_PARALLEL:-1}
build=1
wanted=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) seconds=$2; shift 2 ;;
    -j) parallel=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) wanted+=("$1"); shift ;;
  esac
done
case "$seconds" in ''|*[!0-9]*) echo "fuzz.sh: the time must be whole seconds, not \"$seconds\"" >&2; exit 2 ;; esac
case "$parallel" in ''|*[!0-9]*|0) echo "fuzz.sh: -j needs a number from 1" >&2; exit 2 ;; esac

build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
work=${FUZZ_WORK:-$build_dir/fuzz-work}
timeout_s=${FUZZ_TIMEOUT:-60}
rss_mb=${FUZZ_RSS_MB:-4096}

all=()
for src in fuzz/Fuzz*.cpp; do all+=("$(basename "$src" .cpp)"); done

targets=()
if [ ${#wanted[@]} -eq 0 ]; then
  targets=("${all[@]}")
else
  for w in "${wanted[@]}"; do
    found=""
    for t in "${all[@]}"; do
      if [ "${t,,}" = "${w,,}" ] || [ "${t,,}" = "fuzz${w,,}" ]; then found=$t; fi
    done
    if [ -z "$found" ]; then
      echo "fuzz.sh: no fuzz target \"$w\" (have: ${all[*]})" >&2
      exit 2
    fi
    targets+=("$found")
  done
fi

# The seed corpus of FuzzScenarioSource is fuzz/corpus/scenario-source, of FuzzPackedTexture
# fuzz/corpus/packedtexture: the name without "Fuzz", lower case, with or without hyphens.
corpus_of() {
  local stem=${1#Fuzz}
  local plain=${stem,,}
  local hyphen
  hyphen=$(echo "$stem" | sed 's/\([a-z0-9]\)\([A-Z]\)/\1-\2/g' | tr 'A-Z' 'a-z')
  for c in "fuzz/corpus/$plain" "fuzz/corpus/$hyphen"; do
    if [ -d "$c" ]; then echo "$c"; return; fi
  done
}

if [ "$build" = 1 ]; then
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$build_dir" -G Ninja -DTV_FUZZ=ON -DTV_BENCH=OFF -DTV_DATA=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  build_args=()
  for t in "${targets[@]}"; do build_args+=(--target "$t"); done
  cmake --build "$build_dir" "${build_args[@]}"
fi

run_one() {
  local t=$1
  local dir="$work/$t"
  local exe="$build_dir/fuzz/$t"
  mkdir -p "$dir/corpus" "$dir/findings"
  local seeds
  seeds=$(corpus_of "$t")
  if [ -n "$seeds" ]; then cp -n "$seeds"/* "$dir/corpus/" 2>/dev/null || true; fi
  if [ ! -x "$exe" ]; then
    echo "missing executable $exe" >"$dir/log.txt"
    echo 127 >"$dir/status"
    return
  fi
  touch "$dir/started"
  local rc=0
  # shellcheck disable=SC2086
  "$exe" "$dir/corpus" -max_total_time="$seconds" -timeout="$timeout_s" -rss_limit_mb="$rss_mb" \
    -print_final_stats=1 -artifact_prefix="$dir/findings/" ${FUZZ_FLAGS:-} >"$dir/log.txt" 2>&1 || rc=$?
  echo "$rc" >"$dir/status"
}

echo "Fuzzing ${#targets[@]} target(s) for ${seconds} s each, ${parallel} at a time; work folder $work"
running=0
for t in "${targets[@]}"; do
  rm -f "$work/$t/status"
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

bad=0
printf '%-22s %12s %8s %8s %8s %9s  %s\n' target executions cov ft corpus findings result
for t in "${targets[@]}"; do
  dir="$work/$t"
  log="$dir/log.txt"
  status=$(cat "$dir/status" 2>/dev/null || echo "?")
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" 2>/dev/null | tail -1)
  # The last status line ("#1234 ... cov: 56 ft: 78 corp: 9/10b ...") before the run ended.
  cov=$(grep -o 'cov: [0-9]*' "$log" 2>/dev/null | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" 2>/dev/null | tail -1 | cut -d' ' -f2)
  corpus=$(find "$dir/corpus" -type f 2>/dev/null | wc -l)
  findings=$(find "$dir/findings" -type f -newer "$dir/started" 2>/dev/null | wc -l)
  result=ok
  if [ "$status" != 0 ] || [ "$findings" -gt 0 ]; then
    bad=1
    result="exit $status"
    if [ "$findings" -gt 0 ]; then result="$result, see $dir/findings and $log"; fi
  fi
  printf '%-22s %12s %8s %8s %8s %9s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$findings" "$result"
done
exit $bad
