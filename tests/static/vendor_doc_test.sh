#!/bin/sh
# docs/VENDOR.md as written: every shell block marked <!-- vendor-test --> runs,
# in order, in a fresh folder with the tools on the PATH. Then what the
# document promises a release build refuses: the TEST keys, and packages that
# are not signed.
# usage: vendor_doc_test.sh SRC SGVRTOOL MKPATCH X86_MSI X64_MSI PATCH_DLL
set -eu
SRC=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir "$WORK/bin"
ln -s "$2" "$WORK/bin/sgvrtool"
ln -s "$3" "$WORK/bin/mkpatch"
PATH=$WORK/bin:$PATH
ZEP8_X86_MSI=$4
ZEP8_X64_MSI=$5
PATCH_DLL=$6
FIX_FILE=$WORK/readme.txt
echo "the fixed readme" > "$FIX_FILE"
export SRC WORK PATH ZEP8_X86_MSI ZEP8_X64_MSI PATCH_DLL FIX_FILE

# The marked blocks, joined into one script.
awk '/<!-- vendor-test -->/ { armed = 1; next }
     armed && /^```sh/ { inside = 1; next }
     inside && /^```/ { inside = 0; armed = 0; print "echo \"--- block done\""; next }
     inside { print }' "$SRC/docs/VENDOR.md" > "$WORK/doc.sh"
[ "$(grep -c 'block done' "$WORK/doc.sh")" -ge 6 ] || fail "fewer marked blocks than the document has"
sh -eu "$WORK/doc.sh" > "$WORK/doc.log" 2>&1 || fail "the documented workflow failed: $(tail -30 "$WORK/doc.log")"

# What the blocks claim, seen in their output.
grep -q "^OK hf41-x86.msp" "$WORK/doc.log" || fail "lint of the packages: $(cat "$WORK/doc.log")"
grep -q "^OK build/patcher/hf41.exe \[PATCHDATA 102\]" "$WORK/doc.log" || fail "lint of the program"
grep -q "ZEP fix build summary" "$WORK/doc.log" || fail "no configure summary"
if grep -q "THIS IS A TEST BUILD" "$WORK/doc.log"; then fail "the vendor build calls itself a test build"; fi
grep -q "built-in trust root:   vendor registry $WORK/builtin.reg" "$WORK/doc.log" || fail "summary trust root"
# The embedded packages are the vendor's, byte for byte.
cmp "$WORK/hf41-x64.msp" "$WORK/build/patcher/resources/packages/hf41-x64.msp" || fail "package 102 changed"

# The release preset with the TEST keys: refused at configure time.
cd "$SRC"
if cmake --preset release -B "$WORK/refused" > "$WORK/refused.log" 2>&1; then fail "release preset took the TEST keys"; fi
grep -q "A release build cannot use: TEST trust root" "$WORK/refused.log" || fail "refusal: $(cat "$WORK/refused.log")"

# Unsigned packages given to the release build: the build fails, naming the
# package and that it is not signed.
cd "$WORK"
mkpatch unsigned-x86.msp --platform x86 --target "$ZEP8_X86_MSI" --ca "$PATCH_DLL" --file readme.txt="$FIX_FILE"
mkpatch unsigned-x64.msp --platform x64 --target "$ZEP8_X64_MSI" --ca "$PATCH_DLL" --file readme.txt="$FIX_FILE"
cmake -S "$SRC" -B "$WORK/build" -DZEP_PACKAGE_X86="$WORK/unsigned-x86.msp" -DZEP_PACKAGE_X64="$WORK/unsigned-x64.msp" \
  > /dev/null
if cmake --build "$WORK/build" --target hf41 > "$WORK/unsigned.log" 2>&1; then fail "unsigned packages embedded"; fi
grep -q "package $WORK/unsigned-x..\.msp: not signed as hf41.msp" "$WORK/unsigned.log" ||
  fail "unsigned: $(cat "$WORK/unsigned.log")"
echo "docs/VENDOR.md: all passed"
