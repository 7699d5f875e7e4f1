#!/bin/bash
# Runs inside the check machine as the job disk's `run` (tests/vm/run puts
# it there, with the release's files in dist/, the end-to-end suite built
# for i686 and the bed's scripts): the suite's sends on the shipped 32-bit
# exes, and what only a 32-bit build can get wrong. Every check runs,
# failed or not; the exit code is 0 only when all CHECKS of them passed.
set -uo pipefail
job=$(pwd)
out="$job/out"
dist="$job/dist"
BED=/tmp/bed
CHECKS=7
passed=0 failed=0
tab=$'\t'

check() {  # check WHAT COMMAND...: passes when the command does
    local what=$1; shift
    if "$@"; then echo "ok: $what (at $SECONDS s)"; passed=$((passed + 1))
    else echo "FAILED: $what (at $SECONDS s)"; failed=$((failed + 1)); fi
}
finish() {
    "$job/testbed/down" "$BED" >/dev/null 2>&1
    echo "vm: $passed of $CHECKS checks passed, $failed failed"
    [ "$failed" -eq 0 ] && [ "$passed" -eq "$CHECKS" ]
    exit $?
}
expect() {  # expect EXPECTED ACTUAL: says both when they differ
    [ "$1" = "$2" ] && return 0
    printf '  expected: %q\n  got:      %q\n' "$1" "$2"
    return 1
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

echo "vm checks: $(uname -srm), $(wine --version), $(nproc) CPUs"

check "sha256sum -c SHA256SUMS (above)" bash -c "cd '$dist' && sha256sum -c SHA256SUMS"
check "the zip's exes are the loose ones" bash -c "cd '$dist' && python3 -c '
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
sys.exit(any(z.read(e) != open(e, \"rb\").read() for e in (\"vantrel.exe\", \"vantrel-send.exe\")))' vantrel-*-win32.zip"

# The bed's helpers run their tools from where they were built.
mkdir -p "$(cat "$job/tools/dir")" && cp "$job/tools/"*.py "$(cat "$job/tools/dir")/"
export VANTREL_WINE_TEMPLATE=/var/lib/vantrel/wine-template-win32
"$job/testbed/up" "$BED" || { failed=$((failed + 1)); echo "FAILED: testbed/up"; finish; }
. "$BED/env.sh"
check "the bed runs 32-bit Wine" expect "wine win32" "$VANTREL_WINE $WINEARCH"
# LPT3: leads nowhere, for files too large to keep; Wine reads this when
# the next profile restarts it.
"$VANTREL_WINE" reg add 'HKLM\Software\Wine\Ports' /v LPT3 /t REG_SZ /d /dev/null /f </dev/null >/dev/null 2>&1

export VANTREL_EXE="$dist/vantrel.exe" VANTREL_SEND_EXE="$dist/vantrel-send.exe"
e2e() {  # e2e PROFILE TEST...: the suite's tests on the shipped exes; each must run and pass
    local profile=$1; shift
    "$job/testbed/profile" "$BED" "$profile" "$VANTREL_WINE" "$job/vantrel_e2e_tests.exe" \
        --gtest_filter="$(IFS=:; echo "$*")" </dev/null | tee "$out/e2e-$profile.log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
    local test
    for test; do
        grep -qF "[       OK ] $test (" "$out/e2e-$profile.log" || { echo "  $test did not run"; return 1; }
    done
}
check "end to end, spool profile (above)" e2e spool \
    Console.ListsThePortsAndSendsByEveryRoadInTheOrderGiven Both.AnyFileNameIsOfferedChosenAndSentUpToTheCharacterLimit
check "end to end, direct profile (above)" e2e direct Console.ListsThePortsAndSendsByEveryRoadInTheOrderGiven

# Its size and counts fit no 32 bits; sparse, it takes no room.
huge=$((4 * 1024 * 1024 * 1024 + 1234567))
truncate -s "$huge" "$BED/huge.prn"
check "vantrel-send counts every byte of a file of $huge" expect "LPT3:${tab}sent${tab}$huge${tab}device
rc 0" "$("$VANTREL_WINE" "$dist/vantrel-send.exe" "$(windows_path "$BED/huge.prn")" LPT3: </dev/null 2>&1; echo "rc $?")"
rm -f "$BED/huge.prn"

# 100 chunks of 524,288 bytes. After the 29th, 15,204,352 / 52,428,800 * 100
# is 28.999999999999996 in double precision: the program shows 28 (and,
# writing the line only when it changes, nothing new), where x87 arithmetic
# without stored steps shows 29. The console writes its progress line only
# to a console: `script` gives it a pseudo-terminal, Wine's console.
percents() {
    truncate -s 52428800 "$BED/big.prn"
    script -qfec "$VANTREL_WINE '$dist/vantrel-send.exe' '$(windows_path "$BED/big.prn")' LPT3:" \
        "$out/progress.typescript" </dev/null >/dev/null || { echo "  vantrel-send failed: $?"; return 1; }
    local shown doubles
    shown=$(grep -ao 'Writing to LPT3:  [0-9]*% Completed' "$out/progress.typescript" | sed 's/.*  \([0-9]*\)%.*/\1/')
    # mawk's numbers are IEEE doubles, as a build without x87 steps has them.
    doubles=$(awk 'BEGIN { last = -1; for (done = 0; done <= 52428800; done += 524288) {
        p = int(done / 52428800 * 100); if (p != last) print p; last = p } }')
    echo "$doubles" | grep -qx 28 && ! echo "$doubles" | grep -qx 29 || { echo "  awk's reference is not of double precision"; return 1; }
    expect "$doubles" "$shown"
}
check "the progress line on a console shows the percentages of double precision (28 after the 29th chunk, never 29)" percents

finish
