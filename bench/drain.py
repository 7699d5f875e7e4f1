#!/usr/bin/env python3
"""Reads a FIFO to its end and prints what arrived and when:
"bytes N first T last T sha256 H" (T in seconds since 1970). The printer
at the far end of a benchmark's port."""
import hashlib
import sys
import time

def main():
    digest = hashlib.sha256()
    size = 0
    first = None
    with open(sys.argv[1], "rb", buffering=0) as fifo:
        while True:
            data = fifo.read(1 << 20)
            if not data:
                break
            if first is None:
                first = time.time()
            size += len(data)
            digest.update(data)
    last = time.time()
    print("bytes %d first %.6f last %.6f sha256 %s" % (size, first or last, last, digest.hexdigest()), flush=True)

main()
