#!/usr/bin/env bash
# palomet-cli stats --conversations tcp and --protocols over a 1,000,000-frame trace against
# tshark -q -z conv,tcp and -z io,phs over the same frames as pcap, one after the other on
# this machine: wall time, frames/s, peak memory. The capture (scripts/gen-traffic.py) and its
# trace file are made once under build/bench-data/, as bench/cmd-list.sh makes them; skipped
# without tshark (scripts/ensure-tshark.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${PALOMET_STATS_FRAMES:-1000000}
if ! command -v tshark > /dev/null; then
  echo "tshark is not installed: skipped"
  exit 0
fi
bin=${PALOMET_BIN_DIR:-build/bench/bin}
source bench/data-lib.sh
office_pair "$bin" "$frames" 7

row() {
  awk -v n="$frames" -v name="$1" -v s="$2" -v k="$3" \
    'BEGIN { printf "%-38s %8.2f s  %10.0f frames/s  peak %7.1f MiB\n", name, s, n / s, k / 1024 }'
}
for view in "--conversations tcp:conv,tcp" "--protocols:io,phs"; do
  ours=${view%%:*}
  theirs=${view##*:}
  # shellcheck disable=SC2086
  read -r our_s our_kib < <(measure "$bin/palomet-cli" stats "$tns" $ours)
  read -r ts_s ts_kib < <(measure tshark -n -q -r "$pcap" -z "$theirs")
  row "palomet-cli stats $ours" "$our_s" "$our_kib"
  row "tshark -q -z $theirs" "$ts_s" "$ts_kib"
  awk -v a="$our_s" -v b="$ts_s" 'BEGIN { printf "%-38s %8.2f x\n", "stats / tshark speed", b / a }'
done
