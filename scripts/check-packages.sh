#!/usr/bin/env bash
# The packages as an administrator meets them: lintian over both, the agent's package free of
# Qt, both installed with apt on this machine, what they installed tried from /usr/bin, and
# both purged again. Needs root and packages not installed already (it will not touch an
# installation of someone else's). Usage: scripts/check-packages.sh [DEB_DIR] (build/deb)
set -uo pipefail
cd "$(dirname "$0")/.."
debs=$(realpath "${1:-build/deb}")
shopt -s nullglob
palomet=("$debs"/palomet_*.deb)
agent=("$debs"/palometsrv_*.deb)
if [ ${#palomet[@]} -ne 1 ] || [ ${#agent[@]} -ne 1 ]; then
  echo "check-packages: want one palomet and one palometsrv package in $debs (make deb)"
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -q -o DPkg::Lock::Timeout=600 -o Dpkg::Use-Pty=0 -y)
passed=0
failed=0
# check NAME COMMAND...: runs it, shows its output, counts it.
check() {
  local name=$1 out
  shift
  if out=$("$@" 2>&1); then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
  fi
  [ -z "$out" ] || sed 's/^/     /' <<<"$out"
}

echo "== lintian (an error or a warning fails; information tags are shown)"
check "lintian: no error or warning" lintian --fail-on error,warning --display-info --show-overrides "${palomet[0]}" "${agent[0]}"
check "palometsrv depends on no Qt library" \
  bash -c 'deps=$(dpkg-deb -I "$1" | grep "^ Depends:"); echo "$deps"; ! grep -qi "qt" <<<"$deps"' _ "${agent[0]}"
# The workbench comes with the build where Qt 6 was found (PALOMET_GUI); palomet-cli alone needs no Qt.
workbench=no
# (The listing is read whole first: grep -q leaving a pipe early fails it under pipefail.)
contents=$(dpkg-deb -c "${palomet[0]}")
grep -q ' \./usr/bin/palomet$' <<<"$contents" && workbench=yes
check "palomet depends on Qt exactly when it holds the workbench (workbench: $workbench)" \
  bash -c 'deps=$(dpkg-deb -f "$1" Depends); echo "Depends: $deps"; [ "$(grep -c libqt6widgets6 <<<"$deps")" = "$2" ]' \
  _ "${palomet[0]}" "$([ $workbench = yes ] && echo 1 || echo 0)"
check "both carry the project's version" \
  bash -c 'v=$(sed -n "s/^project(palomet VERSION \([0-9.]*\).*/\1/p" CMakeLists.txt); [ "$(dpkg-deb -f "$1" Version)" = "$v" ] && [ "$(dpkg-deb -f "$2" Version)" = "$v" ]' _ "${palomet[0]}" "${agent[0]}"

if dpkg-query -W -f='${db:Status-Abbrev}\n' palomet palometsrv 2>/dev/null | grep -q '^.[^n]'; then
  echo "check-packages: palomet or palometsrv is installed on this machine already; not touching it"
  exit 1
fi
trap '"${apt[@]}" purge palomet palometsrv >/dev/null 2>&1' EXIT

echo "== apt-get install ${palomet[0]} ${agent[0]}"
check "apt-get install both" "${apt[@]}" install --no-install-recommends "${palomet[0]}" "${agent[0]}"
unit=$(dpkg -L palometsrv | grep '/palometsrv\.service$')
if [ -d /run/systemd/system ]; then
  check "systemctl cat palometsrv" systemctl cat palometsrv.service
else
  check "the unit ($unit; systemd is not running)" cat "$unit"
fi
check "the unit runs /usr/bin/palometsrv and is valid" \
  bash -c 'grep -qx "ExecStart=/usr/bin/palometsrv \$PALOMET_ARGS" "$1" && systemd-analyze verify "$1"' _ "$unit"
check "the agent is left disabled" bash -c '[ "$(systemctl is-enabled palometsrv.service 2>/dev/null)" = disabled ]'
check "palometsrv --help from /usr/bin" bash -c '/usr/bin/palometsrv --help | sed -n "/^Usage/,/--port/p"'
check "palomet-cli info on the installed sample" /usr/bin/palomet-cli info /usr/share/palomet/samples/sample.tns
check "palomet-cli finds the installed tables" \
  bash -c 'cd / && /usr/bin/palomet-cli tables --tsv | tee /dev/stderr | grep -q "/usr/share/palomet/tables"'
check "the packaged palomet-cli knows no demonstration table of services" \
  bash -c 'PALOMET_SERVICES=simulated /usr/bin/palomet-cli service list 2>&1 >/dev/null | grep -q "not a service manager this program knows"'
pages=(palomet-cli palometsrv)
[ $workbench = no ] || pages+=(palomet)
check "man -w finds every page (${pages[*]})" man -w "${pages[@]}"
check "bash completion installed" \
  bash -c 'ls /usr/share/bash-completion/completions/palomet-cli /usr/share/bash-completion/completions/palometsrv'
if [ $workbench = yes ]; then
  check "palomet --version from /usr/bin" env QT_QPA_PLATFORM=offscreen /usr/bin/palomet --version
  check "desktop-file-validate on the installed entry" desktop-file-validate /usr/share/applications/palomet.desktop
  check "a trace file is the trace type, opened by the workbench" \
    bash -c 'gio info -a standard::content-type /usr/share/palomet/samples/sample.tns | grep -q application/x-palomet-trace &&
             gio mime application/x-palomet-trace | tee /dev/stderr | grep -q palomet.desktop'
else
  check "desktop-file-validate on the entry (not installed: this build has no workbench)" \
    desktop-file-validate packaging/desktop/palomet.desktop
fi

echo "== apt-get purge palomet palometsrv"
check "apt-get purge both" "${apt[@]}" purge palomet palometsrv
check "nothing left behind" bash -c '! ls /usr/bin/palomet-cli /usr/bin/palometsrv /usr/share/palomet "$1" /etc/default/palometsrv 2>/dev/null' _ "$unit"
trap - EXIT

echo "check-packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
