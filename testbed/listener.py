#!/usr/bin/env python3
"""Printer listener for the test bed: accepts raw jobs on loopback ports and
records each job's bytes, size and SHA-256.

Every port has a name; the n-th connection to port NAME is stored as
JOBS/NAME/NNNN.bin and, once the sender has closed the connection,
JOBS/NAME/NNNN.done holding "SIZE SHA256\n". The .done file is written
atomically, so a reader that sees it can trust the .bin beside it.

With --hash-only the bytes are hashed and discarded (benchmarks)."""
import argparse
import hashlib
import os
import socket
import sys
import threading


def serve(name, server, jobs_dir, hash_only):
    folder = os.path.join(jobs_dir, name)
    os.makedirs(folder, exist_ok=True)
    count = 0
    lock = threading.Lock()

    def receive(conn, number):
        digest = hashlib.sha256()
        size = 0
        base = os.path.join(folder, "%04d" % number)
        sink = None if hash_only else open(base + ".bin", "wb")
        try:
            while True:
                data = conn.recv(1 << 20)
                if not data:
                    break
                digest.update(data)
                size += len(data)
                if sink:
                    sink.write(data)
        finally:
            conn.close()
            if sink:
                sink.close()
        with open(base + ".tmp", "w") as f:
            f.write("%d %s\n" % (size, digest.hexdigest()))
        os.replace(base + ".tmp", base + ".done")

    while True:
        conn, _ = server.accept()
        with lock:
            count += 1
            number = count
        threading.Thread(target=receive, args=(conn, number), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobs", required=True, help="folder for the received jobs")
    parser.add_argument("--ports-file", required=True, help="where to write NAME PORT lines")
    parser.add_argument("--hash-only", action="store_true")
    parser.add_argument("names", nargs="+", help="one listening port per name")
    args = parser.parse_args()

    lines = []
    threads = []
    for name in args.names:
        server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        server.bind(("127.0.0.1", 0))
        server.listen(16)
        lines.append("%s %d\n" % (name, server.getsockname()[1]))
        t = threading.Thread(target=serve, args=(name, server, args.jobs, args.hash_only), daemon=True)
        t.start()
        threads.append(t)
    tmp = args.ports_file + ".tmp"
    with open(tmp, "w") as f:
        f.writelines(lines)
    os.replace(tmp, args.ports_file)
    for t in threads:
        t.join()


if __name__ == "__main__":
    sys.exit(main())
