#!/bin/sh
# dumpreg on a small image that prints large (48 KB of compressed boolean
# arrays, about 97 MB of text): it streams, so it runs in a fixed address
# space that the whole text would not fit in, and prints every node.
set -eu
tool=$1
image=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

( ulimit -v 65536; "$tool" dumpreg "$image" > "$out" ) || fail "dumpreg did not finish within 64 MB of address space"
size=$(wc -c < "$out")
[ "$size" -gt 90000000 ] || fail "only $size bytes printed"
nodes=$(grep -c '^  node 0x4A2' "$out")
[ "$nodes" = 200 ] || fail "$nodes array nodes printed, 200 expected"
tail -n 1 "$out" | grep -qx '}' || fail "the description is not closed"
echo "sgvrtool dumpreg memory: ok"
