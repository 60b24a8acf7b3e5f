#!/usr/bin/env bash
# Checks the decoders against an independent dissector (tshark) on a generated capture of
# today's traffic (VLAN and 802.1ad tags, ARP, IPv4 and IPv6, TCP options, ICMP and ICMPv6,
# modern DNS records): every field both show must agree. Installs tshark when it is missing;
# too heavy for CI. Usage: scripts/check-decode-tshark.sh [BIN_DIR] [FRAMES]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-${PALOMET_BIN_DIR:-build/bin}}
frames=${2:-400}

if ! command -v tshark >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends tshark >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 scripts/compare_decode_tshark.py "$(realpath "$bin")/palomet-cli" "$work" "$frames"
