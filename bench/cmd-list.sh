#!/usr/bin/env bash
# palomet-cli list --tsv over a 1,000,000-frame trace against tcpdump -n -r over the same
# frames as pcap, one after the other on this machine: wall time, frames/s, peak memory.
# The capture (scripts/gen-traffic.py) and its trace file are made once under build/bench-data/.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/bench/bin}
frames=${PALOMET_LIST_FRAMES:-1000000}
source bench/data-lib.sh
office_pair "$bin" "$frames" 7

read -r list_s list_kib < <(measure "$bin/palomet-cli" list --tsv "$tns")
read -r dump_s dump_kib < <(measure tcpdump -n -r "$pcap")
awk -v n="$frames" -v ls="$list_s" -v lk="$list_kib" -v ds="$dump_s" -v dk="$dump_kib" 'BEGIN {
  printf "palomet-cli list --tsv  %8.2f s  %10.0f frames/s  peak %6.1f MiB\n", ls, n / ls, lk / 1024
  printf "tcpdump -n -r           %8.2f s  %10.0f frames/s  peak %6.1f MiB\n", ds, n / ds, dk / 1024
  printf "list / tcpdump speed    %8.2f x\n", ds / ls
}'
