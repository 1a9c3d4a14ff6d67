#!/bin/bash
# Checks that each .exe given imports only DLLs that Windows itself provides,
# those in the system32 folder of the Wine prefix that tools/wine.sh set up,
# so that it runs without a DLL beside it (no C++ or thread runtime, SDL,
# libpng or zlib DLL).
# Usage: check_imports.sh <program.exe>...
set -euo pipefail
system32="${WINEPREFIX:?"run under tools/wine.sh's wine_setup"}/drive_c/windows/system32"
status=0
for exe in "$@"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    if [[ -z "$dlls" ]]; then
        echo "$exe: no imports found" >&2
        status=1
        continue
    fi
    echo "$(basename "$exe"): $(echo $dlls)"
    for dll in $dlls; do
        # Windows file names ignore case; the prefix's are lower case.
        if [[ ! -f "$system32/${dll,,}" ]]; then
            echo "$exe imports $dll, which is not a Windows DLL" >&2
            status=1
        fi
    done
done
exit $status
