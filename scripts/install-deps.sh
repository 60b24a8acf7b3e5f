#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and packaging need
# (scdoc writes the man pages; lintian, desktop-file-validate, gio and man check the packages). Idempotent:
# nothing is fetched when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config lld clang clang-tidy libclang-rt-14-dev
  zlib1g-dev libdeflate-dev libpcap-dev libsqlite3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev qt6-charts-dev libqt6opengl6-dev
  libcap-dev iproute2 openssh-server openssh-client
  ieee-data netbase tcpdump tcpreplay python3 python3-scapy python3-impacket
  libsystemd-dev systemd dbus
  scdoc file dpkg-dev lintian desktop-file-utils shared-mime-info libglib2.0-bin man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get -o DPkg::Lock::Timeout=600 update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
