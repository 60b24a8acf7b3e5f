#!/usr/bin/env bash
# A real systemd user manager for the service tests, on machines where systemd is not PID 1
# (containers, CI): as root, a cgroup of our own becomes the root of a private cgroup
# namespace with its own cgroup2 mount, a session bus starts in it, and systemd --user runs
# on that bus with a home, runtime and unit directory of its own. The test units it offers
# are written before it starts.
#
#   systemd-harness.sh start ENV_FILE   start it; ENV_FILE gets the variables the tests use,
#                                       or SKIP=<reason> where it cannot run here
#   systemd-harness.sh stop ENV_FILE    stop it and everything it ran, remove its files
#
# PALOMET_REQUIRE_SYSTEMD=1 makes a start that cannot run here fail instead of skip.
set -uo pipefail

self=$(readlink -f "$0")
command=${1:?usage: systemd-harness.sh start|stop ENV_FILE}
envfile=${2:-}

skip() {
    printf 'SKIP=%s\n' "$1" >"$envfile"
    if [ "${PALOMET_REQUIRE_SYSTEMD:-0}" = 1 ]; then
        echo "systemd harness cannot start (PALOMET_REQUIRE_SYSTEMD=1): $1" >&2
        exit 1
    fi
    echo "systemd harness skipped: $1"
    exit 0
}

find_systemd() {
    local p
    for p in /lib/systemd/systemd /usr/lib/systemd/systemd; do
        [ -x "$p" ] && { echo "$p"; return 0; }
    done
    return 1
}

# Where cgroup2 is mounted (/sys/fs/cgroup, or /sys/fs/cgroup/unified on hybrid hosts).
cgroup2_mount() {
    awk '{ for (i = 7; i <= NF; i++) if ($i == "-") { if ($(i + 1) == "cgroup2") print $5; break } }' /proc/self/mountinfo | head -n1
}

write_units() {
    local dir=$1
    mkdir -p "$dir"
    unit() { cat >"$dir/$1"; }
    unit palometsrv.service <<'U'
[Unit]
Description=Palomet capture agent
[Service]
ExecStart=/bin/sleep infinity
[Install]
WantedBy=default.target
U
    local name
    for name in freeze startup masked cli listing remote; do
        unit "pm-$name.service" <<U
[Unit]
Description=Palomet test service $name
[Service]
ExecStart=/bin/sleep infinity
[Install]
WantedBy=default.target
U
    done
    unit pm-account.service <<'U'
[Unit]
Description=Palomet test service with an account
[Service]
Type=exec
ExecStart=/bin/sleep infinity
U
    unit pm-static.service <<'U'
[Unit]
Description=Palomet test service without an install section
[Service]
ExecStart=/bin/sleep infinity
U
    unit pm-slow.service <<'U'
[Unit]
Description=Palomet test service that starts slowly
[Service]
ExecStartPre=/bin/sleep 20
ExecStart=/bin/sleep infinity
U
    unit pm-refuse.service <<'U'
[Unit]
Description=Palomet test service that refuses a manual stop
RefuseManualStop=yes
[Service]
ExecStart=/bin/sleep infinity
U
    unit pm-fail.service <<'U'
[Unit]
Description=Palomet test service that fails
[Service]
Type=oneshot
ExecStart=/bin/sh -c 'sleep 0.2; exit 3'
U
    # A unit a hostile host might hold: a terminal escape and a right-to-left override in its
    # description, an escape in its command line.
    printf '[Unit]\nDescription=Backup \033]0;owned\007 \342\200\256gpj.exe\n[Service]\nExecStart=/bin/sleep infinity \\x1b[2J\n' \
        >"$dir/pm-hostile.service"
    unit pm-notify.service <<'U'
[Unit]
Description=Palomet test service that reports ready late
[Service]
Type=notify
NotifyAccess=all
ExecStart=/bin/sh -c 'sleep 0.5; systemd-notify --ready; exec sleep infinity'
U
}

start() {
    [ -n "$envfile" ] || { echo "usage: systemd-harness.sh start ENV_FILE" >&2; exit 2; }
    rm -f "$envfile"
    [ "$(id -u)" -eq 0 ] || skip "not root: a private cgroup namespace needs root"
    local systemd tool
    systemd=$(find_systemd) || skip "no systemd binary (install the systemd package)"
    for tool in dbus-daemon unshare systemctl busctl; do
        command -v "$tool" >/dev/null || skip "no $tool on this machine"
    done
    local mnt own cg dir
    mnt=$(cgroup2_mount)
    [ -n "$mnt" ] || skip "no cgroup2 hierarchy mounted"
    own=$(sed -n 's/^0:://p' /proc/self/cgroup)
    cg="$mnt${own%/}/palomet-systemd-$$"
    mkdir "$cg" 2>/dev/null || skip "cannot make a cgroup under $mnt${own%/} (read-only or not delegated)"
    dir=$(mktemp -d /tmp/palomet-systemd.XXXXXX)
    mkdir -p "$dir/home/.config" "$dir/home/.local/share" "$dir/run"
    chmod 700 "$dir/run"
    write_units "$dir/home/.local/share/systemd/user"
    cat >"$dir/bus.conf" <<C
<busconfig>
  <type>session</type>
  <listen>unix:path=$dir/run/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
C
    {
        echo "PALOMET_SYSTEMD_DIR=$dir"
        echo "PALOMET_SYSTEMD_CGROUP=$cg"
        echo "HOME=$dir/home"
        echo "XDG_RUNTIME_DIR=$dir/run"
        echo "XDG_CONFIG_HOME=$dir/home/.config"
        echo "XDG_DATA_HOME=$dir/home/.local/share"
        echo "DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/run/bus"
        echo "PALOMET_SYSTEMD_UNITS=$dir/home/.local/share/systemd/user"
    } >"$dir/env"

    # The subshell moves itself into the new cgroup, then becomes the namespace's first process.
    (
        echo "$BASHPID" >"$cg/cgroup.procs" || exit 1
        exec unshare -m -C --propagation private /bin/bash "$self" inside "$dir" "$systemd"
    ) >"$dir/log" 2>&1 </dev/null &

    local i state=""
    for i in $(seq 100); do
        state=$(env -i PATH="$PATH" $(cat "$dir/env") systemctl --user show --property=SystemState --value 2>/dev/null)
        case "$state" in running | degraded) break ;; esac
        sleep 0.1
    done
    case "$state" in
        running | degraded) ;;
        *)
            local why
            why=$(tail -n 3 "$dir/log" | tr '\n' ' ')
            printf 'PALOMET_SYSTEMD_DIR=%s\nPALOMET_SYSTEMD_CGROUP=%s\n' "$dir" "$cg" >"$envfile"
            stop_all "$dir" "$cg"
            skip "the user manager did not come up (${state:-no answer}): $why"
            ;;
    esac
    cp "$dir/env" "$envfile"
    echo "systemd user manager ready in $dir ($(systemctl --version | head -n1))"
}

# Inside the namespaces: our own cgroup2 view and an empty /run (whose systemd/system tells
# systemd it manages this machine), the bus, then the manager itself.
inside() {
    local dir=$1 systemd=$2
    mount -t cgroup2 cgroup2 /sys/fs/cgroup || exit 1
    mount -t tmpfs tmpfs /run || exit 1
    mkdir -p /run/systemd/system
    set -a
    . "$dir/env"
    set +a
    dbus-daemon --config-file="$dir/bus.conf" --fork --nopidfile || exit 1
    echo $$ >"$dir/manager.pid"
    exec "$systemd" --user
}

stop_all() {
    local dir=$1 cg=$2 i pid
    if [ -f "$dir/manager.pid" ]; then
        pid=$(cat "$dir/manager.pid")
        if [ -n "$cg" ] && find "$cg" -name cgroup.procs -exec cat {} + 2>/dev/null | grep -qx "$pid"; then
            kill -TERM "$pid" 2>/dev/null
        fi
        for i in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    if [ -d "$cg" ]; then
        # Whatever the manager left behind (its bus, services) dies with the cgroup.
        if [ -f "$cg/cgroup.kill" ]; then
            echo 1 >"$cg/cgroup.kill"
        else
            find "$cg" -name cgroup.procs -exec cat {} + | xargs -r kill -KILL 2>/dev/null
        fi
        for i in $(seq 50); do grep -q 'populated 0' "$cg/cgroup.events" 2>/dev/null && break; sleep 0.1; done
        find "$cg" -depth -type d -exec rmdir {} + 2>/dev/null
    fi
    case "$dir" in /tmp/palomet-systemd.*) rm -rf "$dir" ;; esac
}

stop() {
    [ -f "$envfile" ] || exit 0
    local dir cg
    dir=$(sed -n 's/^PALOMET_SYSTEMD_DIR=//p' "$envfile")
    cg=$(sed -n 's/^PALOMET_SYSTEMD_CGROUP=//p' "$envfile")
    [ -n "$dir" ] && stop_all "$dir" "$cg"
    rm -f "$envfile"
}

case "$command" in
    start) start ;;
    stop) stop ;;
    inside) inside "$2" "$3" ;;
    *) echo "usage: systemd-harness.sh start|stop ENV_FILE" >&2; exit 2 ;;
esac
