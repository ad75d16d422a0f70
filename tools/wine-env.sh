# Sourced by test.sh, run.sh and anyone running the Windows tests by hand:
#   . tools/wine-env.sh && wine_env_up && ctest --test-dir "$(wine_build_dir)"; wine_env_down
# Makes a fresh wine prefix in a temporary folder and a virtual X display, so that no
# test depends on the developer's own prefix or screen.
#
# Which Windows build runs here: some machines start no 32-bit program at all (their
# kernel runs 64-bit user code only), so wine's 32-bit loader cannot start either. We
# find out by trying: a tiny 32-bit Windows program (tools/wine_probe.c) is run under
# the 32-bit loader. Where it runs, the 32-bit build is the one run under wine32;
# where it does not, the 64-bit build runs under wine64. VANDREL_WINE_BITS=32 or 64
# skips the probe and takes that one.
#
# Under wine64 every wine tool must reach the 64-bit loader: the Debian `wine` wrapper
# (and `wine-stable`, which wineboot, winepath and the other tools exec) picks the
# 32-bit loader whenever it is installed. A folder early on PATH holds a `wine` and a
# `wine-stable` that exec wine64 by name; wineserver already prefers the 64-bit server.

vandrel_wine32=/usr/lib/wine/wine
vandrel_wine64=/usr/lib/wine/wine64
vandrel_here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Prints the path of tools/wine_probe.c built for 32 or 64 bits (into build/, once).
wine_probe_exe() {
    local bits=$1 probe="$vandrel_here/build/wine-probe/probe$1.exe" compiler
    if [ "$bits" = 32 ]; then compiler=i686-w64-mingw32-gcc-posix; else compiler=x86_64-w64-mingw32-gcc-posix; fi
    if [ ! -f "$probe" ] || [ "$vandrel_here/tools/wine_probe.c" -nt "$probe" ]; then
        mkdir -p "$(dirname "$probe")"
        "$compiler" -O1 -s -o "$probe" "$vandrel_here/tools/wine_probe.c" || return 1
    fi
    echo "$probe"
}

# Succeeds when a 32-bit Windows program runs under the 32-bit loader here.
wine_probe_32() {
    local probe prefix out
    [ -x "$vandrel_wine32" ] || return 1
    probe=$(wine_probe_exe 32) || return 1
    # The loader itself fails at once ("Exec format error") where no 32-bit code runs;
    # the program is tried too, in a throw-away prefix, for a 32-bit side that is broken.
    "$vandrel_wine32" --version >/dev/null 2>&1 || return 1
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/vandrel-probe.XXXXXX")
    out=$(WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        timeout 120 "$vandrel_wine32" "$probe" 2>/dev/null | tr -d '\r')
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
    [ "$out" = "vandrel wine probe: 32-bit" ]
}

# Sets VANDREL_WINE_BITS to 32 or 64 (once; an earlier answer or the caller's stands).
wine_choose_bits() {
    case "${VANDREL_WINE_BITS:-}" in
        32|64) ;;
        *) if wine_probe_32; then VANDREL_WINE_BITS=32; else VANDREL_WINE_BITS=64; fi ;;
    esac
    export VANDREL_WINE_BITS
}

# The build folder whose programs run here.
wine_build_dir() {
    wine_choose_bits
    if [ "$VANDREL_WINE_BITS" = 32 ]; then echo "$vandrel_here/build/windows"; else echo "$vandrel_here/build/windows64"; fi
}

# Under wine64, puts the folder of 64-bit `wine` and `wine-stable` first on PATH.
wine_use_loader() {
    wine_choose_bits
    [ "$VANDREL_WINE_BITS" = 64 ] || return 0
    local shims="$vandrel_here/build/wine64-path"
    mkdir -p "$shims"
    local tool
    for tool in wine wine-stable wine64; do
        printf '#!/bin/sh\nexec %s "$@"\n' "$vandrel_wine64" >"$shims/$tool"
        chmod +x "$shims/$tool"
    done
    case ":$PATH:" in *":$shims:"*) ;; *) export PATH="$shims:$PATH" ;; esac
    export WINELOADER=$vandrel_wine64
}

wine_env_up() {
    wine_use_loader
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vandrel-wine.XXXXXX")
    local n
    for n in $(seq 91 199); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            VANDREL_XVFB_PID=$!
            export DISPLAY=":$n"
            break
        fi
    done
    wineboot --init >/dev/null 2>&1
    wineserver -w
    # No window manager on the virtual display: let the programs paint their own frames.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    # The session the tests share: its server, services and desktop start here, with no
    # output of a test to inherit, and stay until wine_env_down. Left to the first test
    # program, they would keep that program's output open to the end (ctest waiting on
    # it), and close and start again wherever the programs left a gap.
    local keeper ready="$WINEPREFIX/vandrel-session"
    keeper=$(wine_probe_exe "$VANDREL_WINE_BITS") || return 1
    wine "$keeper" --hold </dev/null >"$ready" 2>/dev/null &
    for n in $(seq 600); do
        grep -q holding "$ready" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "wine-env: the wine session did not start" >&2
    return 1
}

wine_env_down() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${VANDREL_XVFB_PID:-}" ] && kill "$VANDREL_XVFB_PID" >/dev/null 2>&1
    [ -n "${WINEPREFIX:-}" ] && case "$WINEPREFIX" in *vandrel-wine.*) rm -rf "$WINEPREFIX" ;; esac
    unset VANDREL_XVFB_PID
}
