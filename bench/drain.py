#!/usr/bin/env python3
"""Reads a FIFO to its end and prints what arrived and when:
"bytes N first T last T sha256 H" (T in seconds since 1970). The printer
at the far end of a benchmark's port.

  drain.py FIFO           hashes the bytes as they come
  drain.py --fast FIFO    only counts them (sha256 "-"): hashing 256 MiB
                          takes a core about as long as the bare loop that
                          fills the FIFO, and would be what a timing sees"""
import hashlib
import os
import sys
import time


def main():
    fast = sys.argv[1] == "--fast"
    digest = hashlib.sha256()
    size = 0
    first = None
    buffer = bytearray(1 << 20)
    view = memoryview(buffer)
    fd = os.open(sys.argv[-1], os.O_RDONLY)
    try:
        while True:
            got = os.readv(fd, [buffer])
            if got == 0:
                break
            if first is None:
                first = time.time()
            size += got
            if not fast:
                digest.update(view[:got])
    finally:
        os.close(fd)
    last = time.time()
    print("bytes %d first %.6f last %.6f sha256 %s" % (size, first or last, last,
                                                        "-" if fast else digest.hexdigest()), flush=True)


main()
