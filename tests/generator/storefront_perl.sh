#!/usr/bin/env bash
# Checks of the web shop's Perl files: "prove" runs the tests under t/,
# "perlver" refuses syntax newer than Perl 5.10, "perlcritic" runs the gentle
# policies. A missing tool is a failure, never a skip.
set -euo pipefail
mode="$1"
dir="$2"
cd "$dir"
shop_files=(catalog.pl order.pl webcode.pm product.pm sales.pm Payvane.pm)

need() {
  if ! command -v "$1" >/dev/null; then
    echo "FEHLER: '$1' fehlt (Debian-Paket $2); bitte scripts/setup.sh ausführen." >&2
    exit 1
  fi
}

case "$mode" in
  prove)
    need prove perl
    need lighttpd lighttpd
    need openssl openssl
    exec prove -r -I t/lib t/
    ;;
  perlver)
    need perlver libperl-minimumversion-perl
    status=0
    for f in "${shop_files[@]}"; do
      out="$(perlver "$f")"
      version="$(sed -n 's/.*Minimum syntax version *: *v\([0-9.]*\).*/\1/p' <<<"$out")"
      if [ -z "$version" ]; then
        echo "$f: perlver gave no version" >&2
        echo "$out" >&2
        status=1
        continue
      fi
      minor="$(cut -d. -f2 <<<"$version")"
      if [ "$(cut -d. -f1 <<<"$version")" -gt 5 ] || [ "$minor" -gt 10 ]; then
        echo "$f needs Perl $version; the shop must run on 5.10" >&2
        perlver --blame "$f" >&2
        status=1
      else
        echo "$f: Perl $version"
      fi
    done
    exit $status
    ;;
  perlcritic)
    need perlcritic libperl-critic-perl
    exec perlcritic --gentle --verbose 8 "${shop_files[@]}" t/lib t/*.t
    ;;
  *)
    echo "usage: $0 prove|perlver|perlcritic DIR" >&2
    exit 2
    ;;
esac
