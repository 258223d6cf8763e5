#!/bin/sh
# sgvrtool lint over the build's packages and over copies broken one way each:
# every broken requirement must fail the lint with a line that names it.
# usage: lint_test.sh SGVRTOOL MKPATCH KEYS PACKAGE_DIR PROGRAM TARGET_MSI PATCH_DLL TEST_KEYS FIX_ID
set -eu
tool=$1 mkpatch=$2 keys=$3 packages=$4 program=$5 target=$6 dll=$7 testkeys=$8 id=$9
x86=$packages/$id-x86.msp
x64=$packages/$id-x64.msp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
lint() { "$tool" lint --keys "$keys" --fix-id "$id" "$@" > "$work/out" 2>&1; }
passes() { lint "$@" || fail "lint refused $*: $(cat "$work/out")"; }
# fails PATTERN ARGS...: the lint exits 1 and a FAIL line matches PATTERN.
fails() {
  pattern=$1
  shift
  if lint "$@"; then fail "lint passed $*: $(cat "$work/out")"; fi
  grep -q "^FAIL .*$pattern" "$work/out" || fail "no FAIL line '$pattern' for $*: $(cat "$work/out")"
}

# The build's packages, as a pair and inside the program.
passes --x86 "$x86" --x64 "$x64"
grep -q "custom action RegisterHotfixesInfo: patch-uninstall action (ExtendedType 0x00008000)" "$work/out" ||
  fail "patch-uninstall flag not reported: $(cat "$work/out")"
[ "$(grep -c '^OK ' "$work/out")" -eq 2 ] || fail "two OK lines: $(cat "$work/out")"
grep -q "signature valid under $id.msp" "$work/out" || fail "signature line: $(cat "$work/out")"
passes "$program"
grep -q "^OK $program \[PATCHDATA 101\]" "$work/out" || fail "resource 101: $(cat "$work/out")"
grep -q "^OK $program \[PATCHDATA 102\]" "$work/out" || fail "resource 102: $(cat "$work/out")"
grep -q "platform x64;1033" "$work/out" || fail "102 platform: $(cat "$work/out")"

# Not signed, signed twice, signed under another name.
fails "not signed: no signature trailer" "$packages/unsigned/$id-x86.msp"
cp "$x86" "$work/twice.msp"
tail -c 94 "$x86" >> "$work/twice.msp"
fails "signed 2 times" "$work/twice.msp"
cp "$packages/unsigned/$id-x86.msp" "$work/other.msp"
"$tool" sign --object-name other.msp "$testkeys/test-oper.key" "$work/other.msp"
fails "signature not valid (0xC58506ED, status 0x38F3542D)" "$work/other.msp"
# One byte changed after signing.
cp "$x86" "$work/altered.msp"
printf 'X' | dd of="$work/altered.msp" bs=1 seek=3000 conv=notrunc 2> /dev/null
fails "signature not valid" "$work/altered.msp"

# Not a package at all, and a package cut short: refused, never a crash.
printf 'NAME="Debian GNU/Linux"\n' > "$work/text.msp"
fails "not a compound file" "$work/text.msp"
head -c 5000 "$x86" > "$work/cut.msp"
if lint "$work/cut.msp"; then fail "a cut package passed"; fi
grep -q '^FAIL ' "$work/out" || fail "cut package: $(cat "$work/out")"

# The pair: platforms swapped, patch GUIDs that differ.
fails "the package for Intel;1033 (resource 101) must be" --x86 "$x64" --x64 "$x86"
"$mkpatch" "$work/guid.msp" --platform x64 --target "$target" --ca "$dll" --letter "$id" \
  --guid "{0B6C4E5A-7D21-4F3B-9E8A-1C2D3E4F5A6B}" --file "readme.txt=$dll"
"$tool" sign --object-name "$id.msp" "$testkeys/test-oper.key" "$work/guid.msp"
passes "$work/guid.msp"
fails "differs from the other package's" --x86 "$x86" --x64 "$work/guid.msp"

# Another fix id, another product.
fails "PatchInfo Letter \"$id\" is not the fix id \"zz99\"" --fix-id zz99 "$x86"
grep -q 'DisplayName .* does not end in "(Patch zz99)"' "$work/out" || fail "display name: $(cat "$work/out")"
fails "does not target product {11111111-2222-3333-4444-555555555555}" \
  --product "{11111111-2222-3333-4444-555555555555}" "$x86"

# A package of another fix id made by mkpatch: its own cabinet stream, media
# row and letter, and the lint of that id accepts it once signed as such.
"$mkpatch" "$work/zz99.msp" --platform x86 --target "$target" --ca "$dll" --letter zz99 --file "readme.txt=$dll"
"$tool" sign --object-name zz99.msp "$testkeys/test-oper.key" "$work/zz99.msp"
"$tool" lint --keys "$keys" --fix-id zz99 "$work/zz99.msp" > "$work/out" || fail "zz99: $(cat "$work/out")"
grep -q 'display name "ZEP 8 private fix (Patch zz99)"' "$work/out" || fail "zz99 display: $(cat "$work/out")"
grep -a -q 'PatchCab_zz99' "$work/zz99.msp" || fail "zz99 cabinet stream name"

# Usage.
if "$tool" lint --keys "$keys" --x86 "$x86" > /dev/null 2>&1; then fail "--x86 without --x64 accepted"; fi
"$mkpatch" --help > "$work/help" || fail "mkpatch --help exit status"
grep -q -- "--letter ID" "$work/help" && grep -q "ExtendedType 0x8000" "$work/help" || fail "mkpatch --help text"
echo "sgvrtool lint: all passed"
