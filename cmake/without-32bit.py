#!/usr/bin/python3
"""Runs a command as on a machine whose kernel cannot execute 32-bit code:
every process of it that makes a 32-bit system call is killed at once, as a
kernel without 32-bit support refuses such a program. 64-bit programs, and
32-bit ones under qemu-i386 (whose calls are the host's own), run as usual.
For proving the scripts on a machine that can run 32-bit code.

usage: cmake/without-32bit.py COMMAND [ARG...]"""
import ctypes
import os
import struct
import sys

PR_SET_NO_NEW_PRIVS, PR_SET_SECCOMP, SECCOMP_MODE_FILTER = 38, 22, 2
AUDIT_ARCH_I386 = 0x40000003
SECCOMP_RET_KILL_PROCESS, SECCOMP_RET_ALLOW = 0x80000000, 0x7FFF0000


def insn(code, jt, jf, k):
    return struct.pack("HBBI", code, jt, jf, k)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    prog = b"".join([
        insn(0x20, 0, 0, 4),                      # load seccomp_data.arch
        insn(0x15, 0, 1, AUDIT_ARCH_I386),        # a 32-bit call?
        insn(0x06, 0, 0, SECCOMP_RET_KILL_PROCESS),
        insn(0x06, 0, 0, SECCOMP_RET_ALLOW),
    ])
    filt = ctypes.create_string_buffer(prog)
    fprog = struct.pack("HxxxxxxP", len(prog) // 8, ctypes.addressof(filt))
    fbuf = ctypes.create_string_buffer(fprog)
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl.argtypes = [ctypes.c_int] + [ctypes.c_ulong] * 4
    if libc.prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) or \
            libc.prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, ctypes.addressof(fbuf), 0, 0):
        sys.exit("without-32bit: the kernel refused the filter: " + os.strerror(ctypes.get_errno()))
    os.execvp(sys.argv[1], sys.argv[1:])


if __name__ == "__main__":
    main()
