#!/usr/bin/env bash
# Installs every package the build and the tests need on a fresh Debian 12 machine (run as root).
# Safe to run again: apt skips what is already there.
set -euo pipefail

want_native=(build-essential cmake ninja-build pkg-config ccache googletest libgtest-dev libgmock-dev
  libbenchmark-dev nlohmann-json3-dev clang clang-format lld llvm libclang-rt-14-dev python3
  g++-multilib)
want_cross=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
want_wine=(wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool x11-utils imagemagick fonts-wqy-microhei locales
  pulseaudio pulseaudio-utils libpulse0:i386 sox lame
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-plugins-ugly:i386
  gstreamer1.0-libav:i386 python3)
# The user-mode emulator that runs 32-bit Wine where the kernel cannot run 32-bit programs (and the
# image's i686 code in a unit test): Debian 12's own qemu (7.2) never finishes starting Wine, so this
# one package comes from bookworm-backports; everything else comes from the main suite.
want_backports=(qemu-user)
backports_source=/etc/apt/sources.list.d/tockly-bookworm-backports.sources

qemu_new_enough() {
  local version
  version=$(qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')
  [ -n "$version" ] && set -- $version && { [ "$1" -gt 8 ] || { [ "$1" -eq 8 ] && [ "$2" -ge 1 ]; }; }
}

missing=()
for p in "${want_native[@]}" "${want_cross[@]}" "${want_wine[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ] && qemu_new_enough && locale -a 2>/dev/null | grep -qi 'zh_CN.utf8'; then
  echo "install-deps: every package is already installed"
  bash "$(dirname "$0")/wine32/setup.sh"
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
if [ ! -f "$backports_source" ]; then
  printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    > "$backports_source"
fi
apt-get update -q || apt-get update -q || true
apt-get install -y -q --no-install-recommends "${want_native[@]}" "${want_cross[@]}"
apt-get install -y -q --no-install-recommends "${want_wine[@]}" || {
  apt-get update -q || true
  apt-get install -y -q --no-install-recommends "${want_wine[@]}"
}

if ! qemu_new_enough; then
  apt-get install -y -q --no-install-recommends -t bookworm-backports "${want_backports[@]}"
fi
qemu_new_enough || { echo "install-deps: qemu-i386 8.1 or newer is needed for 32-bit Wine" >&2; exit 1; }

if ! locale -a 2>/dev/null | grep -qi 'zh_CN.utf8'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
bash "$(dirname "$0")/wine32/setup.sh"
echo "install-deps: done"
