#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when they are missing, and generates
# the ja_JP.UTF-8 locale that gives Wine the code page 932.
#   tools/setup.sh            everything: both builds, the tests, the demo, the release
#   tools/setup.sh release    only what tools/release.sh needs (no Wine, no locale)
set -euo pipefail

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# The Release programs and their zip.
release_packages=(cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix python3 git)

case ${1:-all} in
  release) packages=("${release_packages[@]}") ;;
  all)
    packages=(
      "${release_packages[@]}" g++ libgtest-dev libbenchmark-dev
      g++-multilib                                # the core's tests with the shipped program's 32-bit arithmetic
      clang libclang-rt-dev                       # the fuzzers: libFuzzer and the sanitizers
      googletest                                  # its sources, compiled in the Windows builds
      wine wine64 xvfb x11-utils                  # the Windows-built tests and the program under Wine
      fonts-wine                                  # Marlett, which draws the caption buttons (only recommended by Wine)
      fonts-ipafont-gothic fonts-monapo locales imagemagick    # Japanese text (Monapo: the dialog font's metrics), screenshots
    )
    ;;
  *) echo "usage: $0 [release]" >&2; exit 2 ;;
esac

install_missing() {  # PACKAGE... (name:arch for a foreign one)
  local missing=() p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$p")
  done
  [[ ${#missing[@]} -gt 0 ]] || return 0
  echo "Installing: ${missing[*]}"
  # Update the lists only when the install needs them (new architecture, or no lists yet).
  if [[ -n ${need_update:-} ]] || ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
    $sudo apt-get update -qq
    need_update=""
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

install_missing "${packages[@]}"
[[ ${1:-all} == all ]] || exit 0

# The 32-bit build runs under 32-bit Wine: natively where the kernel runs 32-bit programs (it
# needs the i386 architecture for wine32). Where it runs none (its 32-bit emulation switched
# off), the core's 32-bit tests run through qemu's user-mode emulation and 32-bit Wine inside
# an emulated machine (tools/vm32.sh), made from Debian's packages.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture"
    $sudo dpkg --add-architecture i386
    need_update=1
  fi
  install_missing wine32:i386
else
  install_missing qemu-user-static qemu-system-x86 debootstrap e2fsprogs
fi

# LANG=ja_JP.UTF-8 only takes effect once the locale exists.
if ! locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; then
  echo "Generating the ja_JP.UTF-8 locale"
  if [[ -f /etc/locale.gen ]] && grep -qE '^# *ja_JP\.UTF-8 UTF-8' /etc/locale.gen; then
    $sudo sed -i -E 's/^# *(ja_JP\.UTF-8 UTF-8)/\1/' /etc/locale.gen
    $sudo locale-gen >/dev/null
  else
    $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
fi
