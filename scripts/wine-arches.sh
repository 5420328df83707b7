#!/usr/bin/env bash
# Prints the Windows architectures whose programs this host can run under
# Wine, the release architecture first: "i686 x86_64" where the kernel runs
# 32-bit x86 code, otherwise "x86_64". Every script and test that runs a
# program under Wine asks here instead of guessing.
#
# Some kernels have their 32-bit emulation switched off. There wine32 cannot
# run, and neither can Wine's WoW64 mode, so the i686 program cannot run at
# all. A minimal i386 program, made here and never committed, tells which; the
# same program for x86_64 shows that the folder lets programs run at all.
set -euo pipefail

for tool in as ld; do
  command -v "$tool" >/dev/null || { echo "wine-arches: $tool (binutils) is missing" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Exit status of a program that ends with status 7 through the system call of
# one architecture: 32 (int 0x80, exit is 1) or 64 (syscall, exit is 60).
status_of() {
  if [ "$1" = 32 ]; then
    printf '.globl _start\n_start: movl $1, %%eax\nmovl $7, %%ebx\nint $0x80\n'
  else
    printf '.globl _start\n_start: movl $60, %%eax\nmovl $7, %%edi\nsyscall\n'
  fi >"$scratch/exit7-$1.S"
  as "--$1" "$scratch/exit7-$1.S" -o "$scratch/exit7-$1.o"
  ld -m "$([ "$1" = 32 ] && echo elf_i386 || echo elf_x86_64)" "$scratch/exit7-$1.o" -o "$scratch/exit7-$1"
  local status=0
  "$scratch/exit7-$1" 2>/dev/null || status=$?
  echo "$status"
}

if [ "$(status_of 64)" -ne 7 ]; then
  echo "wine-arches: programs made in $scratch do not run (is it mounted noexec? set TMPDIR)" >&2
  exit 1
fi
if [ "$(status_of 32)" -eq 7 ]; then
  echo "i686 x86_64"
else
  echo "x86_64"
fi
