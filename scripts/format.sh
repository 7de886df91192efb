#!/usr/bin/env bash
# Formats the C++ sources with the project's .clang-format, or with --check only says which ones
# differ from it (exit status 1). The generated About picture is left as it is written.
# Usage: scripts/format.sh [--check]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^resources/about_picture\.cpp$')
if [[ ${1:-} == --check ]]; then
  clang-format --dry-run --Werror "${sources[@]}"
else
  clang-format -i "${sources[@]}"
fi
