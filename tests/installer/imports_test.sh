#!/usr/bin/env bash
# Checks that each given Windows executable imports only DLLs that every Windows installation
# has: the program is shipped as one file, so a runtime DLL of the compiler (libstdc++,
# libgcc, libwinpthread) or any other library would be missing on the subscriber's machine.
#
#   bash tests/installer/imports_test.sh [--machine x86-64|i386] [--no-32bit-time] EXE...
#
# --machine also checks the executable's processor (the 32-bit program must really be one).
# --no-32bit-time also checks that the executable imports none of the C runtime's functions on a
# 32-bit time (in the 32-bit runtime the plain `time`, `localtime` and their kin are those): they
# run out in January 2038.
# Exits 0 when every executable passes, 1 otherwise, 77 (skipped) when an executable is absent
# and --skip-missing was given.
set -euo pipefail

# The DLLs of Windows itself that the program may use (lower case). Anything else fails.
SYSTEM_DLLS=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll
    comdlg32.dll wininet.dll rasapi32.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll
    version.dll uxtheme.dll ws2_32.dll "
SYSTEM_DLLS=" $(tr -s ' \n' '  ' <<<"$SYSTEM_DLLS") "

# The C runtime's functions that take or give a 32-bit time in a 32-bit program.
TIME32_FUNCTIONS=" time _time32 localtime _localtime32 _localtime32_s gmtime _gmtime32
    _gmtime32_s mktime _mktime32 _mkgmtime _mkgmtime32 ctime _ctime32 _ctime32_s difftime
    _difftime32 _ftime _ftime32 _ftime32_s _utime _utime32 _futime _futime32 _wutime _wutime32
    _wctime _wctime32 _stat _stat32 _fstat _fstat32 _wstat _wstat32 _findfirst _findfirst32
    _findnext _findnext32 "
TIME32_FUNCTIONS=" $(tr -s ' \n' '  ' <<<"$TIME32_FUNCTIONS") "

machine=""
no_time32=""
skip_missing=""
exes=()
while [[ $# -gt 0 ]]; do
    case "$1" in
        --machine) machine="$2"; shift 2 ;;
        --no-32bit-time) no_time32=1; shift ;;
        --skip-missing) skip_missing=1; shift ;;
        *) exes+=("$1"); shift ;;
    esac
done
if [[ ${#exes[@]} -eq 0 ]]; then
    echo "usage: $0 [--machine x86-64|i386] [--no-32bit-time] [--skip-missing] EXE..." >&2
    exit 2
fi

objdump=""
for candidate in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
    if command -v "$candidate" >/dev/null 2>&1; then
        objdump="$candidate"
        break
    fi
done
if [[ -z $objdump ]]; then
    echo "no objdump found" >&2
    exit 1
fi

status=0
for exe in "${exes[@]}"; do
    if [[ ! -f $exe ]]; then
        if [[ -n $skip_missing ]]; then
            echo "SKIP $exe: not built"
            exit 77
        fi
        echo "FAIL $exe: missing"
        status=1
        continue
    fi
    headers="$("$objdump" -p "$exe")"
    format="$(sed -nE 's/.*file format (pei-[a-z0-9-]+).*/\1/p' <<<"$headers" | head -1)"
    case "$machine" in
        "") ;;
        x86-64) [[ $format == pei-x86-64 ]] || { echo "FAIL $exe: format $format, not pei-x86-64"; status=1; } ;;
        i386) [[ $format == pei-i386 ]] || { echo "FAIL $exe: format $format, not pei-i386"; status=1; } ;;
        *) echo "unknown machine $machine" >&2; exit 2 ;;
    esac
    mapfile -t dlls < <(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' <<<"$headers")
    if [[ ${#dlls[@]} -eq 0 ]]; then
        echo "FAIL $exe: no import table found"
        status=1
        continue
    fi
    bad=()
    for dll in "${dlls[@]}"; do
        lower="${dll,,}"
        if [[ $SYSTEM_DLLS != *" $lower "* ]]; then
            bad+=("$dll")
        fi
    done
    if [[ ${#bad[@]} -gt 0 ]]; then
        echo "FAIL $exe ($format) imports non-system DLLs: ${bad[*]}"
        status=1
        continue
    fi
    if [[ -n $no_time32 ]]; then
        # Imported names: the lines "<address> <hint> <name>" of the import tables.
        mapfile -t functions < <(sed -nE 's/^\s+[0-9a-f]+\s+[0-9]+\s+([A-Za-z_][A-Za-z0-9_]*)$/\1/p' <<<"$headers")
        time32=()
        for function in "${functions[@]}"; do
            if [[ $TIME32_FUNCTIONS == *" $function "* ]]; then
                time32+=("$function")
            fi
        done
        if [[ ${#functions[@]} -eq 0 ]]; then
            echo "FAIL $exe: no imported function names found"
            status=1
            continue
        fi
        if [[ ${#time32[@]} -gt 0 ]]; then
            echo "FAIL $exe ($format) imports functions on a 32-bit time: ${time32[*]}"
            status=1
            continue
        fi
    fi
    echo "ok   $exe ($format): ${dlls[*]}${no_time32:+; no function on a 32-bit time}"
done
exit "$status"
