#!/usr/bin/env bash
# Checks palomet-cli stats against tshark's statistics (protocol hierarchy, IPv4, IPv6, TCP
# and UDP conversations, IPv4 endpoints, frames per interval) on a generated LAN mix and an
# IPv6/VLAN mix: every number both show must agree. Installs tshark when it is missing, except
# under ctest (PALOMET_TSHARK_OPTIONAL=1), where a machine without it skips the check.
# Usage: scripts/check-stats-tshark.sh [BIN_DIR] [FRAMES] [PCAP...]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-${PALOMET_BIN_DIR:-build/bin}}
frames=${2:-600}
shift $(($# < 2 ? $# : 2))

if [ -n "${PALOMET_TSHARK_OPTIONAL:-}" ] && ! command -v tshark >/dev/null; then
  echo "tshark is not installed: check skipped"
  exit 77
fi
source scripts/ensure-tshark.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 scripts/compare_stats_tshark.py "$(realpath "$bin")/palomet-cli" "$work" "$frames" "$@"
