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
cmake --build "$build_dir" --parallel "$(nproc)"
