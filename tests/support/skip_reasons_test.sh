#!/bin/sh
# skip_reasons_test.sh record-skip cmake SkipReasons.cmake skip_listener_probe
# The skip record: exit codes pass through record-skip untouched, a skip (77)
# records the last line printed, a case that skips itself inside a passing
# GoogleTest program is recorded by the listener, and the summary step prints
# the record.
record=$1 cmake=$2 summary=$3 probe=$4
dir=$(mktemp -d "${TMPDIR:-/tmp}/zep-skip-test-XXXXXX")
trap 'rm -rf "$dir"' EXIT
reasons=$dir/reasons.txt
failures=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: [%s]\n  actual:   [%s]\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

# Exit codes and output pass through; nothing is recorded for a run or a failure.
for code in 0 1 3; do
  out=$(ZEP_SKIP_REASONS=$reasons ZEP_TEST_NAME=t "$record" sh -c "echo out; echo err >&2; exit $code")
  check "exit $code passes through" "$code" "$?"
  check "output of exit $code" "out
err" "$out"
done
check "no record without a skip" "no" "$([ -e "$reasons" ] && echo yes || echo no)"

# A skip records the last non-empty line, stderr included, without CR.
ZEP_SKIP_REASONS=$reasons ZEP_TEST_NAME=first "$record" \
  sh -c 'echo starting; printf "no 32-bit Wine here\r\n" >&2; echo; exit 77' >/dev/null
check "skip status passes through" 77 "$?"
tab=$(printf '\t')
check "reason recorded" "first${tab}no 32-bit Wine here" "$(cat "$reasons")"

# Without a test name the program's name stands; without output, a fixed text.
ZEP_SKIP_REASONS=$reasons env -u ZEP_TEST_NAME "$record" sh -c 'exit 77' >/dev/null
check "second record" "sh${tab}exited with 77 and gave no reason" "$(sed -n 2p "$reasons")"

# Without a record file named, a skip is still a skip.
ZEP_SKIP_REASONS= "$record" sh -c 'echo why; exit 77' >/dev/null
check "skip without a record file" 77 "$?"

# A case that skips itself: recorded under program.Suite.Case with the last
# line of its message; the program still passes.
ZEP_SKIP_REASONS=$dir/listener.txt ZEP_TEST_PROGRAM=probe "$probe" >/dev/null
check "probe passes" 0 "$?"
check "listener record" "probe.Probe.SkipsItself${tab}the reason, on the last line" "$(cat "$dir/listener.txt")"

# The summary: a heading, then the records sorted by test name.
printf 'b-test\tlater reason\n' >> "$reasons"
expected=$(printf 'Why tests were skipped:\n\tb-test: later reason\n\tfirst: no 32-bit Wine here\n\tsh: exited with 77 and gave no reason')
check "summary" "$expected" "$("$cmake" -P "$summary" "$reasons")"
check "no summary without skips" "" "$("$cmake" -P "$summary" "$dir/none.txt")"

[ "$failures" = 0 ] && echo "skip record: all checks passed"
exit "$failures"
