# Sourced by make run and the benchmarks: a network namespace for the receiver's TAP interface,
# so that the computer's own interfaces are left alone.
#
# cv7_namespace NAME: makes the namespace with its loopback up, reverse-path filtering off
# (a receive-only link has no return route) and a stand-in interface host0 with 192.0.2.1/24
# as the computer's own address (a dummy interface, or a bridge where the kernel has no dummy
# interfaces). Fails, leaving nothing behind, without root or when a step fails.
cv7_namespace() {
  [ "$(id -u)" -eq 0 ] && ip netns add "$1" 2>/dev/null || return 1
  local in_ns=(ip netns exec "$1")
  if "${in_ns[@]}" ip link set lo up &&
     "${in_ns[@]}" sh -c 'echo 0 > /proc/sys/net/ipv4/conf/all/rp_filter' &&
     { "${in_ns[@]}" ip link add host0 type dummy 2>/dev/null || "${in_ns[@]}" ip link add host0 type bridge; } &&
     "${in_ns[@]}" ip addr add 192.0.2.1/24 dev host0 &&
     "${in_ns[@]}" ip link set host0 up; then
    return 0
  fi
  ip netns del "$1"
  return 1
}
