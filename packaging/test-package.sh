#!/usr/bin/env bash
# Proves the Debian packages on a fresh Debian 12: builds them, runs lintian,
# installs them with apt-get into a clean bookworm root (debootstrap
# --variant=minbase) and checks there, as a normal user, that the programs
# start, the desktop files are valid and tie the window to its menu entry, and
# that the command-line package alone brings no GUI library. Needs root
# (debootstrap, chroot) and the network; takes minutes. Run by hand, or by
# scripts/test.sh with QUORVEX_PACKAGE_TEST=1.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_PACKAGE_BUILD_DIR:-build-package}"
# The same sources give the same packages.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}"
source scripts/packages.sh
source packaging/root.sh
[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot)"
install_packages "${build_packages[@]}" "${package_packages[@]}"

step "Building the packages in $build"
[ -f "$build/CMakeCache.txt" ] ||
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/quorvex*.deb
(cd "$build" && cpack -G DEB)
ctl=$(ls "$build"/quorvexctl_*.deb)
gui=$(ls "$build"/quorvex_*.deb)
dpkg-deb --info "$ctl"
dpkg-deb --info "$gui"

step "lintian --pedantic --display-info (the README's packaging notes say why each finding remains)"
lintian --pedantic --display-info --tag-display-limit 0 "$ctl" "$gui" | tee "$build/lintian.txt" || true
! grep -q '^E: ' "$build/lintian.txt" || fail "lintian errors"

step "A clean Debian 12 root"
new_root
as_user() { chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester \
                   LANG=C.UTF-8 XDG_RUNTIME_DIR=/tmp/runtime-tester "$@"; }
# The maintainer scripts find a running udev: a stand-in records what they ask of it.
mkdir -p "$root/run/udev"
printf '#!/bin/sh\necho "$*" >> /var/log/udevadm.calls\n' > "$root/usr/sbin/udevadm"
chmod 755 "$root/usr/sbin/udevadm"
in_root apt-get update -q
cp "$ctl" "$gui" "$root/tmp/"
in_root useradd -m tester
in_root install -d -o tester -g tester -m 700 /tmp/runtime-tester

step "apt-get install ./$(basename "$ctl") alone"
before=$(root_package_count)
in_root sh -c "cd /tmp && apt-get install -y -q ./$(basename "$ctl")"
ctl_count=$(( $(root_package_count) - before ))
gui_libs=$(in_root dpkg-query -W -f='${Package}\n' | grep -E '^(libqt6(gui|widgets|opengl|xcb)|qt6-qpa|libx11-|libxcb|libgl1|libglx|libegl|libgles|libopengl|libgtk|libwayland|libfontconfig|libfreetype|libdrm)' || true)
[ -z "$gui_libs" ] || fail "the command-line package brought GUI libraries: $gui_libs"
for f in /usr/bin/quorvexctl /usr/lib/udev/rules.d/60-quorvex.rules /usr/share/man/man1/quorvexctl.1.gz \
         /usr/share/bash-completion/completions/quorvexctl /usr/share/doc/quorvexctl/copyright; do
  [ -e "$root$f" ] || fail "missing $f"
  echo "ok  $f"
done
rule=$(grep -v '^#' "$root/usr/lib/udev/rules.d/60-quorvex.rules")
for part in 'TAG+="uaccess"' 'GROUP="plugdev"' 'MODE="0660"' 'ATTR{manufacturer}==' 'ATTR{product}=='; do
  [[ "$rule" == *"$part"* ]] || fail "udev rule without $part"
done
grep -q -- '--reload-rules' "$root/var/log/udevadm.calls" || fail "postinst did not reload the udev rules"
listed=$(as_user quorvexctl --demo list) || fail "quorvexctl --demo list"
echo "$listed"
[ -n "$listed" ] || fail "quorvexctl --demo list printed nothing"

step "apt-get install ./$(basename "$gui")"
before=$(root_package_count)
in_root sh -c "cd /tmp && apt-get install -y -q ./$(basename "$gui")"
gui_count=$(( $(root_package_count) - before ))
for f in /usr/bin/quorvex /usr/bin/quorvex-demo \
         /usr/share/applications/org.quorvex.Quorvex.desktop \
         /usr/share/metainfo/org.quorvex.Quorvex.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/org.quorvex.Quorvex.svg \
         /usr/share/icons/hicolor/48x48/apps/org.quorvex.Quorvex.png \
         /usr/share/man/man1/quorvex.1.gz /usr/share/man/man1/quorvex-demo.1.gz \
         /usr/share/doc/quorvex/copyright; do
  [ -e "$root$f" ] || fail "missing $f"
  echo "ok  $f"
done
as_user quorvex --version
as_user quorvex-demo --help | head -3

step "desktop-file-validate and appstreamcli validate --no-net"
in_root apt-get install -y -q --no-install-recommends desktop-file-utils appstream xvfb xauth "${root_check_packages[@]}"
in_root desktop-file-validate /usr/share/applications/org.quorvex.Quorvex.desktop
in_root appstreamcli validate --no-net /usr/share/metainfo/org.quorvex.Quorvex.metainfo.xml

step "quorvex-demo on a screen: its window's class and icon, ended by SIGTERM as at logout"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/org.quorvex.Quorvex.desktop")
as_user xvfb-run -a sh -c '
  cd && quorvex-demo --instant & pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "SI570-USB LCD-software" | head -1)
  [ -n "$window" ] || exit 1
  xprop -id "$window" WM_CLASS _NET_WM_ICON | cut -c1-80 > /tmp/runtime-tester/xprop
  kill -TERM $pid; wait $pid' || fail "quorvex-demo under Xvfb"
cat "$root/tmp/runtime-tester/xprop"
grep -q "WM_CLASS(STRING) = .*\"$wmclass\"" "$root/tmp/runtime-tester/xprop" ||
  fail "WM_CLASS does not name the menu entry's StartupWMClass $wmclass"
grep -q '_NET_WM_ICON(CARDINAL) = ' "$root/tmp/runtime-tester/xprop" || fail "the window has no icon"
# /usr/bin is not the user's to write: the settings went to the config folder.
[ -f "$root/home/tester/.config/Quorvex/Quorvex.ini" ] || fail "no settings in ~/.config/Quorvex"
head -1 "$root/home/tester/.config/Quorvex/Quorvex.ini"

step "apt-get remove: the rule goes and udev forgets it"
: > "$root/var/log/udevadm.calls"
in_root apt-get remove -y -q quorvex quorvexctl
[ ! -e "$root/usr/lib/udev/rules.d/60-quorvex.rules" ] || fail "the udev rule stayed"
grep -q -- '--reload-rules' "$root/var/log/udevadm.calls" || fail "postrm did not reload the udev rules"

step "PASS: the packages install and run on a fresh Debian 12"
echo "quorvexctl brought $ctl_count packages (itself included), quorvex $gui_count more"
