#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Pixelon needs.
set -euo pipefail
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth
    imagemagick netpbm libjpeg-turbo-progs gifsicle giflib-tools libgif-dev libspng-dev zlib1g-dev pngcheck
    openobex-apps socat iproute2 util-linux
    libfreetype-dev pcf2bdf xfonts-utils xfonts-base xfonts-unifont fontconfig fonts-dejavu-core
    poppler-utils hyperfine pkg-config x11-utils xdotool twm
    desktop-file-utils shared-mime-info libxml2-utils lintian dpkg-dev fakeroot file
    bash-completion man-db groff-base binutils strace python3
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
