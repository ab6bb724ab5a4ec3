#!/usr/bin/env bash
# A real station program against network control: the satellite tracker
# gpredict, under Xvfb, tracks a satellite and tunes the board through the
# server; the check is that the board followed every frequency it sent,
# Doppler changes included, that it got no error, and that it let go with
# "q" when disengaged.
#
#   tests/net/gpredict-check.sh [--if-asked] [--radio TYPE:PTT]... [--seconds S]
#                               [--record DIR] QUORVEXCTL [OPTIONS...]
#
# Each run starts QUORVEXCTL OPTIONS --demo --board-log L serve --listen
# 127.0.0.1:0 --trace T: it prints "listening on
# 127.0.0.1:PORT", writes the traffic to T (net/RigTrace.h) and every request
# its virtual board receives to the log, whose register writes say what the
# Si570 was set to. Each --radio is one run with that gpredict radio
# type (0 RX only, 1 TX only) and PTT setting (0 none, 1 read PTT, 2 read
# DCD); default 0:1 0:2 1:0. --record keeps each run's transcript in DIR.
# --if-asked skips (status 77) unless QUORVEX_GPREDICT_TEST=1: CTest runs it
# so. gpredict tracks a 5760 MHz transponder through a converter whose LO
# (5745.926 MHz, on both links) brings it to 14.074 MHz for the board: on
# 5760 MHz the Doppler shift changes by several Hz a second wherever the
# satellite is, so every run sees it change.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
runs=() seconds=6 record="" if_asked=0
while [ $# -gt 0 ]; do
  case "$1" in
    --if-asked) if_asked=1; shift ;;
    --radio) runs+=("$2"); shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --record) record="$(mkdir -p "$2" && cd "$2" && pwd)"; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { sed -n '8,9p' "$0" >&2; exit 1; }
if [ "$if_asked" = 1 ] && [ "${QUORVEX_GPREDICT_TEST:-}" != 1 ]; then
  echo "skipped: QUORVEX_GPREDICT_TEST=1 runs gpredict against the server"
  exit 77
fi
[ ${#runs[@]} -gt 0 ] || runs=(0:1 0:2 1:0)
source "$here/../../scripts/packages.sh"
install_packages "${station_program_packages[@]}"

work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do stop "$p"; done
  [ "${keep:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "gpredict-check: $*" >&2
  DISPLAY=":$display" import -window root "$work/screen.png" 2>/dev/null || true
  keep=1
  echo "gpredict-check: the run is kept in $work (screen.png: the screen at the failure)" >&2
  exit 1
}
# gpredict catches SIGTERM and now and then hangs in its handler.
stop() {
  {
    kill "$1" || true
    wait_for 3 eval "! kill -0 $1" || kill -KILL "$1" || true
    wait "$1" || true
  } 2> /dev/null
}
# Waits up to $1 seconds for the command in the rest of the arguments.
wait_for() {
  local tries=$(( $1 * 10 )); shift
  until "$@" 2>/dev/null; do
    tries=$(( tries - 1 )); [ $tries -gt 0 ] || return 1
    sleep 0.1
  done
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
pids+=($!)
wait_for 10 test -s "$work/display" || { display=0; fail "Xvfb did not start"; }
display="$(cat "$work/display")"
export DISPLAY=":$display"

# The Hz each register write of the board's log (--board-log) makes
# the Si570 produce, with the demo board's crystal, a line each.
made_by_board() {
  awk -v fxtal=114.285 '
    function hex(s,   i, v) { v = 0; for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1; return v }
    / request=0x30 / {
      b = substr($0, index($0, "bytes=") + 6)
      for (i = 0; i < 6; i++) r[i] = hex(substr(b, 2 * i + 1, 2))
      hs = int(r[0] / 32) + 4; n1 = (r[0] % 32) * 4 + int(r[1] / 64) + 1
      rfreq = (r[1] % 64) * 16 + int(r[2] / 16) + ((r[2] % 16) * 16777216 + r[3] * 65536 + r[4] * 256 + r[5]) / 268435456
      printf "%.3f\n", fxtal * 1e6 * rfreq / (hs * n1)
    }' "$1"
}

# The transponder, the converter's LO, what the board makes, and the most
# Doppler shift a satellite in low orbit gives (8 km/s).
transponder=5760000000 lo=5745926000
nominal=$(( transponder - lo ))
doppler=$(( transponder * 8000 / 299792458 ))

for radio in "${runs[@]}"; do
  type="${radio%:*}" ptt="${radio#*:}" run="$work/run-$type-$ptt"
  config="$run/home/.config/Gpredict"
  mkdir -p "$config/hwconf" "$config/modules"

  "$@" --demo --board-log "$run/requests" serve --listen 127.0.0.1:0 --trace "$run/transcript" \
    > "$run/host.out" 2> "$run/host.err" &
  host=$!
  pids+=($host)
  wait_for 10 grep -q '^listening on ' "$run/host.out" || fail "the host did not start: $(cat "$run/host.err")"
  port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$run/host.out")"
  [ -n "$port" ] || fail "the host listens elsewhere: $(cat "$run/host.out")"

  # One satellite (FUNcube-1) in one module, with the transponder; the radio
  # at the server.
  mkdir -p "$config/trsp"
  printf '[GLOBAL]\nOPEN_MODULES=Check\nCURRENT_PAGE=0\n' > "$config/gpredict.cfg"
  printf '[GLOBAL]\nSATELLITES=39444;\n' > "$config/modules/Check.mod"
  printf '[Check]\nUP_LOW=%s\nDOWN_LOW=%s\nMODE=CW\n' "$transponder" "$transponder" > "$config/trsp/39444.trsp"
  printf '[Radio]\nHost=127.0.0.1\nPort=%s\nLO=%s\nLO_UP=%s\nType=%s\nPTT=%s\nCycle=1000\n' \
    "$port" "$lo" "$lo" "$type" "$ptt" > "$config/hwconf/quorvex.rig"

  HOME="$run/home" XDG_CONFIG_HOME="$config/.." gpredict > "$run/gpredict.log" 2>&1 &
  gp=$!
  pids+=($gp)
  main="$(timeout 20 xdotool search --sync --onlyvisible --name '^Gpredict: Check$' | head -n 1)" ||
    fail "gpredict's window did not come"
  sleep 2  # the module draws its map before its menu answers
  width="$(xdotool getwindowgeometry --shell "$main" | sed -n 's/^WIDTH=//p')"
  # The module's menu button, top right; then Radio Control, its seventh entry.
  xdotool mousemove --window "$main" $(( width - 20 )) 44 click 1
  sleep 1
  xdotool key --delay 100 Down Down Down Down Down Down Down Return
  radio_window="$(timeout 10 xdotool search --sync --onlyvisible --name '^Gpredict Radio Control: Check$' | head -n 1)" ||
    fail "the Radio Control window did not open"
  sleep 1
  # T (tune to the transponder), Track, then Engage.
  xdotool mousemove --window "$radio_window" 180 294 click 1
  sleep 0.5
  xdotool mousemove --window "$radio_window" 206 254 click 1
  sleep 0.5
  xdotool mousemove --window "$radio_window" 696 254 click 1
  wait_for 10 grep -q ' > ' "$run/transcript" || fail "gpredict did not connect (type $type, PTT $ptt)"
  sleep "$seconds"
  xdotool mousemove --window "$radio_window" 696 254 click 1  # disengage
  wait_for 10 grep -q ' > q\\n$' "$run/transcript" || fail "gpredict did not let go with q (type $type, PTT $ptt)"
  stop "$gp"
  stop "$host"

  # What gpredict sent, what the board was set to, what went wrong.
  sent="$(sed -n 's/^[0-9]* > F *\([0-9]*\)\\n$/\1/p' "$run/transcript")"
  made="$(made_by_board "$run/requests")"
  [ "$(printf '%s\n' "$sent" | grep -c .)" = "$(printf '%s\n' "$made" | grep -c .)" ] ||
    fail "type $type, PTT $ptt: the board was set other times than gpredict sent a frequency"
  paste -d ' ' <(printf '%s\n' "$sent") <(printf '%s\n' "$made") | sed 's/^/F /' > "$run/board.log"
  count=$(printf '%s\n' "$sent" | grep -c . || true)
  distinct=$(printf '%s\n' "$sent" | sort -u | grep -c . || true)
  [ "$count" -ge 4 ] || fail "type $type, PTT $ptt: gpredict sent $count frequencies in ${seconds} s"
  [ "$distinct" -ge 3 ] || fail "type $type, PTT $ptt: no Doppler change in what gpredict sent"
  awk -v n="$nominal" -v shift="$doppler" '{ d = $2 - $3; if (d < 0) d = -d; o = $2 - n; if (o < 0) o = -o;
    if (d >= 0.5 || o > shift) { print; bad = 1 } } END { exit bad }' "$run/board.log" ||
    fail "type $type, PTT $ptt: the board did not make what gpredict asked (or far from $nominal Hz)"
  ! grep -q ' < .*RPRT -' "$run/transcript" || fail "type $type, PTT $ptt: gpredict got an error"
  echo "gpredict type $type, PTT $ptt: $count frequencies, $distinct distinct, from $(printf '%s\n' "$sent" |
        head -n 1) to $(printf '%s\n' "$sent" | tail -n 1) Hz, each made by the board"
  if [ -n "$record" ]; then
    {
      echo "# gpredict $(dpkg-query -W -f='${Version}' gpredict 2>/dev/null), radio Type=$type PTT=$ptt LO=LO_UP=$lo Hz"
      echo "# Cycle=1000, tracking FUNcube-1 (AO-73) on $transponder Hz: one connection, from Engage to disengage."
      cat "$run/transcript"
    } > "$record/gpredict-type$type-ptt$ptt.transcript"
  fi
done
