#!/usr/bin/env bash
# Checks the decoders against an independent dissector (tshark) on a generated capture of
# today's traffic (VLAN and 802.1ad tags, ARP, IPv4 and IPv6, TCP options, ICMP and ICMPv6,
# modern DNS records): every field both show must agree. Installs tshark when it is missing;
# too heavy for CI. Usage: scripts/check-decode-tshark.sh [BIN_DIR] [FRAMES]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-${PALOMET_BIN_DIR:-build/release/bin}}
frames=${2:-400}

source scripts/ensure-tshark.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 scripts/compare_decode_tshark.py "$(realpath "$bin")/palomet-cli" "$work" "$frames"
