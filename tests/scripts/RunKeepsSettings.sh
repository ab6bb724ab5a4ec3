#!/usr/bin/env bash
# scripts/run.sh --demo, twice, on a built checkout: the second run starts from
# what the first saved. A settings file the developer had there is put back.
set -euo pipefail
source_dir=$1 build=$2
settings="$build/app/Quorvex.ini"
kept=$(mktemp)
had_settings=false
if [ -f "$settings" ]; then mv "$settings" "$kept"; had_settings=true; fi
restore() {
  rm -f "$settings"
  if $had_settings; then mv "$kept" "$settings"; else rm -f "$kept"; fi
}
trap restore EXIT

# Starts the run command and ends the demo with SIGTERM, as a logout does, once
# the demo has set up its handler for it (bit 15 of its caught signals).
run_demo() {
  QUORVEX_BUILD_DIR="$build" QT_QPA_PLATFORM=offscreen "$source_dir/scripts/run.sh" --demo --instant \
    > /dev/null 2>&1 &
  local pid=$! tries=0
  until [ -r "/proc/$pid/status" ] &&
        (( 0x$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status") & (1 << 14) )) &&
        [ "$(readlink "/proc/$pid/exe")" = "$(readlink -f "$build/app/quorvex-demo")" ]; do
    (( ++tries < 600 )) || { kill -KILL $pid; echo "the demo did not start" >&2; return 1; }
    sleep 0.05
  done
  kill -TERM $pid
  wait $pid
}

run_demo
[ -f "$settings" ] || { echo "no settings beside the program after the first run" >&2; exit 1; }
sed -i 's/^Frequency=.*/Frequency= 7.07400000000000E+0006\r/' "$settings"
run_demo
grep -q '^Frequency= 7.07400000000000E+0006' "$settings" ||
  { echo "the second run did not start from the first run's settings:" >&2; head -3 "$settings" >&2; exit 1; }
