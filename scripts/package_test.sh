#!/usr/bin/env bash
# Builds the Debian package from the build folder (cpack -G DEB) and meets it as a user
# would: lintian finds no error or warning, the desktop entry, the AppStream metadata and
# the manual pages check out, apt installs it with its dependencies, both programs run
# from /usr/bin, and apt removes it again. Run as root (CI) after scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$BUILD_DIR" && cpack -G DEB -B "$out/deb" >/dev/null)
debs=("$out"/deb/vendora_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single vendora_*.deb"
deb=${debs[0]}
echo "built $(basename "$deb") ($(du -h "$deb" | cut -f1))"

lintian --allow-root --fail-on error,warning "$deb"
echo "lintian: no error, no warning"

dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out/root/usr/share/applications/vendora.desktop"
appstreamcli validate --no-net "$out/root/usr/share/metainfo/example.vendora.Vendora.metainfo.xml" >/dev/null
for page in vendora vendora-cli; do
  file="$out/root/usr/share/man/man1/$page.1.gz"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l -Tutf8 "$file" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done
echo "desktop entry, AppStream metadata and manual pages valid"

was_installed=no
if dpkg-query -W -f='${Status}' vendora 2>/dev/null | grep -q "install ok installed"; then was_installed=yes; fi
# The dependencies come from Debian's archive as for any user; the recommendations are
# left out, so that a stale package list cannot fail the check on an optional package.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
trap '[ "$was_installed" = yes ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq vendora >/dev/null 2>&1 || true; rm -rf "$out"' EXIT

export VENDORA_HOME="$out/home" XDG_CONFIG_HOME="$out/config"
unset VENDORA_DATA
[ "$(command -v vendora-cli)" = /usr/bin/vendora-cli ] || fail "vendora-cli is not /usr/bin/vendora-cli"
created=$(/usr/bin/vendora-cli demo --products 3)
[ "$created" = "Der Demo-Shop wurde angelegt: $VENDORA_HOME/Demoshop/Demoshop.mdb" ] || fail "demo said: $created"
[ "$(/usr/bin/vendora-cli shops)" = "* Demoshop	$VENDORA_HOME/Demoshop/Demoshop.mdb" ] || fail "the demo shop is not on the list"
/usr/bin/vendora-cli generate "$VENDORA_HOME/Demoshop/Demoshop.mdb" 2>/dev/null || fail "the demo shop did not generate"
[ -s "$VENDORA_HOME/GraphicSets/Senator/Settings" ] || fail "the installed graphic sets were not used"

# The version is the build's, and the desktop program tells it without a display.
expected=$("$BUILD_DIR/src/cli/vendora-cli" --version | head -1 | sed 's/(vendora-cli)$/(vendora)/')
version=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/vendora --version)
[ "$(echo "$version" | head -1)" = "$expected" ] || fail "vendora --version said: $version"
echo "$version" | grep -q '^Qt 6\.' || fail "vendora --version names no Qt: $version"
[ "$(man -w vendora-cli)" = /usr/share/man/man1/vendora-cli.1.gz ] || fail "man vendora-cli is not found"
echo "installed: $(echo "$version" | head -1); demo shop made, listed and generated"

if [ "$was_installed" = no ]; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq vendora >/dev/null
  [ ! -e /usr/bin/vendora ] && [ ! -e /usr/share/vendora ] || fail "files left after removal"
  echo "removed"
fi
echo "package ok"
