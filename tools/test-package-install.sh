#!/usr/bin/env bash
# Builds the Debian package, installs it with apt into a clean Debian 12 system (a debootstrap
# chroot), uses it there as a normal user, and purges it. Run as root; it downloads a minimal
# Debian system and the package's dependencies (about 150 MB), so it is not part of the tests.
# Usage: tools/test-package-install.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

bash tools/build.sh "$build"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B package >/dev/null)
deb=$(ls "$build"/package/kelvane_*.deb)

root=$(mktemp -d /var/tmp/kelvane-chroot.XXXXXX)
chmod 755 "$root"
cleanup() {
  for mount in dev/pts dev proc; do
    if mountpoint -q "$root/$mount"; then umount -l "$root/$mount"; fi
  done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }
inside() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
as_user() {
  chroot --userspec=weigher:weigher "$root" /usr/bin/env -i HOME=/home/weigher USER=weigher \
    PATH=/usr/bin:/bin LANG=C.UTF-8 /bin/bash -euo pipefail -c "$1"
}

step "a clean Debian 12 system in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp "$deb" "$root/tmp/"

step "apt installs $(basename "$deb")"
inside apt-get update -qq
inside env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  man-db systemd "/tmp/$(basename "$deb")" >/dev/null
inside dpkg -s kelvane | grep -E '^(Status|Version):'
inside useradd --create-home --shell /bin/bash weigher

step "kelvane --version, as a normal user"
as_user 'kelvane --version && kelvane-devsim --version'

step "man -w kelvane"
as_user 'man -w kelvane && man -w kelvane-devsim'

step "the user service unit"
cp "$root/usr/lib/systemd/user/kelvane-headless@.service" "$root/tmp/kelvane-headless@line1.service"
inside systemd-analyze verify /tmp/kelvane-headless@line1.service

step "a headless session against kelvane-devsim, into a text file in ~/.config/kelvane"
as_user '
  kelvane-devsim --tcp 4017 --interval 100 --ramp 1:9:1 >/tmp/devsim.out 2>&1 &
  simulator=$!
  mkdir -p ~/.config/kelvane
  printf "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=4017\n[Anwendung]\nAnwendung=Text-Datei\nTextFile=values.txt\nFormat={Messwert}{TAB}{Einheit}{TAB}\n" \
    >~/.config/kelvane/line1.cfg
  kelvane --headless line1.cfg 2>/tmp/kelvane.err &
  program=$!
  for _ in $(seq 100); do
    if [ -f ~/.config/kelvane/values.txt ] && [ "$(wc -l <~/.config/kelvane/values.txt)" -ge 5 ]; then break; fi
    sleep 0.1
  done
  kill -TERM "$program"
  wait "$program"
  kill -TERM "$simulator"
  wait "$simulator" || true
  cat /tmp/kelvane.err
  echo "-- ~/.config/kelvane:"
  ls ~/.config/kelvane
  echo "-- values.txt:"
  cat -A ~/.config/kelvane/values.txt
  test "$(wc -l <~/.config/kelvane/values.txt)" -ge 5
'

step "apt purges kelvane"
inside env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kelvane >/dev/null
for path in /usr/bin/kelvane /usr/bin/kelvane-devsim /usr/share/kelvane /usr/share/man/man1/kelvane.1.gz; do
  if [ -e "$root$path" ]; then
    echo "$path is still there after the purge" >&2
    exit 1
  fi
done
inside dpkg -s kelvane 2>&1 | head -1 || true
step "installed, used and purged"
