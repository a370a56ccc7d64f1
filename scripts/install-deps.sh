#!/usr/bin/env bash
# Installs the Debian packages PostSweep needs that are missing; runs
# apt-get update only when something must be installed.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    googletest libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev
    dovecot-pop3d time openssl libssl3
    fonts-ipafont-gothic
    xvfb xauth xdg-utils
    dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0 imagemagick
)
if [ "${1:-}" = "--runtime" ]; then
    packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
              dovecot-pop3d fonts-ipafont-gothic xvfb xauth xdg-utils libssl3)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
