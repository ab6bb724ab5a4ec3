#!/usr/bin/env bash
# Proves the README's two commands on a fresh Debian 12: a clean clone of this
# checkout's last commit, copied into a new minbase bookworm root, runs the
# test command exactly as the README gives it (as root, so without sudo), then
# the run command with --demo under xvfb-run: the window must come on screen,
# end on SIGTERM and leave its settings, and a second run must start from
# them. Prints the minutes taken and the packages installed. Needs root and
# the network; takes half an hour or more. Run by hand before changing a
# package list, or by scripts/test.sh with QUORVEX_FRESH_ROOT_TEST=1.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source packaging/root.sh
[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot)"
install_packages "${package_packages[@]}"

step "A clean Debian 12 root with a clean clone of $(git rev-parse --short HEAD)"
new_root
git clone -q --no-hardlinks "$PWD" "$root/root/quorvex"
start_count=$(root_package_count)
echo "$start_count packages in the minbase root"

step "scripts/test.sh"
started=$(date +%s)
in_root sh -c 'cd /root/quorvex && scripts/test.sh' > "$root.test.log" 2>&1 ||
  { tail -60 "$root.test.log"; rm -f "$root.test.log"; fail "scripts/test.sh"; }
test_seconds=$(( $(date +%s) - started ))
tests_run=$(grep -c ' Test  *#' "$root.test.log" || true)
grep -E 'tests passed|fuzz_' "$root.test.log"
rm -f "$root.test.log"
after_test_count=$(root_package_count)

step "scripts/run.sh --demo under xvfb-run, twice"
# The checker's own tools, not the project's: only to find the window.
in_root apt-get install -y -q --no-install-recommends "${root_check_packages[@]}" > /dev/null
run_demo() {
  in_root xvfb-run -a sh -c '
    cd /root/quorvex && scripts/run.sh --demo --instant & pid=$!
    timeout 60 xdotool search --sync --onlyvisible --name "SI570-USB LCD-software" > /dev/null || exit 1
    kill -TERM $pid; wait $pid'
}
settings="$root/root/quorvex/build/app/Quorvex.ini"
run_demo || fail "the demo's window did not come on screen, or it did not end on SIGTERM"
[ -f "$settings" ] || fail "the run command left no settings"
sed -i 's/^Frequency=.*/Frequency= 7.07400000000000E+0006\r/' "$settings"
run_demo || fail "the second run"
grep -q '^Frequency= 7.07400000000000E+0006' "$settings" || fail "the second run did not start from the saved settings"
echo "ok  the second run kept the frequency the first saved"

step "PASS: the README's commands work on a fresh Debian 12"
printf 'test command: %d min %d s, %s tests run; packages: %d in the minbase root, %d after the test command\n' \
  $((test_seconds / 60)) $((test_seconds % 60)) "$tests_run" "$start_count" "$after_test_count"
