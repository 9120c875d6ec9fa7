#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the programs, their data,
# the desktop entry, icons, AppStream metadata, manual pages and copyright land where a
# Debian user expects them (FHS, XDG), and that the installed program reads the
# installed data, not the source tree's.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/usr" >/dev/null

for f in bin/vendora bin/vendora-cli \
         share/applications/vendora.desktop \
         share/icons/hicolor/256x256/apps/vendora.png share/icons/hicolor/48x48/apps/vendora.png \
         share/vendora/GraphicSets/Senator/Settings share/vendora/GraphicSets/Wald/Settings \
         share/vendora/DemoShop/logo.png \
         share/man/man1/vendora.1.gz share/man/man1/vendora-cli.1.gz \
         share/metainfo/example.vendora.Vendora.metainfo.xml \
         share/doc/vendora/copyright share/doc/vendora/changelog.gz; do
  [ -e "$root/usr/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
desktop="$root/usr/share/applications/vendora.desktop"
grep -qx 'Exec=vendora' "$desktop" && grep -qx 'Icon=vendora' "$desktop" && grep -qx 'Type=Application' "$desktop" \
  || { echo "desktop entry incomplete" >&2; exit 1; }
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/example.vendora.Vendora.metainfo.xml" >/dev/null

# A set only the installed data has must reach the user's program folder.
cp -r "$root/usr/share/vendora/GraphicSets/Senator" "$root/usr/share/vendora/GraphicSets/Installiert"
export VENDORA_HOME="$root/home" XDG_CONFIG_HOME="$root/config"
unset VENDORA_DATA
"$root/usr/bin/vendora-cli" demo "$root/shop" --products 2 >/dev/null
"$root/usr/bin/vendora-cli" generate "$root/shop/Demoshop.mdb" >/dev/null 2>&1
[ -f "$VENDORA_HOME/GraphicSets/Installiert/Settings" ] \
  || { echo "the installed program did not use the installed graphic sets" >&2; exit 1; }
echo "installed layout ok"
