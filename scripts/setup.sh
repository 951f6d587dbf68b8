#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib vsftpd lftp curl socat iproute2 util-linux
  libxcb1-dev
  xvfb xauth poppler-utils
  # Formats the lines a change touches (.clang-format, git clang-format).
  clang-format
  # The download benchmark's run with the desktop's accessibility bus active and a listener on it.
  at-spi2-core dbus-daemon dbus-bin python3-dbus python3-gi
  # Metric-compatible stand-ins for the Arial and Courier New the windows are laid out with.
  fonts-liberation2
  # Qt's own German texts (standard buttons, print and file dialogs).
  qt6-translations-l10n
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
