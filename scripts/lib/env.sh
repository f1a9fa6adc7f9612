# Shared set-up for scripts/run, scripts/test, scripts/bench and scripts/fuzz. Sourced, not run.
# Installs what is missing (Debian/Ubuntu), builds the three configurations, prepares a private
# Wine prefix inside the build folder and an X server when there is no display.

NR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NR_BUILD=${NR_BUILD:-$NR_ROOT/build}
NR_PACKAGES=(
    build-essential cmake ninja-build python3 clang clang-format libclang-rt-14-dev git
    googletest libbenchmark-dev libxml2-dev
    mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth x11-utils xdotool imagemagick fonts-ipafont-gothic locales libx11-dev
    nginx openssl ca-certificates procps
)

nr_log() { printf '\033[1m[newsroller]\033[0m %s\n' "$*" >&2; }

nr_sudo() {
    if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
        nr_log "need root for: $*"; return 1; fi
}

nr_install_packages() {
    local missing=()
    for p in "${NR_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        nr_log "installing: ${missing[*]}"
        nr_sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
        nr_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
    fi
    # Wine's ANSI code page is 932 under a Japanese locale.
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
        nr_log "generating the ja_JP.UTF-8 locale"
        nr_sudo sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
        nr_sudo locale-gen >/dev/null
    fi
}

nr_configure_and_build() {
    local jobs
    jobs=$(nproc 2>/dev/null || echo 2)
    nr_log "building (native, sanitized, Windows)"
    cmake -S "$NR_ROOT" -B "$NR_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEWSROLLER_WERROR=ON >/dev/null
    cmake --build "$NR_BUILD/native" -j "$jobs"
    cmake -S "$NR_ROOT" -B "$NR_BUILD/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNEWSROLLER_SANITIZE=ON -DNEWSROLLER_WERROR=ON >/dev/null
    cmake --build "$NR_BUILD/sanitize" -j "$jobs"
    cmake -S "$NR_ROOT" -B "$NR_BUILD/windows" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEWSROLLER_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$NR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$NR_BUILD/windows" -j "$jobs"
}

nr_configure_and_build_fuzz() {
    cmake -S "$NR_ROOT" -B "$NR_BUILD/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEWSROLLER_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$NR_BUILD/fuzz" -j "$(nproc 2>/dev/null || echo 2)"
}

# Wine with a private prefix, Japanese locale, no Mono/Gecko dialogs, quiet.
nr_wine_env() {
    export WINEPREFIX="$NR_BUILD/wine"
    export WINEARCH=win64
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    export WINEDEBUG=-all
    export LANG=ja_JP.UTF-8
    export LC_ALL=ja_JP.UTF-8
    export NEWSROLLER_BROWSER_LOG=${NEWSROLLER_BROWSER_LOG:-$NR_BUILD/browser.log}
}

# Starts Xvfb when there is no display (or when NR_FORCE_XVFB=1); exports DISPLAY.
nr_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${NR_FORCE_XVFB:-0}" != 1 ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    NR_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    nr_log "Xvfb on $DISPLAY"
}

nr_stop_display() {
    [ -n "${NR_XVFB_PID:-}" ] && kill "$NR_XVFB_PID" 2>/dev/null
    NR_XVFB_PID=
}

# Creates the private Wine prefix once: fonts for the Japanese faces, the shell's "open" of links
# and pages going to a recorder instead of a browser, and .html files associated with it.
nr_wine_prefix() {
    nr_wine_env
    if [ -f "$WINEPREFIX/.newsroller-ready" ]; then
        # A prefix made before the registry file last changed gets the new keys.
        python3 "$NR_ROOT/scripts/lib/wine_registry.py" "$NR_ROOT/scripts/lib/browser-recorder" > "$NR_BUILD/prefix.reg"
        if ! cmp -s "$NR_BUILD/prefix.reg" "$WINEPREFIX/.newsroller-ready"; then
            wine regedit /S "$(winepath -w "$NR_BUILD/prefix.reg")" >/dev/null 2>&1
            wineserver -w
            cp "$NR_BUILD/prefix.reg" "$WINEPREFIX/.newsroller-ready"
        fi
        return 0
    fi
    nr_log "creating the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1
    wineserver -w
    python3 "$NR_ROOT/scripts/lib/wine_registry.py" "$NR_ROOT/scripts/lib/browser-recorder" > "$NR_BUILD/prefix.reg"
    wine regedit /S "$(winepath -w "$NR_BUILD/prefix.reg")" >/dev/null 2>&1
    wineserver -w
    cp "$NR_BUILD/prefix.reg" "$WINEPREFIX/.newsroller-ready"
}
