#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (only what is missing),
# makes the German locale available for the locale tests, then configures and builds.
# Safe to run again. Works as root (CI) or through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config git
  libsqlite3-dev libsqlitecpp-dev sqlite3
  libsimpleini-dev libcli11-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  libgif-dev imagemagick libvips-tools bc time
  libssl-dev openssl vsftpd python3-pyftpdlib lftp
  libcsv-dev
  locales
  nodejs chromium
  perl openssl lighttpd libperl-critic-perl libperl-minimumversion-perl
  clang libclang-rt-14-dev
  libcrypt-dev
  qt6-base-dev qt6-webengine-dev qt6-translations-l10n xvfb xauth fonts-dejavu-core
  lintian desktop-file-utils appstream man-db
  wrk curl
)

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

BUILD_DIR="${BUILD_DIR:-build}"
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
