#!/bin/sh
# Fails when the program imports any DLL but the system's own: it must run
# on a bare Windows with nothing installed beside it. DLLs named after the
# exe are refused as well (the console program needs no window libraries).
# Usage: check_imports.sh OBJDUMP EXE [REFUSED_DLL...]
set -u
objdump=$1 exe=$2
shift 2
refused=" $(echo "$*" | tr 'A-Z' 'a-z') "
allowed=' kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll winspool.drv version.dll advapi32.dll msvcrt.dll '

# An objdump that fails lists nothing, which fails too.
names=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z' | tr -d '\r')
[ -n "$names" ] || { echo "check_imports: no imports found in $exe: cannot check it" >&2; exit 1; }
status=0
for name in $names; do
    case "$refused" in *" $name "*) echo "check_imports: $exe imports $name, which it must not need" >&2; status=1; continue ;; esac
    case "$allowed" in
        *" $name "*) echo "allowed: $name" ;;
        *) echo "check_imports: $exe imports $name, which is not a system DLL" >&2; status=1 ;;
    esac
done
exit $status
