#!/usr/bin/env bash
# Filtering and finding over a 1,000,000-frame trace: palomet-cli list --filter 'udp port 53'
# against tcpdump -n -r with the same expression and tshark -Y dns over the same frames as
# pcap, then count --filter, and list --contains (summary) and --in-detail. Wall time,
# frames/s, peak memory. The capture and its trace file are made once under build/bench-data/.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/bench/bin}
frames=${PALOMET_LIST_FRAMES:-1000000}
source bench/data-lib.sh
office_pair "$bin" "$frames" 7

row() {
  local label=$1 seconds=$2 kib=$3
  awk -v l="$label" -v n="$frames" -v s="$seconds" -v k="$kib" \
    'BEGIN { printf "%-44s %8.2f s  %10.0f frames/s  peak %6.1f MiB\n", l, s, n / s, k / 1024 }'
}

read -r list_s list_kib < <(measure "$bin/palomet-cli" list --tsv "$tns" --filter 'udp port 53')
row "palomet-cli list --filter 'udp port 53'" "$list_s" "$list_kib"
read -r dump_s dump_kib < <(measure tcpdump -n -r "$pcap" 'udp port 53')
row "tcpdump -n -r 'udp port 53'" "$dump_s" "$dump_kib"
awk -v a="$list_s" -v b="$dump_s" 'BEGIN { printf "list --filter / tcpdump speed %8.2f x\n", b / a }'
if command -v tshark > /dev/null; then
  read -r shark_s shark_kib < <(measure tshark -n -r "$pcap" -Y dns)
  row "tshark -n -r -Y dns" "$shark_s" "$shark_kib"
  awk -v a="$list_s" -v b="$shark_s" 'BEGIN { printf "list --filter / tshark speed  %8.2f x\n", b / a }'
fi
read -r count_s count_kib < <(measure "$bin/palomet-cli" count "$tns" --filter 'udp port 53')
row "palomet-cli count --filter 'udp port 53'" "$count_s" "$count_kib"
read -r find_s find_kib < <(measure "$bin/palomet-cli" list --tsv "$tns" --contains 'www.example')
row "palomet-cli list --contains" "$find_s" "$find_kib"
read -r detail_s detail_kib < <(measure "$bin/palomet-cli" count "$tns" --contains 'www.example' --in-detail)
row "palomet-cli count --contains --in-detail" "$detail_s" "$detail_kib"
