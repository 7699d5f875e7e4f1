#!/bin/sh
# Runs a test program's double-byte rows in code page 932: Wine takes the
# ANSI code page from the Unix locale, here Japanese in Shift-JIS, built
# into the build tree. Fails when the rows were skipped or none ran.
# Usage: dbcs.sh WINE_RUN TEST_EXE LOCALE_DIR FILTER
set -u
wine_run=$1 exe=$2 locales=$3 filter=$4
if [ ! -d "$locales/ja_JP.SJIS" ] && ! { mkdir -p "$locales" && localedef --no-warnings=ascii -i ja_JP -f SHIFT_JIS "$locales/ja_JP.SJIS"; }; then
    echo "dbcs.sh: cannot build the ja_JP.SJIS locale" >&2; exit 1
fi
output=$(LOCPATH=$locales LC_ALL=ja_JP.SJIS "$wine_run" "$exe" --gtest_filter="$filter" 2>&1)
status=$?
printf '%s\n' "$output"
if ! printf '%s\n' "$output" | grep -q '^\[  PASSED  \] [1-9]' || printf '%s\n' "$output" | grep -q '^\[  SKIPPED \]'; then
    echo "dbcs.sh: no row ran in code page 932" >&2
    exit 1
fi
exit $status
