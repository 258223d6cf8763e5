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
# ... with the patcher's code for a missing file, naming the registry.
grep -q "^INVALID 0x80010102 $work/hf41.msp (key registry $work/nokeys/tl.pbv: .*file not found)" "$work/out" ||
  fail "missing tl.pbv code: $(cat "$work/out")"
# A missing package: its own line with the same code, the others still checked.
if "$tool" check --keys "$keys" "$work/absent.msp" "$work/hf41.msp" > "$work/out"; then fail "absent file passed"; fi
grep -qx "INVALID 0x80010102 $work/absent.msp (cannot read $work/absent.msp: file not found)" "$work/out" ||
  fail "absent file: $(cat "$work/out")"
grep -qx "VALID 0xE9BA5770 $work/hf41.msp" "$work/out" || fail "file after the absent one: $(cat "$work/out")"
# A damaged oper.pbv is named as the registry that failed.
mkdir "$work/badoper"
cp "$keys/tl.pbv" "$work/badoper/"
head -c 100 "$keys/oper.pbv" > "$work/badoper/oper.pbv"
if "$tool" check --keys "$work/badoper" "$work/hf41.msp" > "$work/out"; then fail "damaged oper.pbv passed"; fi
grep -q "key registry $work/badoper/oper.pbv refused: .* (status 0x" "$work/out" ||
  fail "damaged oper.pbv not named: $(cat "$work/out")"

# --object-name: the build's hf41-x86.msp checks under the name the patcher uses.
cp "$work/hf41.msp" "$work/hf41-x86.msp"
if "$tool" check --keys "$keys" "$work/hf41-x86.msp" > "$work/out"; then fail "hf41-x86.msp passed under its file name"; fi
grep -q "hf41-x86.msp as \"hf41-x86.msp\": the signature does not verify" "$work/out" ||
  fail "reason in words: $(cat "$work/out")"
"$tool" check --keys "$keys" --object-name hf41.msp "$work/hf41-x86.msp" > "$work/out" ||
  fail "--object-name hf41.msp: $(cat "$work/out")"

# sign refuses a signed file; --replace puts a new trailer in place of the old.
if "$tool" sign --object-name hf41.msp "$testkeys/test-oper.key" "$work/hf41.msp" 2> "$work/err"; then
  fail "signed a signed file"
fi
grep -q "already signed" "$work/err" || fail "refusal text: $(cat "$work/err")"
[ "$(wc -c < "$work/hf41.msp")" -eq $((20000 + 94)) ] || fail "refused sign changed the file"
cp "$work/unsigned.msp" "$work/resign.msp"
"$tool" sign --object-name other.msp "$testkeys/test-oper.key" "$work/resign.msp"
"$tool" sign --replace --object-name resign.msp "$testkeys/test-oper.key" "$work/resign.msp"
[ "$(wc -c < "$work/resign.msp")" -eq $((20000 + 94)) ] || fail "--replace stacked a trailer"
"$tool" check --keys "$keys" "$work/resign.msp" > /dev/null || fail "--replace: new trailer does not verify"

# mkreg without a registry id is refused instead of writing id 0.
sed '/^registry /d' "$testkeys/oper.desc" > "$work/noid.desc"
cp "$testkeys/test-oper.key" "$work/"
if "$tool" mkreg "$work/noid.desc" "$work/noid.pbv" 2> "$work/err"; then fail "mkreg without an id"; fi
grep -q "names no registry id" "$work/err" || fail "mkreg text: $(cat "$work/err")"
[ ! -e "$work/noid.pbv" ] || fail "mkreg wrote an image without an id"
"$tool" mkreg --id 0x7FFFFA "$work/noid.desc" "$work/noid.pbv" || fail "mkreg --id"

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
