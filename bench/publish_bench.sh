#!/usr/bin/env bash
# Publishes the demo shop with many products to vsftpd and to OpenSSH's sshd on
# loopback, side by side with lftp's "mirror -R" of the same folders to the same
# servers (ftp:// and sftp://): first the whole shop, then an update after one product
# picture was replaced. Prints, for each, the time of the session, the files and bytes
# sent, and the throughput ratios.
#
# Usage (as root, for vsftpd and sshd; after a Release build):
#   bash bench/publish_bench.sh [products=50000]
#   CLI=build-release/src/cli/vendora-cli is the default program.
set -euo pipefail
cd "$(dirname "$0")/.."
PRODUCTS="${1:-50000}"
CLI="${CLI:-build-release/src/cli/vendora-cli}"
WORK="$(mktemp -d /tmp/vendora-publish-bench.XXXXXX)"
VSFTPD_PID=""
SSHD_PID=""
cleanup() {
  if [ -n "$VSFTPD_PID" ]; then kill "$VSFTPD_PID" 2>/dev/null || true; fi
  if [ -n "$SSHD_PID" ]; then kill "$SSHD_PID" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"
SHOP="$WORK/shop"
FOLDERS=(imgs wraps cats lines prods thumbs data)
free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_port() { for _ in $(seq 50); do (echo >"/dev/tcp/127.0.0.1/$1") 2>/dev/null && break; sleep 0.1; done; }

# vsftpd, anonymous, writable below /pub, on a free port of 127.0.0.1.
PORT=$(free_port)
mkdir -p "$WORK/ftp/pub" "$WORK/empty"
chown ftp "$WORK/ftp/pub"
cat >"$WORK/vsftpd.conf" <<CONF
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
CONF
/usr/sbin/vsftpd "$WORK/vsftpd.conf" &
VSFTPD_PID=$!
wait_port "$PORT"

# sshd with a host key of its own; root logs on with a key made here (in a folder of
# its own, so that the user's ~/.ssh stays untouched). The SFTP server starts in
# $WORK/sftp and logs every file it writes.
SSH_PORT=$(free_port)
mkdir -p "$WORK/sftp" "$WORK/ssh" /run/sshd
ssh-keygen -q -t ed25519 -N '' -f "$WORK/host_key" </dev/null >/dev/null
ssh-keygen -q -t ed25519 -N '' -f "$WORK/ssh/id_ed25519" </dev/null >/dev/null
cp "$WORK/ssh/id_ed25519.pub" "$WORK/authorized_keys"
: >"$WORK/sftp.log"
cat >"$WORK/sshd_config" <<CONF
Port $SSH_PORT
ListenAddress 127.0.0.1
HostKey $WORK/host_key
PidFile none
AuthorizedKeysFile $WORK/authorized_keys
StrictModes no
UsePAM no
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
Subsystem sftp /usr/lib/openssh/sftp-server -e -l INFO -d $WORK/sftp 2>>$WORK/sftp.log
CONF
/usr/sbin/sshd -D -f "$WORK/sshd_config" &
SSHD_PID=$!
wait_port "$SSH_PORT"
HOST_KEY=$(ssh-keygen -l -E sha256 -f "$WORK/host_key.pub" | awk '{print $2}')
SSH_CMD="ssh -a -x -i $WORK/ssh/id_ed25519 -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no"

echo "creating and generating the demo shop with $PRODUCTS products..."
"$CLI" demo "$SHOP" --products "$PRODUCTS" >/dev/null
"$CLI" generate "$SHOP/Demoshop.mdb" >/dev/null 2>&1

use_ftp() {
  sqlite3 "$SHOP/Demoshop.mdb" "UPDATE FtpServer SET Protocol = 0, HostName = '127.0.0.1', HostPort = $PORT, \
    HostUser = 'anonymous', HostPass = '', RemoteDir = '/pub/vendora/', RemoteScript = '/pub/vendora-cgi/', \
    Passive = 1"
}
use_sftp() {
  sqlite3 "$SHOP/Demoshop.mdb" "UPDATE FtpServer SET Protocol = 2, HostName = '127.0.0.1', SftpPort = $SSH_PORT, \
    HostUser = 'root', HostPass = '', RemoteDir = 'vendora/', RemoteScript = 'vendora-cgi/'"
}
log_of() { if [ "$1" = ftp ]; then echo "$WORK/vsftpd.log"; else echo "$WORK/sftp.log"; fi; }
log_size() { stat -c %s "$(log_of "$1")" 2>/dev/null || echo 0; }

# Files and bytes the server ($1: ftp or sftp) stored since its log had $2 bytes:
# "files bytes".
uploads_since() {
  tail -c +"$(($2 + 1))" "$(log_of "$1")" | perl -ne '
    if (/OK UPLOAD: .*", (\d+) bytes,/) { $files++; $bytes += $1 }
    $files++ if /^open ".*" flags WRITE/;
    $bytes += $1 if /^close ".*" bytes read \d+ written (\d+)/;
    END { printf "%d %d\n", $files, $bytes }'
}

# One publish over $1 (ftp or sftp); prints "seconds-of-the-session files bytes".
publish() {
  local protocol="$1" mark seconds
  shift
  mark=$(log_size "$protocol")
  seconds=$("$CLI" publish "$SHOP/Demoshop.mdb" --yes --ssh-dir "$WORK/ssh" --trust "$HOST_KEY" "$@" 2>&1 >/dev/null |
    perl -MTime::HiRes=time -ne '
    $start = time() if /^Starte FTP-Sitzung/;
    $end = time() if /^Ende der FTP-Sitzung/;
    END { printf "%.3f\n", $end - $start }')
  echo "$seconds $(uploads_since "$protocol" "$mark")"
}

# lftp mirrors the same seven folders and the entry page over $1 (ftp or sftp) into
# $2; prints "seconds files bytes".
mirror() {
  local protocol="$1" target="$2" commands="set cmd:fail-exit yes;" url mark start end
  if [ "$protocol" = ftp ]; then
    commands+=" set ftp:passive-mode on;"
    url="ftp://anonymous:@127.0.0.1:$PORT"
  else
    commands+=" set sftp:connect-program '$SSH_CMD';"
    url="sftp://root:@127.0.0.1:$SSH_PORT"
  fi
  for f in "${FOLDERS[@]}"; do commands+=" mirror -R --no-perms $SHOP/$f $target/$f;"; done
  [ -f "$SHOP/index.html" ] && commands+=" put -O $target $SHOP/index.html;"
  mark=$(log_size "$protocol")
  start=$(date +%s.%N)
  lftp -e "$commands bye" "$url" >"$WORK/lftp.out" 2>&1
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc -l) $(uploads_since "$protocol" "$mark")"
}

# One product picture replaced by a different file (the demo shares pictures by hard
# links, so it gets an inode of its own; a JPEG comment-like tail changes its bytes).
# $1 picks the picture, so that each protocol's update has one of its own.
replace_picture() {
  local picture
  picture=$(find "$SHOP/prods" -type f -name '*.jpg' | sort | sed -n "${1}p")
  cp "$picture" "$WORK/picture.jpg" && printf 'neu' >>"$WORK/picture.jpg" && rm "$picture" &&
    mv "$WORK/picture.jpg" "$picture"
  sleep 1
}

echo "FTP: whole shop, then one picture changed..."
use_ftp
read -r v_s v_files v_bytes < <(publish ftp --all)
read -r l_s l_files l_bytes < <(mirror ftp /pub/lftp)
replace_picture 1
read -r vi_s vi_files vi_bytes < <(publish ftp)
read -r li_s li_files li_bytes < <(mirror ftp /pub/lftp)
echo "SFTP: whole shop, then one picture changed..."
use_sftp
read -r vs_s vs_files vs_bytes < <(publish sftp --all)
read -r ls_s ls_files ls_bytes < <(mirror sftp lftp)
replace_picture 2
read -r vsi_s vsi_files vsi_bytes < <(publish sftp)
read -r lsi_s lsi_files lsi_bytes < <(mirror sftp lftp)

rate() { echo "$2 / $1 / 1048576" | bc -l; }
row() { printf '%-36s %9.2f %8d %12d %9.1f\n' "$1" "$2" "$3" "$4" "$(rate "$2" "$4")"; }
printf '\n%-36s %9s %8s %12s %9s\n' "run" "seconds" "files" "bytes" "MB/s"
row "vendora FTP, whole shop" "$v_s" "$v_files" "$v_bytes"
row "lftp ftp:// mirror -R, whole shop" "$l_s" "$l_files" "$l_bytes"
row "vendora FTP, one picture new" "$vi_s" "$vi_files" "$vi_bytes"
row "lftp ftp:// mirror -R, one picture" "$li_s" "$li_files" "$li_bytes"
row "vendora SFTP, whole shop" "$vs_s" "$vs_files" "$vs_bytes"
row "lftp sftp:// mirror -R, whole shop" "$ls_s" "$ls_files" "$ls_bytes"
row "vendora SFTP, one picture new" "$vsi_s" "$vsi_files" "$vsi_bytes"
row "lftp sftp:// mirror -R, one picture" "$lsi_s" "$lsi_files" "$lsi_bytes"
ratio() { echo "($1 / $2) / ($3 / $4)" | bc -l; }
printf '\nFTP whole shop: vendora throughput / lftp throughput = %.2fx   (aim: at least 0.9x)\n' \
  "$(ratio "$v_bytes" "$v_s" "$l_bytes" "$l_s")"
printf 'FTP update: %d files in %.2f s   (aim: one picture, the scripts and the entry page, under 2 s)\n' \
  "$vi_files" "$vi_s"
printf 'SFTP whole shop: vendora throughput / lftp throughput = %.2fx   (aim: at least 0.9x)\n' \
  "$(ratio "$vs_bytes" "$vs_s" "$ls_bytes" "$ls_s")"
printf 'SFTP update: %d files in %.2f s   (aim: under 2 s)\n' "$vsi_files" "$vsi_s"
