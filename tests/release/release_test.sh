#!/usr/bin/env bash
# Checks a release zip as a Windows user gets it.
#   release_test.sh contents ZIP OBJDUMP BITS   exactly the four files, README.txt with CRLF
#                                               line ends, programs for the zip's machine
#                                               (BITS 32: i386 and large-address-aware;
#                                               64: x86-64) that need no DLL beyond
#                                               Windows' own, and the helper library's
#                                               one export under its plain name
#   release_test.sh cli ZIP SAMPLE_MAKER        vandrel.exe run from the unzipped release,
#                                               under wine, on a sample FastFile
set -uo pipefail
mode=$1 zip=$2 tool=$3 bits=${4:-32}

fail() { echo "FAIL: $*"; status=1; }
status=0
[ -f "$zip" ] || { echo "FAIL: no release zip at $zip"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vandrel-release.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ "$mode" = contents ]; then
    expected=$'Kest_Vandrel.exe\nREADME.txt\nutil/\nutil/Kest_MFC_Util.dll\nvandrel.exe'
    actual=$(unzip -Z1 "$zip" | LC_ALL=C sort)
    [ "$actual" = "$expected" ] || fail "the zip holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"

    unzip -p "$zip" README.txt >"$work/README.txt"
    lines=$(tr -cd '\n' <"$work/README.txt" | wc -c)
    crlf=$(grep -c $'\r$' "$work/README.txt")
    [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] ||
        fail "README.txt: $crlf of its $lines lines end in CRLF"

    # Every DLL a program imports must come with Windows: the zip carries no other.
    system_dlls=" advapi32 comctl32 comdlg32 gdi32 gdiplus imm32 kernel32 msimg32 msvcrt ole32
        oleaut32 shell32 shlwapi user32 uxtheme version wininet winmm ws2_32 "
    unzip -q "$zip" -d "$work/release" || fail "unzip"
    for program in Kest_Vandrel.exe vandrel.exe util/Kest_MFC_Util.dll; do
        [ -f "$work/release/$program" ] || continue
        for dll in $("$tool" -p "$work/release/$program" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
            name=$(echo "${dll%.[dD][lL][lL]}" | tr '[:upper:]' '[:lower:]')
            case "$system_dlls" in
                *[[:space:]]"$name"[[:space:]]*) ;;
                *) fail "$program needs $dll, which Windows does not provide and the zip does not hold" ;;
            esac
        done
    done

    # The machine each program is for, and for 32-bit programs the large-address-aware
    # flag (Characteristics bit 0x20): 4 GB on 64-bit Windows, not 2.
    if [ "$bits" = 32 ]; then format=pei-i386; else format=pei-x86-64; fi
    for program in Kest_Vandrel.exe vandrel.exe util/Kest_MFC_Util.dll; do
        [ -f "$work/release/$program" ] || continue
        actual_format=$("$tool" -f "$work/release/$program" | sed -n 's/.*file format //p')
        [ "$actual_format" = "$format" ] || fail "$program is $actual_format, not $format"
    done
    if [ "$bits" = 32 ]; then
        for program in Kest_Vandrel.exe vandrel.exe; do
            characteristics=$("$tool" -p "$work/release/$program" | sed -n 's/^Characteristics[[:space:]]*0x//p')
            [ $((0x${characteristics:-0} & 0x20)) -ne 0 ] ||
                fail "$program is not large-address-aware (Characteristics 0x$characteristics)"
        done
    fi

    # The program finds the helper's export by its plain name (no stdcall decoration).
    exports=$("$tool" -p "$work/release/util/Kest_MFC_Util.dll" |
        sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p')
    [ "$exports" = KestChangeWindowMessageFilter ] ||
        fail "Kest_MFC_Util.dll exports '$exports' instead of KestChangeWindowMessageFilter alone"
elif [ "$mode" = cli ]; then
    unzip -q "$zip" -d "$work/release" || fail "unzip"
    mkdir -p "$work/data"
    # Every wine program's output goes to a file: wine's helpers, started by whichever
    # program first needs them, would keep a pipe open long after it (see wine-run.sh).
    # Z: is the root of the Unix side in every prefix.
    windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
    wine "$tool" "$(windows_path "$work/data/sample_patch.ff")" >"$work/maker" 2>&1 ||
        { fail "the sample maker"; cat "$work/maker"; }
    wine "$work/release/vandrel.exe" -q --string-table --dump \
        "$(windows_path "$work/data/sample_patch.ff")" >"$work/stdout" 2>"$work/stderr"
    code=$?
    [ $code -eq 0 ] || { fail "vandrel.exe exited with $code"; cat "$work/stdout" "$work/stderr"; }
    out=$work/data/sample_patch
    for file in Refrenced_Sounds.txt StringTable.txt ../sample_patch.ff.dump; do
        [ -s "$out/$file" ] || fail "no $file in the output"
    done
    scripts=$(find "$out/maps" -name '*.gsc' 2>/dev/null | wc -l)
    [ "$scripts" -gt 0 ] || fail "no .gsc script under $out/maps"
    grep -q "Done" "$work/stdout" || fail "no Done row in: $(cat "$work/stdout")"

    # A wildcard, as typed at the command prompt, is expanded by the program itself.
    cp "$work/data/sample_patch.ff" "$work/data/second_patch.ff"
    wine "$work/release/vandrel.exe" -q "$(windows_path "$work/data")\\*.ff" >"$work/stdout" 2>"$work/stderr" ||
        fail "vandrel.exe with a wildcard exited with $?"
    done_rows=$(grep -c "Done" "$work/stdout")
    [ "$done_rows" -eq 2 ] || fail "a wildcard over two FastFiles gave $done_rows Done rows: $(cat "$work/stdout")"
else
    echo "usage: release_test.sh contents ZIP OBJDUMP BITS | cli ZIP SAMPLE_MAKER"
    exit 2
fi
[ $status -eq 0 ] && echo "release $mode: ok"
exit $status
