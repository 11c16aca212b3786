# Finding a crash of one of our programs in a suite's output. A suite that
# passes when run again still crashed the first time: such a line fails the
# run. Tests that crash a program on purpose read that program's standard
# error themselves, so their lines never reach a suite's output.

# Wine's report of an exception nobody handled; a sanitizer's report
# (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer's
# "file:line:column: runtime error: ..."); the C++ runtime's last words on an
# exception nobody caught.
crash_pattern='wine: Unhandled (page fault|exception|illegal instruction|stack overflow)|Unhandled exception:|ERROR: (AddressSanitizer|LeakSanitizer)|(:[0-9]+|<unknown>): runtime error: |terminate called (after throwing|without an active exception|recursively)'

# The first crash lines of the given logs (missing logs are skipped).
crash_lines() {
  local log
  for log in "$@"; do
    [ -f "$log" ] && grep -aE "$crash_pattern" "$log"
  done | head -n 5
}

# Checks crash_lines on sample logs: each kind of report is found, and
# lines of passing suites that merely hold these words are not.
crash_scan_selfcheck() {
  local sample line missed=0 taken
  sample=$(mktemp -d)
  while IFS= read -r line; do
    printf '[ RUN      ] Suite.Test\n%s\n[       OK ] Suite.Test (1 ms)\n' "$line" >"$sample/crashed.log"
    if [ "$(crash_lines "$sample/crashed.log" "$sample/missing.log")" != "$line" ]; then
      echo "the crash scan misses: $line"
      missed=1
    fi
  done <<'LOG'
wine: Unhandled page fault on read access to 0000000000000000 at address 000000014005ADF6 (thread 0424), starting debugger...
wine: Unhandled exception 0xc0000409 in thread 0130 at address 00000001400019B2 (thread 0130), starting debugger...
==4242==ERROR: AddressSanitizer: heap-use-after-free on address 0x602000000010 at pc 0x55d0 bp 0x7ffc sp 0x7ffc
==4243==ERROR: LeakSanitizer: detected memory leaks
src/base/Text.cpp:12:7: runtime error: signed integer overflow: 2147483647 + 1 cannot be represented in type 'int'
terminate called after throwing an instance of 'std::runtime_error'
terminate called without an active exception
LOG
  cat >"$sample/clean.log" <<'LOG'
[ RUN      ] ColourTextTest.Values
    terminated text
[       OK ] EnvironmentTest.Unterminated (0 ms)
the runtime error: is only a phrase here
stand-in runtime: main class not found
../../tests/e2e/SingleInstanceTest.cpp:40: Failure
[  PASSED  ] 12 tests.
LOG
  taken=$(crash_lines "$sample/clean.log")
  rm -rf "$sample"
  if [ -n "$taken" ]; then
    echo "the crash scan takes for a crash: $taken"
    missed=1
  fi
  return "$missed"
}
