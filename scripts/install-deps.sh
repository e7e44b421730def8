#!/usr/bin/env bash
# Installs every package the build and the tests need on a fresh Debian 12 machine (run as root).
# Safe to run again: apt skips what is already there.
set -euo pipefail

want_native=(build-essential cmake ninja-build pkg-config ccache googletest libgtest-dev libgmock-dev
  libbenchmark-dev nlohmann-json3-dev clang clang-format lld llvm libclang-rt-14-dev python3
  g++-multilib qemu-user-static)
want_cross=(g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64)
want_wine=(wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick fonts-wqy-microhei locales
  pulseaudio pulseaudio-utils libpulse0:i386 sox lame
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-plugins-ugly:i386
  gstreamer1.0-libav:i386
  libpulse0:amd64 gstreamer1.0-plugins-base:amd64 gstreamer1.0-plugins-good:amd64
  gstreamer1.0-plugins-ugly:amd64 gstreamer1.0-libav:amd64 python3)

missing=()
for p in "${want_native[@]}" "${want_cross[@]}" "${want_wine[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ] && locale -a 2>/dev/null | grep -qi 'zh_CN.utf8'; then
  echo "install-deps: everything is already installed"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# The security suite's i386 index is sometimes out of step with amd64; taking the main
# suite's versions for both keeps the two architectures installable together.
pin=/etc/apt/preferences.d/tockly-security-pin
if [ ! -f "$pin" ]; then
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' > "$pin"
fi
apt-get update -q || apt-get update -q || true
apt-get install -y -q --no-install-recommends "${want_native[@]}" "${want_cross[@]}"
apt-get install -y -q --no-install-recommends "${want_wine[@]}" || {
  apt-get update -q || true
  apt-get install -y -q --no-install-recommends "${want_wine[@]}"
}

if ! locale -a 2>/dev/null | grep -qi 'zh_CN.utf8'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
echo "install-deps: done"
