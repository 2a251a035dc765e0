#!/bin/bash
# Installs what building and testing need on Debian 12, as root. Quick when all is present.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick
  cmake make googletest python3-pefile
  fonts-ipafont-gothic fonts-ipafont-mincho
  locales qemu-user-static
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages (${missing[*]}); run this script as root" >&2
    exit 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine creates files with Japanese names only when the glibc locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [[ $(id -u) -eq 0 ]]; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  else
    echo "setup: locale ja_JP.UTF-8 missing; run this script as root" >&2
    exit 1
  fi
fi

# Some kernels are booted without 32-bit emulation; then i386 programs (the
# 32-bit Wine loader among them) run under qemu's user-mode emulator instead.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  binfmt=/proc/sys/fs/binfmt_misc
  [[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [[ ! -e $binfmt/qemu-i386 ]]; then
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' > "$binfmt/register"
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "setup: cannot run i386 programs" >&2; exit 1; }
fi
