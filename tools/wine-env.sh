# Sourced by test.sh and by anyone running the Windows tests by hand:
#   . tools/wine-env.sh && wine_env_up && ctest --test-dir build/windows; wine_env_down
# Makes a fresh wine prefix in a temporary folder and a virtual X display, so that no
# test depends on the developer's own prefix or screen.

wine_env_up() {
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
}

wine_env_down() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${VANDREL_XVFB_PID:-}" ] && kill "$VANDREL_XVFB_PID" >/dev/null 2>&1
    [ -n "${WINEPREFIX:-}" ] && case "$WINEPREFIX" in *vandrel-wine.*) rm -rf "$WINEPREFIX" ;; esac
    unset VANDREL_XVFB_PID
}
