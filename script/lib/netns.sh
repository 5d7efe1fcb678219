# Source this file. in_private_network CMD...: runs CMD in a private network namespace with only the
# loopback interface up, so a daemon on 127.0.0.1:6063 is this run's own and meets no other checkout's.
# Where namespaces are not permitted, CMD runs directly (and shares the machine's port 6063).
in_private_network() {
  if unshare -n true 2>/dev/null; then
    unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
  else
    echo "note: no private network namespace here; sharing the machine's port 6063" >&2
    "$@"
  fi
}
