#!/bin/sh
# Stands in for ssh in the tests (PALOMET_SSH): checks that the options come as the service
# layer must pass them (batch mode, a bounded connect, "--" before the host), writes the host
# to $FAKE_SSH_LOG, and runs the remote command line here, where the test's bus is.
[ "$1" = -xT ] && [ "$2" = -oBatchMode=yes ] && [ "$3" = -oConnectTimeout=10 ] && [ "$4" = -- ] || {
    echo "fake-ssh: unexpected options: $*" >&2
    exit 255
}
host=$5
shift 5
[ -n "${FAKE_SSH_LOG:-}" ] && printf '%s\n' "$host" >>"$FAKE_SSH_LOG"
case "$host" in
    unreachable*) echo "ssh: Could not resolve hostname $host: Name or service not known" >&2; exit 255 ;;
esac
exec /bin/sh -c "$*"
