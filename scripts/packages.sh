# Sourced by the build scripts: install_packages NAME... installs the Debian
# packages of the list that are missing, with one query for all of them, so a
# second start does not wait for the package database.
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

# What the build and the tests need.
build_packages=(g++ cmake make pkg-config qt6-base-dev qt6-base-dev-tools libusb-dev
                libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev xvfb xauth imagemagick)
