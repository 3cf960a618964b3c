#!/usr/bin/env bash
# Installs with apt-get whatever this project needs and the machine lacks.
# Usage: scripts/install-deps.sh [native|windows|all]
set -euo pipefail
want=${1:-all}

sudo_if_needed() {
  if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

packages=(cmake ninja-build g++ pkg-config googletest libmsi-dev libglib2.0-dev msitools
          libcli11-dev nlohmann-json3-dev libbenchmark-dev)
if [ "$want" != native ]; then
  packages+=(g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$want" != native ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_if_needed dpkg --add-architecture i386
fi
sudo_if_needed apt-get update -qq
sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
