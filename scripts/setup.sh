#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (only what is missing), then
# configures and builds. Safe to run again. Works as root (CI) or through sudo.
#   bash scripts/setup.sh run    what building and running the programs needs
#   bash scripts/setup.sh test   all of it: also the tests, their servers and browser,
#                                the benchmarks, the fuzzing and packaging checks
set -euo pipefail
cd "$(dirname "$0")/.."
MODE="${1:-test}"
case "$MODE" in
  run|test) ;;
  *) echo "Aufruf: bash scripts/setup.sh [run|test]" >&2; exit 2 ;;
esac

# Building and running: the compiler, the libraries the programs link, Qt for the
# desktop program, perl and lighttpd for the shop served on this machine.
PACKAGES=(
  build-essential cmake pkg-config git
  libsqlite3-dev libsqlitecpp-dev libcli11-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libssl-dev openssl libcsv-dev libcrypt-dev libssh-dev
  libsimpleini-dev perl lighttpd iso-codes
  qt6-base-dev qt6-webengine-dev qt6-translations-l10n fonts-dejavu-core
)
if [ "$MODE" = test ]; then
  PACKAGES+=(
    sqlite3 libgtest-dev googletest libbenchmark-dev
    libgif-dev imagemagick libvips-tools bc time
    vsftpd python3-pyftpdlib lftp openssh-server
    locales
    nodejs chromium
    libperl-critic-perl libperl-minimumversion-perl
    clang libclang-rt-14-dev
    xvfb xauth
    lintian desktop-file-utils appstream man-db
    wrk curl
  )
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

if [ "$MODE" = test ]; then
  # npm comes with some builds of nodejs, as a package of its own with Debian's.
  if ! command -v npm >/dev/null; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq npm
  fi
  # The node packages of the browser tests (playwright-core drives Debian's chromium,
  # axe-core checks each page).
  if [ ! -d tests/e2e/node_modules/playwright-core ] || [ ! -d tests/e2e/node_modules/axe-core ]; then
    (cd tests/e2e && npm ci --no-audit --no-fund --loglevel=error)
  fi

  # Generated files must not depend on the user's locale; the tests prove it under German.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
fi

BUILD_DIR="${BUILD_DIR:-build}"
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# A run-only setup builds the tests and benchmarks only where their libraries are
# installed already (a machine that ran the tests before).
WITH_TESTS=ON
if [ "$MODE" = run ]; then
  for p in libgtest-dev libbenchmark-dev libgif-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || WITH_TESTS=OFF
  done
fi
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${LAUNCHER[@]}" \
  -DVENDORA_BUILD_TESTS="$WITH_TESTS" -DVENDORA_BUILD_BENCH="$WITH_TESTS" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
