# Sourced by the whole-command benchmarks: the 1,000,000-frame LAN capture (gen_traffic.py)
# and its trace file, made once under build/bench-data/ ($pcap, $tns; $frames may be set
# before), the page cache warmed, and measure: "seconds peak-KiB" of one command whose output
# goes to /dev/null.
bin=${PALOMET_BIN_DIR:-build/bin}
frames=${frames:-1000000}
data=build/bench-data
mkdir -p "$data"
pcap=$data/lan_mix_$frames.pcap
tns=$data/lan_mix_$frames.tns
[ -f "$pcap" ] || /usr/bin/python3 /work/shared/tools/gen_traffic.py --count "$frames" --seed 7 --out "$pcap"
[ -f "$tns" ] || "$bin/palomet-cli" import "$pcap" "$tns" > /dev/null

measure() {
  local log
  log=$(mktemp)
  /usr/bin/time -v "$@" > /dev/null 2> "$log"
  local wall kib
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" | awk -F: '{ if (NF == 3) print $1*3600 + $2*60 + $3; else print $1*60 + $2 }')
  kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  rm -f "$log"
  echo "$wall $kib"
}

# Warm the page cache so neither side pays for the first read.
cat "$pcap" "$tns" > /dev/null
