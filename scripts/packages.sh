# Sourced by the build scripts: the Debian packages each script needs, in one
# place, and install_packages NAME... which installs those of the list that are
# missing, with one query for all of them, so a second start does not wait for
# the package database.
install_packages() {
  local installed missing=() p sudo=""
  # dpkg-query fails when a package was never installed: that is what is asked.
  installed=" $( (dpkg-query -W -f='${Status} ${Package}\n' "$@" 2>/dev/null || true) |
                awk '/install ok installed/ { printf "%s ", $NF }')"
  for p in "$@"; do
    [[ "$installed" == *" $p "* ]] || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# What the build and the tests need (setup.sh, run.sh, test.sh).
build_packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libusb-dev
                libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth imagemagick)
# The sanitizer build and the fuzzers (sanitize.sh, fuzz.sh): clang's
# sanitizer and libFuzzer runtimes are separate packages that clang itself
# only recommends.
sanitize_packages=(clang libclang-rt-14-dev libfuzzer-14-dev)
# Building the Debian packages and proving them in a fresh root
# (packaging/test-package.sh, packaging/fresh-root-test.sh).
package_packages=(debootstrap dpkg-dev fakeroot lintian git)
# The check of network control with a real station program
# (tests/net/gpredict-check.sh, only when asked).
station_program_packages=(gpredict xdotool xvfb imagemagick)
# Installed inside the fresh root only by the tests that look at windows there.
root_check_packages=(xdotool x11-utils)
