#!/usr/bin/env bash
# Checks with an independent dissector (tshark) that a session between palomet-cli and
# palometsrv on loopback is clean DCE RPC: a bind for the capture interface with NDR that
# is accepted, an ept_map answered with the agent's port, opnums 0 to 6 on the agent, no
# faults and no malformed packets. Needs root (or capture rights on lo); installs tshark
# when it is missing. Usage: scripts/check-dcerpc-tshark.sh [BIN_DIR] [CAPTURE.pcap]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-${PALOMET_BIN_DIR:-build/release/bin}}
sample=${2:-tests/agentd/data/lan-600.pcap}
interface_uuid=3c2465f0-c2db-11d0-a71b-00a0249eee17
ndr_uuid=8a885d04-1ceb-11c9-9fe8-08002b104860

source scripts/ensure-tshark.sh

work=$(mktemp -d)
agent_pid=""
tshark_pid=""
cleanup() {
  [ -n "$tshark_pid" ] && kill "$tshark_pid" 2>/dev/null || true
  [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/palometsrv" --replay "$sample" --port 0 --epm-port 0 >"$work/agent.out" &
agent_pid=$!
for _ in $(seq 50); do grep -q "mapper on port" "$work/agent.out" 2>/dev/null && break; sleep 0.1; done
port=$(grep -oP 'interface on \S+ port \K[0-9]+' "$work/agent.out")
epm=$(grep -oP 'mapper on port \K[0-9]+' "$work/agent.out")

tshark -q -i lo -f "tcp port $port or tcp port $epm" -w "$work/session.pcapng" 2>"$work/tshark.err" &
tshark_pid=$!
for _ in $(seq 100); do grep -q "Capturing on" "$work/tshark.err" 2>/dev/null && break; sleep 0.1; done
sleep 0.5

"$bin/palomet-cli" agent --server 127.0.0.1 --epm-port "$epm" ping
frames=$(/usr/bin/python3 -c "import sys; from scapy.all import rdpcap; print(len(rdpcap(sys.argv[1])))" "$sample")
"$bin/palomet-cli" agent --server 127.0.0.1 --epm-port "$epm" grab --frames "$frames" --out "$work/grab.tns"
sleep 0.5
kill -INT "$tshark_pid"
wait "$tshark_pid" || true
tshark_pid=""

dissect() { tshark -r "$work/session.pcapng" -d "tcp.port==$port,dcerpc" -d "tcp.port==$epm,dcerpc" "$@" 2>/dev/null; }
count() { dissect -Y "$1" | wc -l; }
failures=0
expect() {  # description, actual, expected
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: got '$2', expected '$3'"; failures=$((failures + 1)); fi
}
at_least_one() { if [ "$2" -ge 1 ]; then echo "ok   $1 ($2)"; else echo "FAIL $1: none"; failures=$((failures + 1)); fi; }

at_least_one "bind for the capture interface with NDR" \
  "$(count "dcerpc.pkt_type == 11 && dcerpc.cn_bind_to_uuid == $interface_uuid && dcerpc.cn_bind_trans_id == $ndr_uuid")"
at_least_one "bind_ack accepting NDR" "$(count "dcerpc.pkt_type == 12 && dcerpc.cn_ack_result == 0 && dcerpc.cn_ack_trans_id == $ndr_uuid")"
at_least_one "ept_map request" "$(count "tcp.dstport == $epm && dcerpc.pkt_type == 0 && dcerpc.opnum == 3")"
# The mapper's reply carries the tower's TCP port floor (big-endian) and address floor
# 127.0.0.1. tshark's mapper dissector leaves towers behind an array of pointers
# undissected, so the floors are found in the raw stub.
tower_floors="0100070200$(printf '%04x' "$port")01000904007f000001"
expect "ept_map reply names the agent's port and address" \
  "$(dissect --disable-protocol epm -Y "tcp.srcport == $epm && dcerpc.pkt_type == 2" -T fields -e dcerpc.stub_data |
     grep -c "$tower_floors")" "$(count "tcp.srcport == $epm && dcerpc.pkt_type == 2")"
expect "opnums called on the agent" \
  "$(dissect -Y "tcp.dstport == $port && dcerpc.pkt_type == 0" -T fields -e dcerpc.opnum | sort -un | tr '\n' ' ')" "0 1 2 3 4 5 6 "
expect "fault PDUs" "$(count "dcerpc.pkt_type == 3")" "0"
expect "bind_nak PDUs" "$(count "dcerpc.pkt_type == 13")" "0"
expect "malformed packets" "$(count "_ws.malformed")" "0"
expect "dissector errors" "$(count "dcerpc && _ws.expert.severity == error")" "0"
at_least_one "fragmented responses reassembled" "$(count "dcerpc.pkt_type == 2 && dcerpc.cn_flags.last_frag == 1 && dcerpc.cn_flags.first_frag == 0")"
"$bin/palomet-cli" info "$work/grab.tns" >/dev/null && echo "ok   grab wrote a valid trace file"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "DCE RPC session dissects cleanly"
