# The Debian packages that building, testing, the demo and releasing need, installed when missing.
# Keeps no state: PELLMONT_PACKAGES is the fixed list, and installing exports
# DEBIAN_FRONTEND=noninteractive, so that apt-get never asks.
#   ensure_packages                     installs whatever of PELLMONT_PACKAGES is missing
#   install_debian_packages PACKAGE...  installs the named packages (apt-get install options first)

PELLMONT_PACKAGES=(
    cmake ninja-build googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine64 wine wixl fonts-wine
    xvfb pulseaudio pulseaudio-utils imagemagick xdotool
    osslsigncode openssl
)

ensure_packages() {
    local missing=()
    local package
    for package in "${PELLMONT_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing missing packages: ${missing[*]}"
        install_debian_packages "${missing[@]}"
    fi
}

install_debian_packages() {  # install_debian_packages [apt-get install options...] PACKAGE...
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
