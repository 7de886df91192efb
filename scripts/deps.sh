#!/usr/bin/env bash
# Installs, from Debian's archive, the packages the build (python3 writes the manual), the tests
# (lintian checks the package), the screenshots (xvfb), the benchmarks and the fuzzer need. A
# second run finds everything in place and installs nothing.
set -euo pipefail

# One package per line; a new need is one more line here.
PACKAGES=(
  cmake
  ninja-build
  g++
  pkg-config
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  clang-14
  clang-format
  libclang-rt-14-dev
  qt6-base-dev
  qt6-translations-l10n
  libjpeg-dev
  libgumbo-dev liborcus-dev libfreexl-dev
  fonts-liberation
  xvfb
  xauth
  dpkg-dev
  file
  desktop-file-utils
  python3
  lintian
  appstream
)

missing=()
for package in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  if [[ "$status" != installed ]]; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "deps: installing ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
else
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${missing[@]}"
