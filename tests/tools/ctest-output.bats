#!/usr/bin/env bats
# The test command names the tests that passed only on their second run and the skipped ones,
# read from what CTest wrote. The fixtures are the output of a real CTest (3.25, run as the
# test command runs it: --output-on-failure -j2 --repeat until-pass:2) over tests that print
# what GoogleTest prints and end each way CTest knows: passed, failed, crashed, timed out,
# skipped; some of them only on their first run.

load test_helper

@test "the tests that passed on a second run are named, whatever ended the first (Failed, Exception, Timeout); each skipped one with its reason" {
  stand_in_checkout
  record_ctest build-x64 retried-and-skipped
  run_command_with LEXIFERRY_32BIT=no -- tools/test.sh
  assert_status 0
  [ "$(tail -n 8 <<<"$output")" = "Reproducible.
Passed on a second run after a failed first one (see above):
  TransformEndToEnd.WritesTheImportFile
  FaultMatrix.SgToolCrashes
  Window.ShowsFourBoxes
Skipped, not passed (1):
  KestrixImeStandin.ReceivesEscapeThroughTheInputMethodManager: the other width's stand-in IME is not installed: LEXIFERRY_32BIT=no forces the 64-bit-only way
The 32-bit program that ships is built and read here, not run: LEXIFERRY_32BIT=no forces the 64-bit-only way. Every test runs on the 64-bit program instead, with the stand-in IME in System32 only." ]
}

@test "a test that failed both runs fails the command, and nothing is called passed on a second run" {
  stand_in_checkout
  record_ctest build failed
  run_command tools/test.sh
  assert_status 8
  [ "$(tail -n 5 <<<"$output")" = "Errors while running CTest
== The 64-bit program: the transfer, the registry views, the sync and the DLL search
100% tests passed, 0 tests failed out of 2
== The release: the same bytes from the same source
Reproducible." ]
}
