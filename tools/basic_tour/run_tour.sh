#!/usr/bin/env bash
# Runs the headless tour of calyxo_basic against a simulated logger of its own:
#   run_tour.sh LOGGER_SIM TOUR OUT_DIR
# The logger registers its pty in a private ports folder, which the tour's
# program reads; the tour's exit status is this script's.
set -euo pipefail
sim=$1
tour=$2
out=$3

mkdir -p "$out"
ports=$(mktemp -d)
fifo="$ports/.sim_out"
mkfifo "$fifo"
"$sim" --ports-dir "$ports" >"$fifo" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$ports"
}
trap cleanup EXIT

# The logger prints its device, then COM<N>, once it is registered.
exec 3<"$fifo"
read -r -t 20 device <&3
read -r -t 20 com <&3
echo "simulated logger: $device, $com"

CALYXO_PORTS_DIR="$ports" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
  "$tour" --com "${com#COM}" --out "$out"
