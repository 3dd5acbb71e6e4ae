#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those
# that are missing. Runs as root, or through sudo.
set -euo pipefail

packages=(cmake ninja-build g++ python3 clang-format libgtest-dev libgmock-dev googletest libbenchmark-dev
          g++-mingw-w64-i686-posix wine wine32:i386 clang libclang-rt-14-dev
          libcurl4-openssl-dev zip unzip time xvfb xauth xfonts-base strace)
if [ "${1:-}" = "--native-only" ]; then
  packages=(cmake ninja-build g++ python3 clang-format libgtest-dev libgmock-dev googletest libcurl4-openssl-dev strace)
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
for p in "${missing[@]}"; do
  case "$p" in
    *:i386)
      dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ;;
  esac
done
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
