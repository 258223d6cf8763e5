#!/usr/bin/env bash
# End-to-end run of sgvrtool: hash against rhash, key pair, sign, verify, verify-raw.
# Usage: SgvrtoolTest.sh SGVRTOOL
set -u
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
passes=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then passes=$((passes + 1)); else echo "FAIL: $1: expected [$2] got [$3]"; failures=$((failures + 1)); fi
}

# hash: same digits and layout as rhash for non-empty files; the empty file differs.
head -c 176734 /dev/urandom > big.bin
printf 'abc' > abc.txt
: > empty.bin
check "hash abc" "$(rhash --gost94 abc.txt)" "$("$tool" hash abc.txt)"
check "hash big" "$(rhash --gost94 big.bin)" "$("$tool" hash big.bin)"
check "hash empty" "891d358a84c6033cf17bac82d77bb5d6791695a08ffce3768d39fbcacf8b29bd  empty.bin" "$("$tool" hash empty.bin)"
check "hash two files" "2" "$("$tool" hash abc.txt big.bin | wc -l | tr -d ' ')"
"$tool" hash missing.bin > /dev/null 2>&1; check "hash missing exit" "1" "$?"

# keygen / pubkey
pub=$("$tool" keygen k.key); check "keygen exit" "0" "$?"
check "pubkey length" "128" "${#pub}"
check "pubkey again" "$pub" "$("$tool" pubkey k.key)"
check "key file mode" "600" "$(stat -c %a k.key)"
"$tool" keygen k.key > /dev/null 2>&1; check "keygen refuses existing file" "1" "$?"
pub2=$("$tool" keygen k2.key)

# sign / verify with and without an object name
cp big.bin pkg.msp
"$tool" sign --object-name 'C:\Temp\HF41.MSP' k.key pkg.msp; check "sign exit" "0" "$?"
check "trailer appended" "$((176734 + 94))" "$(stat -c %s pkg.msp)"
check "trailer end" "%%" "$(tail -c 2 pkg.msp)"
check "verify same name" "VALID code 0" "$("$tool" verify --object-name hf41.msp "$pub" pkg.msp)"
"$tool" verify --object-name hf41.msp "$pub" pkg.msp > /dev/null; check "verify exit" "0" "$?"
check "verify other name" "INVALID code 5" "$("$tool" verify --object-name hf42.msp "$pub" pkg.msp)"
"$tool" verify --object-name hf42.msp "$pub" pkg.msp > /dev/null; check "invalid exit" "1" "$?"
check "verify without name" "INVALID code 5" "$("$tool" verify "$pub" pkg.msp)"
check "verify other key" "INVALID code 5" "$("$tool" verify --object-name hf41.msp "$pub2" pkg.msp)"
cp abc.txt plain.txt
"$tool" sign k.key plain.txt
check "verify no name" "VALID code 0" "$("$tool" verify "$pub" plain.txt)"
printf 'X' | dd of=plain.txt bs=1 seek=1 conv=notrunc 2> /dev/null
check "tampered body" "INVALID code 5" "$("$tool" verify "$pub" plain.txt)"
check "unsigned file" "INVALID no signature trailer (status 0x08CD9BAC)" "$("$tool" verify "$pub" abc.txt)"

# verify-raw on the RFC 5832 example and its r = 0 variant
key=7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77da
hash=2dfbc1b372d89a1188c09c52e0eec61fce52032ab1022e8e67ece6672b043ee5
s=01456c64ba4642a1653c235a98a60249bcd6d3f746b631df928014f6c5bf9c40
r=41aa28d2f1ab148280cd9ed56feda41974053554a42767b83ad043fd39dc0493
check "verify-raw valid" "VALID code 0" "$("$tool" verify-raw $key $hash $r$s)"
check "verify-raw r=0" "INVALID code 6" "$("$tool" verify-raw $key $hash $(printf '0%.0s' {1..64})$s)"

# usage errors
"$tool" > /dev/null 2>&1; check "no command" "2" "$?"
"$tool" frobnicate > /dev/null 2>&1; check "unknown command" "2" "$?"
"$tool" verify-raw 00 11 22 > /dev/null 2>&1; check "bad hex" "2" "$?"
"$tool" sign --object-name > /dev/null 2>&1; check "sign missing args" "2" "$?"

echo "sgvrtool: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
