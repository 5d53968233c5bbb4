#!/usr/bin/env bash
# Checks the code's habits: every C++ file formatted as .clang-format says, and the libraries'
# sources free of the findings .clang-tidy names. Needs a configured build tree for the compile
# commands (TV_BUILD_DIR, default build/, made by scripts/setup.sh).
# Usage: scripts/check-style.sh [--format-only | --tidy-only] [FILE.cpp ...]
# With files, clang-tidy looks at those only. `clang-format -i FILE` formats a file in place.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${TV_BUILD_DIR:-build}
format=1
tidy=1
case "${1:-}" in
  --format-only) tidy=0; shift ;;
  --tidy-only) format=0; shift ;;
esac

status=0
if [ $format -eq 1 ]; then
  # The files git tracks that are still there (a deletion not yet committed is no file to check).
  mapfile -t files < <(git ls-files '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
  if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/tv-format.$$; then
    grep -E '^[^ ].*: (error|warning):' /tmp/tv-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    echo "format: run clang-format -i on the files above" >&2
    status=1
  else
    echo "format: ${#files[@]} files as .clang-format says"
  fi
  rm -f /tmp/tv-format.$$
fi

if [ $tidy -eq 1 ]; then
  [ -f "$build_dir/compile_commands.json" ] || { echo "No $build_dir/compile_commands.json (run scripts/setup.sh)" >&2; exit 2; }
  if [ $# -gt 0 ]; then
    sources=("$@")
  else
    # The libraries: every layer's sources (the tools and the tests are left out; the Windows files
    # are not in this tree's compile commands).
    mapfile -t sources < <(git ls-files 'base/*.cpp' 'platform/*.cpp' 'engine/*.cpp' 'game/*.cpp' 'authoring/*.cpp' \
      'app/*.cpp' | grep -vE 'Win\.cpp$')
  fi
  # GCC-only warning options in the compile commands mean nothing to clang.
  if ! printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build_dir" --quiet \
    --extra-arg=-Wno-unknown-warning-option 2>/dev/null >/tmp/tv-tidy.$$; then
    grep -E ': (error|warning):' /tmp/tv-tidy.$$ | sort -u
    echo "tidy: findings above" >&2
    status=1
  else
    echo "tidy: ${#sources[@]} sources without findings"
  fi
  rm -f /tmp/tv-tidy.$$
fi
exit $status
