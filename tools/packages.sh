# Debian packages the build, the tests and the peers need; sourced by the set-up scripts.
# shellcheck shell=bash
BB_BUILD_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
    libhamlib-dev libdbus-1-dev tzdata
)
BB_RUN_PACKAGES=(xvfb xauth dbus)
BB_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    libhamlib-utils dbus xvfb xauth direwolf
    clang libclang-rt-14-dev lld locales openbox x11-utils groff-base
)
# A real notification service and a screen grabber, for the pictures of the docs.
BB_SCREENSHOT_PACKAGES=(dunst imagemagick xvfb xauth dbus openbox x11-utils)
# The comma locales the suite runs under once more: most users have one.
BB_TEST_LOCALES=(de_DE nl_NL)

# Installs whichever of the named packages are missing; safe to run again.
bb_install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q
        apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# Configures and builds one tree; extra arguments go to cmake. A compiler cache, where the
# machine has one, makes the next build of the same sources quick.
bb_build() {
    local dir=$1
    shift
    local cache=()
    command -v ccache >/dev/null && cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$BB_TOP" -B "$BB_TOP/$dir" -G Ninja "${cache[@]}" "$@"
    cmake --build "$BB_TOP/$dir" --parallel "$(nproc)"
}

# Generates the test locales that are missing (UTF-8); safe to run again.
bb_make_locales() {
    local l
    for l in "$@"; do
        locale -a 2>/dev/null | grep -qix "$l.utf-\?8" || localedef -i "$l" -f UTF-8 "$l.UTF-8"
    done
}
