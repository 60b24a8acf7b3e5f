# Sourced by the whole-command benchmarks (from the repository's top folder):
# office_capture FRAMES SEED makes the office mix of scripts/gen-traffic.py once under
# build/bench-data/ (named as bench/BenchData.h names it) and prints its path;
# office_trace BIN FRAMES SEED the same frames imported as a trace file (made once too);
# office_pair BIN FRAMES SEED both, in the page cache; measure COMMAND... prints "seconds
# peak-KiB" for one command whose output goes to /dev/null.
office_capture() {
  local pcap="build/bench-data/office_$1_s$2.pcap"
  mkdir -p build/bench-data
  if [ ! -f "$pcap" ]; then
    /usr/bin/python3 scripts/gen-traffic.py --count "$1" --seed "$2" --out "$pcap.part" >&2
    mv "$pcap.part" "$pcap"
  fi
  echo "$pcap"
}

office_trace() {
  local pcap tns
  pcap=$(office_capture "$2" "$3")
  tns="build/bench-data/office_$2_s$3.tns"
  [ -f "$tns" ] || "$1/palomet-cli" import "$pcap" "$tns" > /dev/null
  echo "$tns"
}

# office_pair BIN FRAMES SEED: sets pcap and tns to the capture and its trace file (each made
# once) and reads both into the page cache, so no side of a comparison pays for the first read.
office_pair() {
  pcap=$(office_capture "$2" "$3")
  tns=$(office_trace "$1" "$2" "$3")
  cat "$pcap" "$tns" > /dev/null
}

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
