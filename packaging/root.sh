# Sourced by test-package.sh and fresh-root-test.sh (as root): a fresh Debian
# 12 root made with debootstrap, the system folders mounted in it, commands run
# in it, and its safe removal when the script ends, however it ends.
mirror="${QUORVEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
root=""

step() { printf '\n== %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

# Mount points inside the root, deepest first.
mounts_in_root() {
  findmnt -rn -o TARGET | awk -v r="$root/" 'index($0, r) == 1' | sort -r
}

# Processes still running in the root (a window or a daemon the tests
# started, on its way out) keep its mounts busy: they are ended first.
end_root_processes() {
  local p l pids=()
  for p in /proc/[0-9]*; do
    l=$(readlink "$p/root" 2>/dev/null) || continue
    [[ "$l" == "$root" || "$l" == "$root/"* ]] && pids+=("${p#/proc/}")
  done
  [ ${#pids[@]} -gt 0 ] || return 0
  printf 'Ending what still runs in the root: %s\n' "${pids[*]}" >&2
  kill -TERM "${pids[@]}" 2>/dev/null || true
  sleep 2
  kill -KILL "${pids[@]}" 2>/dev/null || true
  sleep 1
}

# Unmounts /proc, /sys, /dev/pts and /dev, in that order, then removes the
# root only when nothing is mounted in it any more: rm never crosses into a
# mounted system folder.
remove_root() {
  [ -n "$root" ] && [ -d "$root" ] || return 0
  local m try
  end_root_processes
  for try in 1 2 3 4 5; do
    for m in proc sys dev/pts dev; do
      umount -R "$root/$m" 2>/dev/null || true
    done
    [ -n "$(mounts_in_root)" ] || break
    sleep 1  # a file closed late by the kernel
  done
  if [ -n "$(mounts_in_root)" ]; then
    mounts_in_root >&2
    printf 'Still mounted inside %s: left in place\n' "$root" >&2
    return 1
  fi
  rm -rf --one-file-system "$root" "$root.debootstrap.log"
}

# Makes a minbase bookworm root in a new folder under /var/tmp with /proc,
# /sys, /dev and /dev/pts mounted; it is removed when the script exits.
new_root() {
  [ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot)"
  root=$(mktemp -d /var/tmp/quorvex-bookworm-XXXXXX)
  chmod 755 "$root"  # a root directory the normal user can enter
  trap remove_root EXIT
  # An interrupted run ends through the exit trap too.
  trap 'exit 130' INT
  trap 'exit 143' TERM
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log"; fail "debootstrap"; }
  rm -f "$root.debootstrap.log"
  mount -t proc proc "$root/proc"
  # Slaves: what is unmounted inside never reaches the host's folders.
  mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
  mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
}

# Runs a command in the root as root, with a clean environment.
in_root() {
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

# The number of packages installed in the root.
root_package_count() {
  in_root dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii'
}
