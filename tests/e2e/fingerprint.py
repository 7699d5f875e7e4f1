#!/usr/bin/env python3
"""Writes "SIZE SHA256" of FILE to OUT (atomically); given SIZE, first fills
FILE with that many random bytes. The tests use it for large files: SHA-256
runs here several times faster than in Wine's crypto provider."""
import hashlib
import os
import sys

path, out = sys.argv[1], sys.argv[2]
if len(sys.argv) > 3:
    with open(path, "wb") as f:
        for left in range(int(sys.argv[3]), 0, -(1 << 20)):
            f.write(os.urandom(min(left, 1 << 20)))
digest, size = hashlib.sha256(), 0
with open(path, "rb") as f:
    while chunk := f.read(1 << 20):
        digest.update(chunk)
        size += len(chunk)
with open(out + ".tmp", "w") as f:
    f.write("%d %s\n" % (size, digest.hexdigest()))
os.replace(out + ".tmp", out)
