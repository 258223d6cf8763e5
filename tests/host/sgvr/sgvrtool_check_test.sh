#!/bin/sh
# sgvrtool check against the build's tl.pbv/oper.pbv, and mkroot for a vendor's root.
set -eu
tool=$1
keys=$2
testkeys=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

head -c 20000 /dev/zero | tr '\0' 'P' > "$work/hf41.msp"
cp "$work/hf41.msp" "$work/unsigned.msp"
"$tool" sign --object-name hf41.msp "$testkeys/test-oper.key" "$work/hf41.msp"

"$tool" check --keys "$keys" "$work/hf41.msp" > "$work/out" || fail "signed package refused: $(cat "$work/out")"
grep -qx "VALID 0xE9BA5770 $work/hf41.msp" "$work/out" || fail "verdict line: $(cat "$work/out")"

# The lower-cased file name is what was signed.
mkdir "$work/UP"
cp "$work/hf41.msp" "$work/UP/HF41.MSP"
"$tool" check --keys "$keys" "$work/UP/HF41.MSP" > /dev/null || fail "upper-case name refused"
cp "$work/hf41.msp" "$work/renamed.msp"
if "$tool" check --keys "$keys" "$work/renamed.msp" > "$work/out"; then fail "renamed package passed"; fi
grep -q "INVALID 0xC58506ED .*renamed.msp (status 0x38F3542D)" "$work/out" || fail "renamed: $(cat "$work/out")"

if "$tool" check --keys "$keys" "$work/unsigned.msp" > "$work/out"; then fail "unsigned package passed"; fi
grep -q "INVALID 0xC58506ED .*(status 0x08CD9BAC)" "$work/out" || fail "unsigned: $(cat "$work/out")"

# Several files: one line each, exit 1 when any fails.
if "$tool" check --keys "$keys" "$work/hf41.msp" "$work/unsigned.msp" > "$work/out"; then fail "exit 0 with a failure"; fi
[ "$(wc -l < "$work/out")" -eq 2 ] || fail "one line per file"

# No tl.pbv: the registries cannot be read.
mkdir "$work/nokeys"
cp "$keys/oper.pbv" "$work/nokeys/"
if "$tool" check --keys "$work/nokeys" "$work/hf41.msp" > "$work/out"; then fail "passed without tl.pbv"; fi
grep -q "cannot read $work/nokeys/tl.pbv" "$work/out" || fail "missing tl.pbv: $(cat "$work/out")"

# A vendor's own root: mkroot makes the 120-byte built-in registry; the test
# registries do not chain to it.
"$tool" keygen "$work/vendor.key" > /dev/null
"$tool" mkroot "$work/vendor.key" "$work/builtin.reg"
[ "$(wc -c < "$work/builtin.reg")" -eq 120 ] || fail "mkroot size"
if "$tool" check --builtin "$work/builtin.reg" --keys "$keys" "$work/hf41.msp" > "$work/out"; then
  fail "test registries passed under another root"
fi
grep -q "INVALID 0x38F3542D" "$work/out" || fail "other root: $(cat "$work/out")"
"$tool" mkroot "$testkeys/test-builtin-root.key" "$work/test-builtin.reg"
"$tool" check --builtin "$work/test-builtin.reg" --keys "$keys" "$work/hf41.msp" > /dev/null || fail "--builtin test root"
echo "sgvrtool check: all passed"
