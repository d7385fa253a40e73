#!/usr/bin/env bash
# Runs the headless tour of calyxo_basic against a simulated logger of its own:
#   run_tour.sh LOGGER_SIM TOUR OUT_DIR
# Every folder the two use lies under OUT_DIR: the logger registers its pty in
# OUT_DIR/ports, which the tour's program reads, and both run with the home
# folder OUT_DIR/home (the transactions, the settings, the runtime folder, the
# caches), so that two tours at once never meet. The tour's exit status is this script's.
set -euo pipefail
sim=$1
tour=$2
out=$3

mkdir -p "$out"
out=$(cd "$out" && pwd)
ports="$out/ports"
home="$out/home"
rm -rf "$ports" "$home"
mkdir -p "$ports" "$home"
mkdir -m 700 "$home/runtime"
export HOME="$home" XDG_RUNTIME_DIR="$home/runtime"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
fifo="$ports/.sim_out"
mkfifo "$fifo"
"$sim" --ports-dir "$ports" >"$fifo" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$ports" "$home"
}
trap cleanup EXIT

# The logger prints its device, then COM<N>, once it is registered.
exec 3<"$fifo"
read -r -t 20 device <&3
read -r -t 20 com <&3
echo "simulated logger: $device, $com"

CALYXO_PORTS_DIR="$ports" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
  "$tour" --com "${com#COM}" --out "$out"
