# Sourced by the tshark comparisons: tshark comes from Debian when it is missing (it is too
# big for the CI's dependencies).
if ! command -v tshark >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends tshark >/dev/null
fi
