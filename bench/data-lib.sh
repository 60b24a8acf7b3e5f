# Sourced by the whole-command benchmarks (from the repository's top folder):
# office_capture FRAMES SEED makes the office mix of scripts/gen-traffic.py once under
# build/bench-data/ (named as bench/BenchData.h names it) and prints its path.
office_capture() {
  local pcap="build/bench-data/office_$1_s$2.pcap"
  mkdir -p build/bench-data
  if [ ! -f "$pcap" ]; then
    /usr/bin/python3 scripts/gen-traffic.py --count "$1" --seed "$2" --out "$pcap.part" >&2
    mv "$pcap.part" "$pcap"
  fi
  echo "$pcap"
}
