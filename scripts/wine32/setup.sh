#!/usr/bin/env bash
# Makes 32-bit Wine run on this machine (as root; install-deps.sh calls it after the packages).
#
# Where the kernel runs 32-bit Linux programs itself, there is nothing to do. Where it cannot, every
# i386 program (Wine's loader and its services among them) runs on qemu's user-mode emulator:
#   - a binfmt_misc entry named `tockly-i386` hands i386 ELF files to qemu-i386 (from the
#     qemu-user package that install-deps.sh takes from bookworm-backports: Debian 12's own qemu
#     cannot keep Wine's address-space reservation and never finishes starting it);
#   - /usr/local/lib/tockly-wine32 holds the interpreter link and the trap-number fix library that
#     the Wine tests preload (tests/wine/winenv.py reads the entry to know whether to).
# The entry is kernel-wide until reboot and the only one of ours; other registrations are left alone.
#
# usage: setup.sh            set up what this kernel needs (safe to run again)
#        setup.sh --emulate  use the emulator even where the kernel could run 32-bit programs
#        setup.sh --undo     remove the entry and the library folder
# TOCKLY_WINE32_EMULATE=1 does what --emulate does.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/tockly-i386
home=/usr/local/lib/tockly-wine32
library_name=libtockly-trap-number.so
# The usual i386 ELF magic and mask: executables and shared objects, any OS/ABI byte.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

mode=auto
case "${1:-}" in
  --undo) mode=undo ;;
  --emulate) mode=emulate ;;
  "") [ "${TOCKLY_WINE32_EMULATE:-0}" = 1 ] && mode=emulate ;;
  *) echo "usage: $0 [--emulate|--undo]" >&2; exit 2 ;;
esac

remove_entry() {
  if [ -e "$entry" ]; then echo -1 > "$entry"; fi
}

if [ "$mode" = undo ]; then
  remove_entry
  rm -rf "$home"
  echo "wine32: removed the binfmt entry and $home"
  exit 0
fi

if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
fi

# Can the kernel run a 32-bit program by itself? Asked with our own entry out of the way.
native_runs() {
  local probe
  probe=$(mktemp -d)
  trap 'rm -rf "$probe"' RETURN
  echo 'int main(void) { return 7; }' > "$probe/probe.c"
  gcc -m32 -o "$probe/probe" "$probe/probe.c" 2>/dev/null || return 1
  local was_enabled=
  if [ -e "$entry" ] && head -1 "$entry" | grep -qx enabled; then
    was_enabled=1
    echo 0 > "$entry"
  fi
  local status=0
  "$probe/probe" 2>/dev/null || status=$?
  [ -n "$was_enabled" ] && echo 1 > "$entry"
  [ "$status" -eq 7 ]
}

if [ "$mode" = auto ] && native_runs; then
  remove_entry
  echo "wine32: this kernel runs 32-bit programs itself; no emulation set up"
  exit 0
fi

qemu=$(command -v qemu-i386 || true)
if [ -z "$qemu" ]; then
  echo "wine32: qemu-i386 is missing (package qemu-user from bookworm-backports)" >&2
  exit 1
fi

# Debian's qemu reads the program's own argv[0] from the kernel (flag P) only when its own
# name ends in -binfmt-P.
mkdir -p "$home/lib/i386-linux-gnu" "$home/lib/x86_64-linux-gnu"
ln -sfn "$qemu" "$home/qemu-i386-binfmt-P"
gcc -m32 -O2 -Wall -Wextra -Werror -shared -fPIC "$here/trap_number_fix.c" -ldl \
  -o "$home/lib/i386-linux-gnu/$library_name"
gcc -O2 -Wall -Wextra -Werror -shared -fPIC "$here/trap_number_fix.c" \
  -o "$home/lib/x86_64-linux-gnu/$library_name"

wanted="interpreter $home/qemu-i386-binfmt-P"
if [ -e "$entry" ] && grep -qx "$wanted" "$entry" && grep -qx 'flags: POF' "$entry" && head -1 "$entry" | grep -qx enabled; then
  echo "wine32: binfmt entry tockly-i386 already in place"
  exit 0
fi
remove_entry
echo ":tockly-i386:M::$magic:$mask:$home/qemu-i386-binfmt-P:POF" > "$binfmt/register"
echo "wine32: i386 programs now run on $("$qemu" --version | head -1) (binfmt entry tockly-i386)"
