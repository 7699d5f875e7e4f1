#!/bin/bash
# Runs inside the check machine as the job disk's `run` (tests/vm/run puts
# it there with the release's files under dist/): the shipped 32-bit
# programs on a test bed of their own, by every road the machine offers.
# Every check is run, failed or not; the last line counts them, and the
# exit code is 1 when any failed.
set -uo pipefail
job=$(pwd)
out="$job/out"
dist="$job/dist"
BED=${VANTREL_VM_BED:-/tmp/bed}
passed=0 failed=0

pass() { echo "ok: $* (at $SECONDS s)"; passed=$((passed + 1)); }
fail() { echo "FAILED: $* (at $SECONDS s)"; failed=$((failed + 1)); }
check() {  # check WHAT COMMAND...: passes when the command does
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
finish() {
    [ -f "$BED/env.sh" ] && "$job/testbed/down" "$BED" >/dev/null 2>&1
    echo "vm: $passed passed, $failed failed"
    [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
    exit $?
}
wait_for() {  # wait_for SECONDS COMMAND...: polls until the command succeeds
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}
fingerprint() { echo "$(stat -c %s "$1") $(sha256sum <"$1" | cut -d' ' -f1)"; }
same_bytes() {  # same_bytes SENT ARRIVED: says how they differ when they do
    local a b
    a=$(fingerprint "$1") b=$(fingerprint "$2" 2>/dev/null || echo "(none)")
    [ "$a" = "$b" ] || { echo "  $2 holds $b, $1 is $a"; return 1; }
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# A file of random bytes that cannot begin with a PostScript job ticket,
# which Wine strips from jobs to CUPS.
make_file() {  # make_file PATH SIZE
    printf '\033' >"$1"
    head -c $(($2 - 1)) /dev/urandom >>"$1"
}

echo "vm checks: $(uname -srm), $(wine --version), $(nproc) CPUs"

# 1. The files are the release's, byte for byte; the zip holds the same exes.
check "sha256sum -c SHA256SUMS (above)" bash -c "cd '$dist' && sha256sum -c SHA256SUMS"
check "the zip holds vantrel.exe and vantrel-send.exe as shipped beside it" \
    python3 - "$dist" <<'PY'
import glob, sys, zipfile
dist = sys.argv[1]
(name,) = glob.glob(dist + "/vantrel-*-win32.zip")
with zipfile.ZipFile(name) as z:
    for exe in ("vantrel.exe", "vantrel-send.exe"):
        if z.read(exe) != open(dist + "/" + exe, "rb").read():
            sys.exit("%s in %s differs from %s/%s" % (exe, name, dist, exe))
PY

# 2. The bed, as on the host, with the prefix made when the image was.
#    The bed's helpers in the check program look for their tools where
#    they were built.
tools=$(cat "$job/bed-tools-dir")
mkdir -p "$tools" && cp "$job/bed-tools/"* "$tools/"
export VANTREL_WINE_TEMPLATE=${VANTREL_WINE_TEMPLATE:-/var/lib/vantrel/wine-template-win32}
if ! "$job/testbed/up" "$BED"; then
    fail "testbed/up"
    finish
fi
. "$BED/env.sh"
[ "$VANTREL_WINE" = wine ] && pass "the bed runs 32-bit Wine ($WINEARCH)" || fail "the bed runs $VANTREL_WINE, not 32-bit Wine"
send=$(windows_path "$dist/vantrel-send.exe")
S="$BED/sinks"

console() {  # console NAME ARGS...: vantrel-send, its output in out/NAME.{out,err,rc}
    local name=$1; shift
    "$VANTREL_WINE" "$send" "$@" </dev/null >"$out/$name.out" 2>"$out/$name.err"
    echo $? >"$out/$name.rc"
}
expect_console() {  # expect_console NAME RC EXPECTED-STDOUT
    local rc
    rc=$(cat "$out/$1.rc")
    [ "$rc" = "$2" ] && [ "$(cat "$out/$1.out")" = "$3" ] && return 0
    echo "  exit code $rc (expected $2); standard output:"; sed 's/^/  | /' "$out/$1.out"
    echo "  standard error:"; sed 's/^/  | /' "$out/$1.err"
    echo "  expected:"; printf '%s\n' "$3" | sed 's/^/  | /'
    return 1
}
tab=$'\t'
# The table's first three fields: the port, its road, what it goes through.
expect_list() {  # expect_list NAME EXPECTED-ROWS
    cut -f1-3 "$out/$1.out" >"$out/$1.rows"
    local rc
    rc=$(cat "$out/$1.rc")
    [ "$rc" = 0 ] && [ "$(cat "$out/$1.rows")" = "$2" ] && return 0
    echo "  exit code $rc; standard output:"; sed 's/^/  | /' "$out/$1.out"
    echo "  expected, in the first three fields:"; printf '%s\n' "$2" | sed 's/^/  | /'
    return 1
}

# 3. Spool profile: the raw queue is installed on CUPS:vantrel_raw, so a
#    driver exists and the LPT ports get temporary queues.
make_file "$BED/small.prn" 1234567
size=1234567
console list-spool --list
check "vantrel-send --list (spool profile)" expect_list list-spool \
"CUPS:vantrel_raw${tab}queue${tab}vantrel_raw
LPT1:${tab}temporary${tab}vantrel_raw
LPT2:${tab}temporary${tab}vantrel_raw
LPT3:${tab}temporary${tab}vantrel_raw"
cp "$out/list-spool.out" "$BED/console-list.txt"

printf 'stale' >"$S/spool-lpt1.bin"
console send-spool "$(windows_path "$BED/small.prn")" CUPS:vantrel_raw LPT1:
check "vantrel-send to the queue and through a temporary queue" expect_console send-spool 0 \
"CUPS:vantrel_raw${tab}sent${tab}$size${tab}queue
LPT1:${tab}sent${tab}$size${tab}temporary"
check "the queue's far end got a whole job" wait_for 60 test -s "$BED/jobs/raw/0001.done"
check "  ... with the file's bytes" same_bytes "$BED/small.prn" "$BED/jobs/raw/0001.bin"
check "the temporary queue's far end got the file byte for byte" same_bytes "$BED/small.prn" "$S/spool-lpt1.bin"

VANTREL_EXE="$dist/vantrel.exe" "$VANTREL_WINE" "$(windows_path "$job/vantrel_vm_check.exe")" \
    --gtest_filter='Window.Spool*' </dev/null
check "the window program, spool profile (vantrel_vm_check.exe above)" test $? -eq 0

# 4. Direct profile: no queue, hence no driver: ports are written directly.
#    LPT1: leads to /dev/null, for a file larger than any 32-bit count.
#    LPT3: leads to a slow printer: a FIFO that a reader drains into a file
#    at about 5 MB/s, so that each percentage the window shows stays up for
#    a tenth of a second, long enough for the driver's polls to see some.
mkfifo "$S/slow-lpt3"
for mapping in "LPT1=/dev/null" "LPT3=$S/slow-lpt3"; do
    "$VANTREL_WINE" reg add 'HKLM\Software\Wine\Ports' /v "${mapping%%=*}" /t REG_SZ /d "${mapping#*=}" /f \
        </dev/null >/dev/null 2>&1
done
"$job/testbed/profile" "$BED" direct
console list-direct --list
check "vantrel-send --list (direct profile)" expect_list list-direct \
"LPT1:${tab}device${tab}LPT1:
LPT2:${tab}device${tab}LPT2:
LPT3:${tab}device${tab}LPT3:"
cp "$out/list-direct.out" "$BED/console-list.txt"

# The file's folder is named in Cyrillic, Chinese and an emoji: only the
# manifest's UTF-8 code page lets the "A" calls open it.
utf8="$BED/Прошивка 固件 🖨"
mkdir -p "$utf8" && cp "$BED/small.prn" "$utf8/файл.prn"
: >"$S/device-lpt2.bin"
console send-direct "$(windows_path "$utf8/файл.prn")" LPT2:
check "vantrel-send to a device, from a folder with a UTF-8 name" expect_console send-direct 0 \
"LPT2:${tab}sent${tab}$size${tab}device"
check "the device's far end got the file byte for byte" same_bytes "$BED/small.prn" "$S/device-lpt2.bin"

# 5. A file of 4 GiB and more: its size and counts do not fit 32 bits. It
#    is sparse (it takes no memory) and goes to /dev/null: the result line
#    must count every byte.
huge=$((4 * 1024 * 1024 * 1024 + 1234567))
truncate -s "$huge" "$BED/huge.prn"
console send-huge "$(windows_path "$BED/huge.prn")" LPT1:
check "vantrel-send of a file of $huge bytes counts them all" expect_console send-huge 0 \
"LPT1:${tab}sent${tab}$huge${tab}device"
rm -f "$BED/huge.prn"

# 6. The percentages of 100 chunks of 524,288 bytes. After the 29th chunk
#    15,204,352 / 52,428,800 * 100 is 28.999999999999996 in double
#    precision: the program shows 28 (and, writing the line only when it
#    changes, nothing new), where x87 arithmetic without stored steps gives
#    29. The console writes its progress line only to a console: `script`
#    gives it a pseudo-terminal, which Wine makes its console.
big="$BED/big.prn"
make_file "$big" 52428800
python3 - >"$BED/expected-percents.txt" <<'PY'
size, chunk = 52428800, 524288
shown = []
for done in range(0, size + chunk, chunk):
    percent = int(min(done, size) / size * 100)    # IEEE doubles, as on x86-64
    if not shown or shown[-1] != percent:
        shown.append(percent)
print("\n".join(map(str, shown)))
PY
: >"$S/device-lpt2.bin"
script -qfec "$VANTREL_WINE '$(windows_path "$dist/vantrel-send.exe")' '$(windows_path "$big")' LPT2:" \
    "$out/progress.typescript" </dev/null >/dev/null
check "vantrel-send on a console: exit code 0" test $? -eq 0
grep -ao 'Writing to LPT2:  [0-9]*% Completed' "$out/progress.typescript" | sed 's/.*:  \([0-9]*\)%.*/\1/' \
    >"$out/progress-percents.txt"
percents_as_shown() {
    diff -q "$BED/expected-percents.txt" "$out/progress-percents.txt" >/dev/null && return 0
    echo "  shown:    $(tr '\n' ' ' <"$out/progress-percents.txt")"
    echo "  expected: $(tr '\n' ' ' <"$BED/expected-percents.txt")"
    return 1
}
check "the progress line shows each percentage a double-precision build shows, in order" percents_as_shown
x87_free() { grep -qx 28 "$out/progress-percents.txt" && ! grep -qx 29 "$out/progress-percents.txt"; }
check "  ... 28% Completed after the 29th chunk, never 29%" x87_free
check "the device's far end got the 52,428,800 bytes byte for byte" same_bytes "$big" "$S/device-lpt2.bin"

python3 - "$S/slow-lpt3" "$S/slow-lpt3.bin" <<'PY' &
import sys, time
with open(sys.argv[1], "rb") as port, open(sys.argv[2], "wb") as sink:
    while block := port.read(65536):
        sink.write(block)
        time.sleep(0.012)
PY
reader=$!
VANTREL_EXE="$dist/vantrel.exe" "$VANTREL_WINE" "$(windows_path "$job/vantrel_vm_check.exe")" \
    --gtest_filter='Window.Direct*' </dev/null
check "the window program, direct profile (vantrel_vm_check.exe above)" test $? -eq 0
# The reader ends when the port is closed; a run that never opened it
# leaves it waiting.
kill "$reader" 2>/dev/null
wait "$reader" 2>/dev/null

finish
