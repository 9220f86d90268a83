#!/usr/bin/env python3
"""Load client for the chat server: many users log in, each sends lines, every delivery is counted.

Only the standard library; one process drives every connection through one selector.
"""
import argparse
import re
import selectors
import socket
import sys
import time

TOKEN = re.compile(rb"L(\d+)-(\d+);")


class User:
    __slots__ = ("index", "sock", "nick", "pending", "seen", "received", "duplicates",
                 "arrivals", "multi", "sent", "next_send", "list_size", "closed")

    def __init__(self, index, sock, total_tokens):
        self.index = index
        self.sock = sock
        self.nick = b"u%d" % index
        self.pending = b""
        self.seen = bytearray(total_tokens)
        self.received = 0
        self.duplicates = 0
        self.arrivals = 0
        self.multi = 0  # arrivals holding more than one server message
        self.sent = 0
        self.next_send = 0.0
        self.list_size = 0
        self.closed = False


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--clients", type=int, default=200)
    parser.add_argument("--lines", type=int, default=50)
    parser.add_argument("--timeout", type=float, default=150.0)
    # Undelivered lines allowed per receiver; kept under the server's queue bound (1000) so a
    # receiver that keeps reading is never taken for a stalled one.
    parser.add_argument("--window", type=int, default=500)
    # Spacing of one user's own lines, so the server reads each of them as its own message.
    parser.add_argument("--interval-ms", type=float, default=20.0)
    args = parser.parse_args()
    if args.host not in ("127.0.0.1", "::1", "localhost"):
        sys.exit("loopback only")

    n, lines = args.clients, args.lines
    deadline = time.monotonic() + args.timeout
    sel = selectors.DefaultSelector()
    users = []
    for i in range(n):
        sock = socket.create_connection((args.host, args.port), timeout=10)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        sock.setblocking(False)
        user = User(i, sock, n * lines)
        users.append(user)
        sel.register(sock, selectors.EVENT_READ, user)
        sock.sendall(b"name|" + user.nick)

    def receive(timeout):
        for key, _ in sel.select(timeout):
            user = key.data
            while True:
                try:
                    data = user.sock.recv(65536)
                except BlockingIOError:
                    break
                except OSError:
                    data = b""
                if not data:
                    user.closed = True
                    sel.unregister(user.sock)
                    break
                user.arrivals += 1
                if data.count(b"text|") + data.count(b"cons|") > 1:
                    user.multi += 1
                if user.list_size < n and b"cons|" in data:
                    last = data[data.rfind(b"cons|") + 5:]
                    user.list_size = max(user.list_size, last.count(b"|"))
                buf = user.pending + data
                for match in TOKEN.finditer(buf):
                    slot = int(match.group(1)) * lines + int(match.group(2))
                    if user.seen[slot]:
                        user.duplicates += 1
                    else:
                        user.seen[slot] = 1
                        user.received += 1
                user.pending = buf[buf.rfind(b";") + 1:][-64:]

    while any(u.list_size < n for u in users):
        if time.monotonic() > deadline or any(u.closed for u in users):
            break
        receive(0.05)
    login_done = time.monotonic()
    for u in users:
        u.arrivals = u.multi = 0

    expected = (n - 1) * lines
    total_sent = 0
    start = time.monotonic()
    interval = args.interval_ms / 1000.0
    next_user = 0
    while time.monotonic() < deadline:
        if all(u.received >= expected or u.closed for u in users):
            break
        now = time.monotonic()
        if total_sent < n * lines:
            # The slowest receiver decides how far ahead the senders may run.
            behind = max(total_sent - u.sent - u.received for u in users if not u.closed)
            budget = args.window - behind
            for _ in range(n):
                if budget <= 0:
                    break
                u = users[next_user]
                next_user = (next_user + 1) % n
                if u.closed or u.sent >= lines or u.next_send > now:
                    continue
                u.sock.sendall(b"text|ol\xe1|L%d-%d;" % (u.index, u.sent))
                u.sent += 1
                u.next_send = now + interval
                total_sent += 1
                budget -= 1
        receive(0.001)
    elapsed = time.monotonic() - start

    delivered = sum(u.received for u in users)
    arrivals = sum(u.arrivals for u in users)
    multi = sum(u.multi for u in users)
    print(f"clients {n}, lines each {lines}, login phase {login_done - (deadline - args.timeout):.2f} s")
    print(f"delivered {delivered} of {n * expected} lines in {elapsed:.2f} s "
          f"({delivered / elapsed:.0f} deliveries/s, {total_sent / elapsed:.0f} lines/s sent)")
    print(f"arrivals {arrivals}, holding more than one message: {multi} "
          f"({100.0 * multi / max(arrivals, 1):.2f} %), duplicates {sum(u.duplicates for u in users)}, "
          f"disconnected {sum(u.closed for u in users)}")
    for u in users:
        u.sock.close()
    ok = delivered == n * expected and not any(u.closed for u in users)
    print("RESULT", "OK" if ok else "INCOMPLETE")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
