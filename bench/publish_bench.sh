#!/usr/bin/env bash
# Publishes the demo shop with many products to vsftpd on loopback, side by side with
# lftp's "mirror -R" of the same folders to the same server: first the whole shop,
# then an update after one product picture was replaced. Prints, for each, the time
# of the FTP session, the files and bytes sent, and the throughput ratio.
#
# Usage (as root, for vsftpd; after a Release build):
#   bash bench/publish_bench.sh [products=50000]
#   CLI=build-release/src/cli/vendora-cli is the default program.
set -euo pipefail
cd "$(dirname "$0")/.."
PRODUCTS="${1:-50000}"
CLI="${CLI:-build-release/src/cli/vendora-cli}"
WORK="$(mktemp -d /tmp/vendora-publish-bench.XXXXXX)"
VSFTPD_PID=""
cleanup() {
  if [ -n "$VSFTPD_PID" ]; then kill "$VSFTPD_PID" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"
SHOP="$WORK/shop"
FOLDERS=(imgs wraps cats lines prods thumbs data)

# vsftpd, anonymous, writable below /pub, on a free port of 127.0.0.1.
PORT=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$WORK/ftp/pub" "$WORK/empty"
chown ftp "$WORK/ftp/pub"
cat >"$WORK/vsftpd.conf" <<EOF
listen=YES
listen_address=127.0.0.1
listen_port=$PORT
background=NO
anonymous_enable=YES
local_enable=NO
write_enable=YES
anon_root=$WORK/ftp
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
no_anon_password=YES
ftp_username=ftp
secure_chroot_dir=$WORK/empty
seccomp_sandbox=NO
xferlog_enable=YES
xferlog_std_format=NO
vsftpd_log_file=$WORK/vsftpd.log
pasv_enable=YES
EOF
/usr/sbin/vsftpd "$WORK/vsftpd.conf" &
VSFTPD_PID=$!
for _ in $(seq 50); do (echo >"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break; sleep 0.1; done

echo "creating and generating the demo shop with $PRODUCTS products..."
"$CLI" demo "$SHOP" --products "$PRODUCTS" >/dev/null
"$CLI" generate "$SHOP/Demoshop.mdb" >/dev/null 2>&1
sqlite3 "$SHOP/Demoshop.mdb" "UPDATE FtpServer SET HostName = '127.0.0.1', HostPort = $PORT, \
  HostUser = 'anonymous', HostPass = '', RemoteDir = '/pub/vendora/', RemoteScript = '/pub/vendora-cgi/', \
  Passive = 1"

# Files and bytes the server stored since the log had `$1` bytes: "files bytes".
uploads_since() {
  tail -c +"$(($1 + 1))" "$WORK/vsftpd.log" | perl -ne '
    if (/OK UPLOAD: .*", (\d+) bytes,/) { $files++; $bytes += $1 }
    END { printf "%d %d\n", $files, $bytes }'
}
log_size() { stat -c %s "$WORK/vsftpd.log" 2>/dev/null || echo 0; }

# One publish; prints "seconds-of-the-FTP-session files bytes".
publish() {
  local mark seconds
  mark=$(log_size)
  seconds=$("$CLI" publish "$SHOP/Demoshop.mdb" --yes "$@" 2>&1 >/dev/null | perl -MTime::HiRes=time -ne '
    $start = time() if /^Starte FTP-Sitzung/;
    $end = time() if /^Ende der FTP-Sitzung/;
    END { printf "%.3f\n", $end - $start }')
  echo "$seconds $(uploads_since "$mark")"
}

# lftp mirrors the same seven folders and the entry page; prints "seconds files bytes".
mirror() {
  local target="$1" commands="set ftp:passive-mode on; set cmd:fail-exit yes;" mark start end
  for f in "${FOLDERS[@]}"; do commands+=" mirror -R --no-perms $SHOP/$f $target/$f;"; done
  [ -f "$SHOP/index.html" ] && commands+=" put -O $target $SHOP/index.html;"
  mark=$(log_size)
  start=$(date +%s.%N)
  lftp -u anonymous, -p "$PORT" 127.0.0.1 -e "$commands bye" >"$WORK/lftp.out" 2>&1
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc -l) $(uploads_since "$mark")"
}

echo "full publish..."
read -r v_s v_files v_bytes < <(publish --all)
echo "full lftp mirror..."
read -r l_s l_files l_bytes < <(mirror /pub/lftp)

# One product picture replaced by a different file (the demo shares pictures by hard
# links, so it gets an inode of its own; a JPEG comment-like tail changes its bytes).
picture=$(find "$SHOP/prods" -type f -name '*.jpg' -print -quit)
cp "$picture" "$WORK/picture.jpg" && printf 'neu' >>"$WORK/picture.jpg" && rm "$picture" && mv "$WORK/picture.jpg" "$picture"
sleep 1
echo "update after one picture changed..."
read -r vi_s vi_files vi_bytes < <(publish)
read -r li_s li_files li_bytes < <(mirror /pub/lftp)

rate() { echo "$2 / $1 / 1048576" | bc -l; }
printf '\n%-34s %9s %8s %12s %9s\n' "run" "seconds" "files" "bytes" "MB/s"
printf '%-34s %9.2f %8d %12d %9.1f\n' "vendora publish, whole shop" "$v_s" "$v_files" "$v_bytes" "$(rate "$v_s" "$v_bytes")"
printf '%-34s %9.2f %8d %12d %9.1f\n' "lftp mirror -R, whole shop" "$l_s" "$l_files" "$l_bytes" "$(rate "$l_s" "$l_bytes")"
printf '%-34s %9.2f %8d %12d\n' "vendora publish, one picture new" "$vi_s" "$vi_files" "$vi_bytes"
printf '%-34s %9.2f %8d %12d\n' "lftp mirror -R, one picture new" "$li_s" "$li_files" "$li_bytes"
printf '\nwhole shop: vendora throughput / lftp throughput = %.2fx   (aim: at least 0.9x)\n' \
  "$(echo "($v_bytes / $v_s) / ($l_bytes / $l_s)" | bc -l)"
printf 'update: %d files in %.2f s   (aim: one picture, the scripts and the entry page, under 2 s)\n' \
  "$vi_files" "$vi_s"
