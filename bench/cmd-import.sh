#!/usr/bin/env bash
# Whole-command benchmark: palomet-cli import of a 1,000,000-frame pcap against
# tcpdump -r IN -w OUT on the same file (a plain copy through libpcap). Import also
# serialises and compresses every block, so it is expected to be slower; this says by how much.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/bench/bin}
frames=${FRAMES:-1000000}
data=build/bench-data
source bench/data-lib.sh
in=$(office_capture "$frames" 5)
size_mb=$(( $(stat -c %s "$in") / 1048576 ))
echo "input: $in ($frames frames, $size_mb MiB), $(nproc) cores"

# Warm the page cache so both commands read from memory.
cat "$in" >/dev/null

run() {
  local label=$1; shift
  /usr/bin/time -f "$label: %e s elapsed, %U s user, %S s system, %M KiB max RSS, %P CPU" "$@" >/dev/null
}
run "tcpdump -r -w      " tcpdump -r "$in" -w "$data/copy.pcap"
run "palomet-cli import " "$bin/palomet-cli" import "$in" "$data/import.tns"
ls -l "$data/copy.pcap" "$data/import.tns" | awk '{print $5, $9}'
rm -f "$data/copy.pcap" "$data/import.tns"
