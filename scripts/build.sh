#!/usr/bin/env bash
# Configures (Ninja, RelWithDebInfo unless the arguments say otherwise) and builds the project.
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-"$root/build"}
if (($# > 0)); then
  shift
fi

# A build type given among the extra arguments wins, since cmake takes the last -D of a name.
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
# SHAROMETR_BUILD_TARGETS names what to build (all when unset); one that this configuration
# leaves out (the window without Qt) is not asked for.
targets=()
for target in ${SHAROMETR_BUILD_TARGETS:-}; do
  if ninja -C "$build_dir" -t query "$target" >/dev/null 2>&1; then
    targets+=(--target "$target")
  fi
done
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
