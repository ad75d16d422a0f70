#!/usr/bin/env bash
# ./run.sh [FASTFILE...]
# Installs what is missing, builds the native program and extracts the given FastFiles;
# given none, extracts a sample FastFile made by our own builder and shows what it wrote.
#
# ./run.sh --gui [FASTFILE...]
# Builds the Windows program and starts it under wine on this desktop ($DISPLAY), with
# the given FastFiles, or the sample one, on its command line. It runs in build/gui-run
# (its log, and its output with Dump To Local) with a wine prefix of its own,
# build/wine-prefix, which keeps its settings from one run to the next. Where this
# machine runs no 32-bit programs, it takes the 64-bit program under wine64 instead
# (build/windows64, build/wine-prefix64), as test.sh does.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/tools/install-deps.sh"

gui=0
if [ "${1:-}" = "--gui" ]; then
    gui=1
    shift
fi

# A local display (":0", "unix:0") must have its socket; others are taken on trust.
display_reachable() {
    [ -n "${DISPLAY:-}" ] || return 1
    local local_display=${DISPLAY#unix}
    case "$local_display" in
        :*) local number=${local_display#:}; [ -S "/tmp/.X11-unix/X${number%%.*}" ] ;;
        *) return 0 ;;
    esac
}

if [ $gui -eq 1 ] && ! display_reachable; then
    echo "run.sh --gui: no X display to show the program on (DISPLAY='${DISPLAY:-}')." >&2
    echo "Run it from a desktop session, or set DISPLAY to a display you can see." >&2
    exit 1
fi

if [ $gui -eq 1 ]; then vandrel_install_windows; else vandrel_install_native; fi

cmake -S "$here" -B "$here/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build/native" -j"$(nproc)" --target vandrel sample_fastfile >/dev/null

if [ $gui -eq 0 ] && [ $# -gt 0 ]; then
    exec "$here/build/native/vandrel" "$@"
fi

if [ $gui -eq 1 ]; then
    # The 32-bit program where 32-bit programs run here, else the 64-bit one (wine64).
    . "$here/tools/wine-env.sh"
    wine_choose_bits
    wine_use_loader
    if [ "$VANDREL_WINE_BITS" = 32 ]; then
        windows="$here/build/windows" toolchain=mingw-i686 prefix="$here/build/wine-prefix"
    else
        windows="$here/build/windows64" toolchain=mingw-x86_64 prefix="$here/build/wine-prefix64"
    fi
    echo "== building the ${VANDREL_WINE_BITS}-bit Windows program in $windows"
    cmake -S "$here" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$windows.configure.log" 2>&1 ||
        { tail -n 30 "$windows.configure.log"; exit 1; }
    cmake --build "$windows" -j"$(nproc)" --target Kest_Vandrel Kest_MFC_Util >"$windows.build.log" 2>&1 ||
        { tail -n 30 "$windows.build.log"; echo "building Kest_Vandrel failed (log: $windows.build.log)" >&2; exit 1; }

    # The program writes Vandrel_Log.txt to its current folder and loads
    # util//Kest_MFC_Util.dll from beside itself: it runs from a folder laid out as
    # the release is.
    run="$here/build/gui-run"
    mkdir -p "$run/util"
    cp "$windows/Kest_Vandrel.exe" "$run/"
    cp "$windows/util/Kest_MFC_Util.dll" "$run/util/"
    cp "$here/build/native/sample/sample_patch.ff" "$run/"

    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -e "$WINEPREFIX/.vandrel-ready" ]; then
        echo "== making the wine prefix $WINEPREFIX (once)"
        wineboot --init >/dev/null 2>&1
        wineserver -w
        # The program paints its own dark frame and caption; with the window manager's
        # decorations on, wine would trade them for the desktop's title bar. The window
        # manager still places, stacks and focuses the window (it stays managed).
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.vandrel-ready"
    fi

    files=()
    if [ $# -gt 0 ]; then
        for f in "$@"; do files+=("$(winepath -w "$(realpath -m "$f")")"); done
    else
        files=("$(winepath -w "$run/sample_patch.ff")")
    fi
    echo "== wine Kest_Vandrel.exe ${files[*]}"
    echo "   in $run (log: $run/Vandrel_Log.txt)"
    cd "$run"
    exec wine Kest_Vandrel.exe "${files[@]}"
fi

demo="$here/build/native/sample-run"
rm -rf "$demo"
mkdir -p "$demo"
cp "$here/build/native/sample/sample_patch.ff" "$demo/"
echo "== vandrel --string-table --dump $demo/sample_patch.ff"
"$here/build/native/vandrel" --string-table --dump "$demo/sample_patch.ff"
echo
echo "== what it wrote under $demo"
(cd "$demo" && find . -maxdepth 2 | sort | head -n 20 && echo "   ... $(find . -type f | wc -l) files in all")
echo
echo "== the referenced sounds ($demo/sample_patch/Refrenced_Sounds.txt)"
head -n 6 "$demo/sample_patch/Refrenced_Sounds.txt"
