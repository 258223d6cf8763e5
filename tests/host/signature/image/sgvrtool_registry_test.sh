#!/bin/sh
# mkreg and dumpreg end to end: description -> image -> description -> the same image.
set -eu
tool=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$tool" mkreg "$data/all_types.desc" "$work/a.img"
"$tool" dumpreg "$work/a.img" > "$work/a.desc"
"$tool" mkreg "$work/a.desc" "$work/b.img"
cmp "$work/a.img" "$work/b.img" || fail "dump of an image does not rebuild it"

# A signature trailer after the image is ignored.
cp "$work/a.img" "$work/signed.img"
printf '\r\n;:%088d%%%%' 0 >> "$work/signed.img"
"$tool" dumpreg --id 0x123 "$work/signed.img" > "$work/signed.desc"
cmp "$work/a.desc" "$work/signed.desc" || fail "trailer changed the dump"

# Command-line options override the description.
"$tool" mkreg --id 0x7FFFFA --flag 0 --codec 1 --check-block 0 "$data/all_types.desc" "$work/c.img"
"$tool" dumpreg "$work/c.img" > "$work/c.desc"
grep -qx 'registry 0x7FFFFA' "$work/c.desc" || fail "--id"
grep -qx 'flag 0' "$work/c.desc" || fail "--flag"
grep -qx 'codec 1:8192 0' "$work/c.desc" || fail "--codec"
grep -qx 'check-block 0' "$work/c.desc" || fail "--check-block"

# Refusals print the failure code and exit with 1.
printf 'TLrX\001\000\000\000' > "$work/bad.img"
set +e
out=$("$tool" dumpreg "$work/bad.img" 2>/dev/null); rc=$?
set -e
[ "$rc" = 1 ] || fail "exit code $rc for a refused image"
[ "$out" = 0xC2FEF413 ] || fail "printed '$out' for a wrong magic"
set +e
out=$("$tool" dumpreg --id 0x7FFFFE "$work/a.img" 2>/dev/null); rc=$?
set -e
[ "$rc" = 1 ] && [ "$out" = 0x4EF35E4D ] || fail "wrong id: '$out' rc $rc"
echo "sgvrtool mkreg/dumpreg: ok"
