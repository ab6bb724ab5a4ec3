#!/usr/bin/env bash
# Fetches the reference WSPR tools (wsprcode, wsprd) from Debian's wsjtx
# package into DIR, without installing the package, together with the FFT
# library wsprd needs, and leaves DIR/bin/wsprcode, wsprsim and wsprd to run
# them. Nothing is installed on the machine.
#
# When the packages cannot be downloaded (no network, no apt-get) it writes
# the reason to DIR/unavailable and exits 0: the tests that need the tools
# then skip and print it. Any later failure (a package that does not unpack,
# a tool that does not run) exits non-zero, and the tests fail.
set -uo pipefail
dir=$1
mkdir -p "$dir/debs" "$dir/root" "$dir/bin"
rm -f "$dir/unavailable"
log=$dir/fetch.log
: > "$log"

usable() {
  [ -x "$dir/bin/wsprcode" ] && [[ "$("$dir/bin/wsprcode" "K1ABC FN42 37" 2>&1)" == *"Channel symbols"* ]]
}
usable && exit 0

unavailable() {
  echo "$1 (see $log)" > "$dir/unavailable"
  echo "reference tools unavailable: $1"
  exit 0
}

command -v apt-get > /dev/null || unavailable "apt-get is not on this machine"

download() {
  (cd "$dir/debs" && timeout 300 apt-get download -o Acquire::Retries=1 -o Acquire::http::Timeout=30 "$@") \
    >> "$log" 2>&1
}
# A fresh machine may have no package lists yet.
refresh_lists() {
  [ "$(id -u)" -eq 0 ] && timeout 600 apt-get update >> "$log" 2>&1
}
fetch() {
  download "$@" || { refresh_lists && download "$@"; }
}

fetch wsjtx libfftw3-single3 || unavailable "apt-get download wsjtx libfftw3-single3 failed"
for deb in "$dir"/debs/*.deb; do
  dpkg-deb -x "$deb" "$dir/root" || { echo "cannot unpack $deb"; exit 1; }
done

# The Fortran run-time the tools are built with, where the machine lacks it.
declare -A package_of=([libgfortran.so.5]=libgfortran5 [libquadmath.so.0]=libquadmath0)
libdir=$(dirname "$(find "$dir/root" -name 'libfftw3f.so.3' | head -n 1)")
missing=$(LD_LIBRARY_PATH=$libdir ldd "$dir/root/usr/bin/wsprd" | awk '/not found/ { print $1 }')
for lib in $missing; do
  pkg=${package_of[$lib]:-}
  [ -n "$pkg" ] || { echo "wsprd needs $lib, which no known package provides"; exit 1; }
  fetch "$pkg" || unavailable "apt-get download $pkg failed"
  dpkg-deb -x "$dir"/debs/"$pkg"_*.deb "$dir/root" || exit 1
done
libdirs=$(find "$dir/root" -name '*.so.*' -printf '%h\n' | sort -u | paste -sd:)

for tool in wsprcode wsprd wsprsim; do
  cat > "$dir/bin/$tool" <<WRAP
#!/bin/sh
LD_LIBRARY_PATH="$libdirs\${LD_LIBRARY_PATH:+:\$LD_LIBRARY_PATH}" exec "$dir/root/usr/bin/$tool" "\$@"
WRAP
  chmod +x "$dir/bin/$tool"
done
usable || { echo "wsprcode does not run:"; "$dir/bin/wsprcode" "K1ABC FN42 37"; exit 1; }
echo "reference tools in $dir/bin"
