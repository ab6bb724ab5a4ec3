#!/usr/bin/env bash
# Proves the Debian package on a fresh Debian 12: builds it, installs it with
# apt-get into a clean bookworm root (debootstrap --variant=minbase) and checks
# there, as a normal user, that the programs start and the desktop files are in
# place and valid. Needs root (debootstrap, chroot) and the network; takes
# minutes. Run by hand, or by scripts/test.sh with QUORVEX_PACKAGE_TEST=1.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_PACKAGE_BUILD_DIR:-build-package}"
mirror="${QUORVEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
# The same sources give the same package.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}"

step() { printf '\n== %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot)"
source scripts/packages.sh
install_packages debootstrap dpkg-dev fakeroot

step "Building the package in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/quorvex_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/quorvex_*.deb)
dpkg-deb --info "$deb"
if command -v lintian >/dev/null; then
  step "lintian (findings are listed, not fatal)"
  lintian --tag-display-limit 0 "$deb" || true
fi

step "A clean Debian 12 root"
root=$(mktemp -d /var/tmp/quorvex-bookworm-XXXXXX)
chmod 755 "$root"  # a root directory the normal user can enter
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log"; fail "debootstrap"; }
rm -f "$root.debootstrap.log"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
                   DEBIAN_FRONTEND=noninteractive "$@"; }
as_user() { chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester \
                   LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime-tester "$@"; }

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -q
in_root sh -c "cd /tmp && apt-get install -y -q ./$(basename "$deb")"
in_root apt-get install -y -q --no-install-recommends desktop-file-utils appstream
in_root useradd -m tester
in_root install -d -o tester -g tester -m 700 /tmp/runtime-tester

step "Installed files"
for f in /usr/bin/quorvex /usr/bin/quorvex-demo /usr/bin/quorvexctl \
         /usr/lib/udev/rules.d/60-quorvex.rules \
         /usr/share/applications/org.quorvex.Quorvex.desktop \
         /usr/share/metainfo/org.quorvex.Quorvex.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/org.quorvex.Quorvex.svg \
         /usr/share/icons/hicolor/48x48/apps/org.quorvex.Quorvex.png \
         /usr/share/man/man1/quorvex.1.gz /usr/share/man/man1/quorvex-demo.1.gz \
         /usr/share/man/man1/quorvexctl.1.gz; do
  [ -e "$root$f" ] || fail "missing $f"
  echo "ok  $f"
done
grep -q 'TAG+="uaccess"' "$root/usr/lib/udev/rules.d/60-quorvex.rules" || fail "udev rule without uaccess"

step "desktop-file-validate and appstreamcli validate --no-net"
in_root desktop-file-validate /usr/share/applications/org.quorvex.Quorvex.desktop
in_root appstreamcli validate --no-net /usr/share/metainfo/org.quorvex.Quorvex.metainfo.xml

step "quorvexctl --demo list, as a normal user"
listed=$(as_user quorvexctl --demo list) || fail "quorvexctl --demo list"
echo "$listed"
[ -n "$listed" ] || fail "quorvexctl --demo list printed nothing"

step "quorvex-demo offscreen, ended by SIGTERM as at logout, as a normal user"
status=0
as_user sh -c 'cd && timeout --preserve-status -s TERM 5 quorvex-demo --instant' || status=$?
[ "$status" -eq 0 ] || fail "quorvex-demo exit status $status"
# /usr/bin is not the user's to write: the settings went to the config folder.
[ -f "$root/home/tester/.config/Quorvex/Quorvex.ini" ] || fail "no settings in ~/.config/Quorvex"
head -1 "$root/home/tester/.config/Quorvex/Quorvex.ini"

step "PASS: the package installs and runs on a fresh Debian 12"
