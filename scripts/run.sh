#!/usr/bin/env bash
# The README's run command: installs what is missing, builds, and shows the two sample draw
# tables through the command-line companion.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${SHAROMETR_BUILD_DIR:-"$root/build"}

"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$build_dir"

for table in lotobase kenobase; do
  echo "== samples/$table.dbf"
  "$build_dir/cli/sharometr-cli" info "$root/samples/$table.dbf"
done
