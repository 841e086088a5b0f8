#!/usr/bin/env python3
"""Deflates a file into a zlib stream, at the highest level.

  deflate.py IN OUT

The setup stub carries its uninstaller this way and inflates it when it
writes it out (install/uninstall_writer.cpp).
"""
import sys
import zlib

if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], 'rb') as f:
        data = f.read()
    packer = zlib.compressobj(level=9, method=zlib.DEFLATED, wbits=15, memLevel=9)
    with open(sys.argv[2], 'wb') as f:
        f.write(packer.compress(data) + packer.flush())
