#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs (so 32-bit Wine
# can start), non-zero otherwise. The probe is a 93-byte static i386 ELF that
# only calls exit(0): it needs no 32-bit compiler or library to exist.
set -u
probe=$(mktemp "${TMPDIR:-/tmp}/zefo-probe32.XXXXXX") || exit 2
trap 'rm -f "$probe"' EXIT
python3 - "$probe" <<'PY' || exit 2
import struct, sys
code = bytes([0xB8, 1, 0, 0, 0,   # mov eax, 1 (exit)
              0x31, 0xDB,         # xor ebx, ebx
              0xCD, 0x80])        # int 0x80
base, ehsize, phsize = 0x08048000, 52, 32
header = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)
header += struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + ehsize + phsize, ehsize, 0, 0,
                      ehsize, phsize, 1, 0, 0, 0)
size = ehsize + phsize + len(code)
program = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with open(sys.argv[1], "wb") as f:
    f.write(header + program + code)
PY
chmod +x "$probe"
"$probe" 2>/dev/null
