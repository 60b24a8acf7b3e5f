#!/usr/bin/env bash
# Peak memory (/usr/bin/time -v) of palomet-cli list and show on traces whose blocks inflate
# to very large frame lists, on a 1,000,000-frame LAN trace, and with a 64 MiB vendor table
# of blank lines in the current directory. Listing must stay near what one block holds.
# The crafted files are made once under build/bench-data/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bin=$(cd "${PALOMET_BIN_DIR:-build/bench/bin}" && pwd)
data=$root/build/bench-data
mkdir -p "$data"
one=$data/empty-7m-1block.tns
three=$data/empty-4m-3blocks.tns
lan=$data/office_1000000_s7.tns
[ -f "$one" ] || /usr/bin/python3 bench/craft-empty-trace.py --blocks 1 --frames 7000000 --out "$one"
[ -f "$three" ] || /usr/bin/python3 bench/craft-empty-trace.py --blocks 3 --frames 4000000 --out "$three"
if [ ! -f "$lan" ]; then
  source bench/data-lib.sh
  pcap=$root/$(office_capture 1000000 7)
  "$bin/palomet-cli" import "$pcap" "$lan" > /dev/null
fi
blank=$data/blank-vendors
mkdir -p "$blank"
[ -f "$blank/ethernet-vendors" ] || head -c $((64 << 20)) /dev/zero | tr '\0' '\n' > "$blank/ethernet-vendors"

# Prints "peak-MiB seconds" for one command whose output goes to /dev/null.
measure() {
  local log
  log=$(mktemp)
  /usr/bin/time -v "$@" > /dev/null 2> "$log" || true
  awk -F': ' '/Maximum resident set size/ {kib = $2}
              /Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = n == 3 ? t[1] * 3600 + t[2] * 60 + t[3] : t[1] * 60 + t[2]}
              END {printf "%8.1f MiB %7.2f s", kib / 1024, s}' "$log"
  rm -f "$log"
}

row() {
  local what=$1
  shift
  printf "%-52s %s\n" "$what" "$(measure "$@")"
}

echo "$(ls -l "$one" | awk '{print $5}') bytes: $one"
echo "$(ls -l "$three" | awk '{print $5}') bytes: $three"
row "list --count 1, 1 block of 7M empty frames" "$bin/palomet-cli" list --count 1 "$one"
row "list --tsv, 1 block of 7M empty frames" "$bin/palomet-cli" list --tsv "$one"
row "show 6999999, 1 block of 7M empty frames" "$bin/palomet-cli" show "$one" 6999999
row "list --count 1, 3 blocks of 4M empty frames" "$bin/palomet-cli" list --count 1 "$three"
row "list --tsv, 3 blocks of 4M empty frames" "$bin/palomet-cli" list --tsv "$three"
row "list --tsv, 1,000,000-frame LAN trace" "$bin/palomet-cli" list --tsv "$lan"
row "show 999999, 1,000,000-frame LAN trace" "$bin/palomet-cli" show "$lan" 999999
row "list sample, 64 MiB blank ethernet-vendors" bash -c "cd '$blank' && exec '$bin/palomet-cli' list --count 1 '$root/samples/sample.tns'"
