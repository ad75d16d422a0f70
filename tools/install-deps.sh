# Sourced by run.sh and test.sh: installs with apt whatever the builds need and the
# machine lacks. Fast when everything is there: it only looks.

vandrel_missing_packages() {
    local wanted=("$@") missing=() p
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    echo "${missing[@]}"
}

vandrel_install() {
    local missing
    missing=$(vandrel_missing_packages "$@")
    [ -z "$missing" ] && return 0
    echo "== installing: $missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    case " $missing " in
        *:i386*) $sudo dpkg --add-architecture i386 ;;
    esac
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
}

# The native build: compiler, CMake, zlib, GoogleTest.
vandrel_native_packages=(g++ cmake make zlib1g-dev libgtest-dev googletest)

vandrel_install_native() {
    vandrel_install "${vandrel_native_packages[@]}"
}

# The Windows builds (32-bit and 64-bit) and wine (both loaders), to build the program
# and run it. wine32 installs on every machine, even where 32-bit code cannot run.
vandrel_windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    libz-mingw-w64-dev wine wine64 wine32:i386)

vandrel_install_windows() {
    vandrel_install "${vandrel_native_packages[@]}" "${vandrel_windows_packages[@]}"
}

# Everything: the native build plus sanitizers and fuzzing (clang), the Windows
# cross build, wine, a virtual display, the screenshot tools, Python for the update
# tests' HTTP server and unzip for the release checks.
vandrel_install_all() {
    vandrel_install "${vandrel_native_packages[@]}" clang libclang-rt-14-dev \
        "${vandrel_windows_packages[@]}" xvfb xdotool imagemagick python3 unzip
}
