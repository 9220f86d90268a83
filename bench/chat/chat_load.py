#!/usr/bin/env python3
"""Load and abuse runs against the chat server on loopback.

Every client is a real TCP connection from an address of its own (127.0.x.y), so the server's
per-address limit applies as it would to people on different machines. Clients are spread over
worker processes. Lines carry their sender, a sequence number and the time they were sent; every
receiver checks that it gets every line of every other talker once, in order, each in a message
of its own (not merged with another line), and how long it took.

Only the standard library.
"""
import argparse
import collections
import multiprocessing
import os
import random
import re
import resource
import selectors
import socket
import struct
import sys
import time

TOKEN = re.compile(rb"L\d+-\d+-\d+;")
# A line relayed whole and alone: its sender's nickname, the line, and nothing else of another.
LINE = re.compile(rb"text\|u(\d+)\|ol\xe1\|L\1-(\d+)-(\d+);\.*(?=text\||cons\||$)")
NOTICE = b"text|Servidor|"


def address(index):
    return "127.0.%d.%d" % (1 + index // 250, 1 + index % 250)


class Plan:
    """What one client does. Times are seconds from the start of the traffic."""

    def __init__(self, role, index, rate=0.0, size=0, at=0.0, nick=None, addr=None, noise=False):
        # user: logs in, reads, talks at `rate` lines/s; idle: connects and sends nothing;
        # nonreader: logs in and never reads; newcomer: logs in at `at`, again every second
        # until it is in; junk: logs in, then sends `size` random bytes `rate` times a second;
        # longline: logs in, then sends one line of `size` bytes; raw: sends `size` bytes
        # (random when `noise`) without logging in; renamer: renames itself `rate` times a second.
        self.role = role
        self.index = index
        self.noise = noise
        self.rate = rate
        self.size = size
        self.at = at
        self.nick = nick or ("u%d" % index)
        self.addr = addr or address(index)


class Client:
    def __init__(self, plan):
        self.plan = plan
        self.sock = None
        self.open = False
        self.sent = 0
        self.next_send = 0.0
        self.got = {}  # sender -> (count, last seq)
        self.out_of_order = 0
        self.duplicates = 0
        self.merged = 0
        self.multi = 0
        self.arrivals = 0
        self.bytes = 0  # received once the traffic has started
        self.list_size = 0
        self.lists = 0  # user lists received once the traffic has started
        self.listed_before_start = False
        self.closed_at = None
        self.notices = []
        self.payload = b""  # what a bulk sender still has to send
        self.accepted_at = None  # newcomer: when it first saw itself in the list
        self.attempts = 0
        self.refused = []


def connect(client, port):
    plan = client.plan
    sock = socket.socket()
    if plan.role == "nonreader":
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    sock.bind((plan.addr, 0))
    sock.settimeout(10)
    sock.connect(("127.0.0.1", port))
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    sock.setblocking(False)
    client.sock = sock
    client.open = True


def tcp_state(sock):
    return struct.unpack("B", sock.getsockopt(socket.IPPROTO_TCP, socket.TCP_INFO, 1))[0]


def worker(plans, port, start, end, quiet_s, hard_end, results):
    _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    sel = selectors.DefaultSelector()
    clients = [Client(s) for s in plans]
    rng = random.Random(os.getpid())
    lat = collections.Counter()  # latency in 0.1 ms steps
    last_line = time.monotonic()

    def open_client(c, now):
        c.attempts += 1
        try:
            connect(c, port)
        except OSError as error:
            c.refused.append("connect: %s" % error)
            c.next_send = now + 1.0
            return
        if c.plan.role != "nonreader":
            sel.register(c.sock, selectors.EVENT_READ, c)
        role = c.plan.role
        if role in ("user", "nonreader", "newcomer", "junk", "longline", "renamer"):
            c.sock.send(b"name|" + c.plan.nick.encode("latin-1"))
        if role == "longline":
            c.payload = b"text|" + b"x" * c.plan.size
        elif role == "raw":
            c.payload = rng.randbytes(c.plan.size) if c.plan.noise else b"x" * c.plan.size

    def close_client(c, now):
        c.open = False
        if c.plan.role == "newcomer" and c.accepted_at is None:
            c.next_send = now + 1.0  # try again in a second
        elif c.closed_at is None:
            c.closed_at = now
        try:
            sel.unregister(c.sock)
        except (KeyError, ValueError):
            pass
        c.sock.close()

    def receive(c, now):
        nonlocal last_line
        while True:
            try:
                data = c.sock.recv(1 << 20)
            except BlockingIOError:
                return
            except OSError:
                data = b""
            if not data:
                close_client(c, now)
                return
            c.arrivals += 1
            if now >= start:
                c.bytes += len(data)
            texts = data.count(b"text|")
            lists = data.count(b"cons|")
            if texts + lists > 1:
                c.multi += 1
            if lists:
                if now >= start:
                    c.lists += lists
                names = data[data.rfind(b"cons|"):].split(b"text|")[0].split(b"|")[1:-1]
                c.list_size = max(c.list_size, len(names))
                if now < start:
                    c.listed_before_start = c.list_size
                if c.plan.role == "newcomer" and c.accepted_at is None and \
                        c.plan.nick.encode() in names:
                    c.accepted_at = now
            if NOTICE in data:
                c.notices += [m.split(b"text|")[0].decode("latin-1")
                              for m in data.split(NOTICE)[1:]]
            if not texts:
                continue
            lines = LINE.findall(data)
            c.merged += len(TOKEN.findall(data)) - len(lines)
            if lines:
                last_line = now
            arrived = time.monotonic_ns()
            for sender, seq, sent_ns in lines:
                sender, seq = int(sender), int(seq)
                count, last = c.got.get(sender, (0, -1))
                if seq <= last:
                    c.duplicates += 1
                    continue
                if seq != last + 1:
                    c.out_of_order += 1
                c.got[sender] = (count + 1, seq)
                lat[(arrived - int(sent_ns)) // 100_000] += 1

    for c in clients:
        c.next_send = start + c.plan.at + (rng.random() / c.plan.rate if c.plan.rate else 0)
        if c.plan.at <= 0:
            open_client(c, time.monotonic())

    while True:
        now = time.monotonic()
        if now >= hard_end or (now > end and now - last_line > quiet_s):
            break
        for key, _ in sel.select(0.002):
            receive(key.data, now)
        now = time.monotonic()
        for c in clients:
            role = c.plan.role
            if not c.open:
                if (c.sock is None or role == "newcomer") and c.closed_at is None and \
                        c.accepted_at is None and now >= c.next_send and now < end:
                    open_client(c, now)
                continue
            if role == "nonreader":
                if tcp_state(c.sock) != 1:  # no longer established
                    close_client(c, now)
                continue
            if now < start or now >= end:
                continue
            if c.payload:
                try:
                    sent = c.sock.send(c.payload[:1 << 16])
                    c.payload = c.payload[sent:]
                    c.sent += sent
                except BlockingIOError:
                    pass
                except OSError:
                    close_client(c, now)
                continue
            if not c.plan.rate or now < c.next_send or role == "newcomer":
                continue
            c.next_send += 1.0 / c.plan.rate
            if role == "user":
                line = b"text|ol\xe1|L%d-%d-%d;" % (c.plan.index, c.sent, time.monotonic_ns())
                line += b"." * max(0, c.plan.size - len(line))
            elif role == "renamer":
                line = b"name|" + bytes(rng.choice(b"abcdefghij") for _ in range(c.plan.size))
            else:  # junk
                line = rng.randbytes(c.plan.size)
            try:
                c.sock.send(line)
                c.sent += len(line) if role == "junk" else 1
            except BlockingIOError:
                pass
            except OSError:
                close_client(c, now)

    report = []
    for c in clients:
        if c.open:
            c.sock.close()
        report.append({k: getattr(c, k) for k in (
            "sent", "got", "out_of_order", "duplicates", "merged", "multi", "arrivals", "bytes",
            "list_size", "lists", "listed_before_start", "closed_at", "notices", "accepted_at",
            "attempts", "refused")})
        report[-1]["role"] = c.plan.role
        report[-1]["index"] = c.plan.index
    results.put((report, lat))


def percentile(hist, q):
    total = sum(hist.values())
    if not total:
        return float("nan")
    want = q * total
    seen = 0
    for step in sorted(hist):
        seen += hist[step]
        if seen >= want:
            return step / 10.0
    return max(hist) / 10.0


def scenario(name, args):
    """The clients of one run and how long the traffic lasts."""
    plans = []

    def add(role, **kw):
        plans.append(Plan(role, len(plans), **kw))

    chatters = lambda n=3: [add("user", rate=1.0) for _ in range(n)]
    if name == "room":
        for i in range(args.clients):
            add("user", rate=args.rate if i < args.talkers else 0.0)
        return plans, args.duration
    if name == "flood":
        for _ in range(15):
            add("user", rate=20.0)
        add("user")  # a plain reader
        chatters(2)
        return plans, 10.0
    if name == "idle":
        chatters()
        # Idle connections from one address (the per-address limit keeps all but a few out),
        # then from as many addresses as it takes to fill the room.
        for _ in range(30):
            add("idle", at=1.0, addr="127.0.200.1")
        for i in range(1000):
            add("idle", at=1.0, addr=address(2000 + i))
        add("newcomer", at=3.0, nick="recem")
        return plans, 20.0
    if name == "nonreader":
        # Enough traffic to fill the kernel's buffers for the non-reader (a few MB) early on.
        for i in range(40):
            add("user", rate=10.0 if i < 20 else 0.0, size=1500)
        add("nonreader")
        return plans, 60.0
    if name == "longline":
        chatters()
        add("longline", size=10 << 20)
        add("raw", size=10 << 20)
        return plans, 15.0
    if name == "junk":
        chatters()
        for _ in range(5):
            add("junk", rate=200.0, size=1000)
        for _ in range(5):
            add("raw", size=10 << 20, noise=True)
        return plans, 15.0
    if name == "renames":
        chatters(2)
        for i in range(997):
            add("user", nick="n%03d" % i + "x" * 60)
        add("renamer", rate=20.0, size=64)
        return plans, 5.0
    raise SystemExit("unknown scenario " + name)


def cpu_seconds(pid):
    if not pid:
        return 0.0
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run(name, args):
    plans, duration = scenario(name, args)
    logins = sum(1 for s in plans if s.at <= 0)
    start = time.monotonic() + 2.0 + logins / 150.0
    end = start + duration
    hard_end = end + args.drain
    results = multiprocessing.Queue()
    procs = []
    for w in range(args.workers):
        mine = plans[w::args.workers]
        p = multiprocessing.Process(target=worker, args=(mine, args.port, start, end, 3.0,
                                                         hard_end, results))
        p.start()
        procs.append(p)
    time.sleep(max(0.0, start - time.monotonic()))
    cpu = cpu_seconds(args.server_pid)
    reports, lat = [], collections.Counter()
    for _ in procs:
        r, h = results.get()
        reports += r
        lat.update(h)
    args.server_cpu = cpu_seconds(args.server_pid) - cpu
    for p in procs:
        p.join()
    return plans, reports, lat, start, end


def summarise(name, plans, reports, lat, start, end, args):
    users = [r for r in reports if r["role"] == "user"]
    talkers = {r["index"]: r["sent"] for r in users if r["sent"]}
    expected = delivered = short = 0
    for r in users:
        for t, sent in talkers.items():
            if t == r["index"]:
                continue
            expected += sent
            got = r["got"].get(t, (0, -1))[0]
            delivered += got
            if got < sent:
                short += 1
    dropped = [r for r in users if r["closed_at"] is not None]
    print(f"[{name}] {len(reports)} clients, {len(talkers)} talking, "
          f"{sum(talkers.values())} lines sent in {end - start:.0f} s")
    print(f"  lines delivered {delivered} of {expected} "
          f"({short} receiver/talker pairs short), out of order "
          f"{sum(r['out_of_order'] for r in users)}, duplicates "
          f"{sum(r['duplicates'] for r in users)}, merged lines {sum(r['merged'] for r in users)}")
    arrivals = sum(r["arrivals"] for r in users)
    multi = sum(r["multi"] for r in users)
    print(f"  arrivals {arrivals}, of which holding more than one message {multi} "
          f"({100.0 * multi / max(arrivals, 1):.3f} %: paced apart by the server, read together "
          f"by a reader that came late)")
    print(f"  latency ms: median {percentile(lat, 0.5):.1f}, p99 {percentile(lat, 0.99):.1f}, "
          f"max {percentile(lat, 1.0):.1f}")
    print(f"  logged-in users disconnected: {len(dropped)}"
          + "".join(f"\n    u{r['index']} at {r['closed_at'] - start:+.1f} s: {r['notices']}"
                    for r in dropped[:5]))
    others = [r for r in reports if r["role"] != "user"]
    by_role = collections.defaultdict(list)
    for r in others:
        by_role[r["role"]].append(r)
    for role, rs in sorted(by_role.items()):
        closed = [r["closed_at"] - start for r in rs if r["closed_at"] is not None]
        notices = collections.Counter(n for r in rs for n in r["notices"])
        line = f"  {role}: {len(rs)}, closed by the server {len(closed)}"
        if closed:
            line += f" (from {min(closed):+.1f} s to {max(closed):+.1f} s)"
        failures = sum(len(r["refused"]) for r in rs)
        if failures:
            line += f", connections that failed {failures}"
        if role in ("longline", "raw", "junk"):
            line += f", bytes sent (the kernel buffers most) {sum(r['sent'] for r in rs)}"
        if role == "renamer":
            line += f", renames sent {sum(r['sent'] for r in rs)}"
        if role == "newcomer":
            r = rs[0]
            line += (f", attempts {r['attempts']}, in at "
                     + (f"{r['accepted_at'] - start:+.1f} s" if r["accepted_at"] else "never"))
        print(line)
        for text, count in notices.most_common(3):
            print(f"    notice x{count}: {text}")
    print(f"  received by all clients during the traffic "
          f"{sum(r['bytes'] for r in reports) / 1e6:.1f} MB, user lists "
          f"{sum(r['lists'] for r in reports)} (at most {max(r['lists'] for r in reports)} each)")
    listed = min((r["listed_before_start"] or 0) for r in users)
    print(f"  user list seen before the traffic: at least {listed} names")
    if args.server_pid:
        print(f"  server CPU time from the start of the traffic {args.server_cpu:.1f} s")
        with open(f"/proc/{args.server_pid}/status") as status:
            for line in status:
                if line.startswith(("VmHWM", "VmRSS")):
                    print("  server " + " ".join(line.split()))
    return delivered == expected and not dropped and not any(
        r["merged"] or r["out_of_order"] or r["duplicates"] for r in users)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("scenario", choices=["room", "flood", "idle", "nonreader", "longline",
                                             "junk", "renames"])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--server-pid", type=int)
    parser.add_argument("--workers", type=int, default=3)
    parser.add_argument("--clients", type=int, default=200)
    parser.add_argument("--talkers", type=int, default=20)
    parser.add_argument("--rate", type=float, default=10.0, help="lines per second per talker")
    parser.add_argument("--duration", type=float, default=60.0)
    parser.add_argument("--drain", type=float, default=60.0,
                        help="seconds after the traffic to wait for the last lines")
    args = parser.parse_args()
    plans, reports, lat, start, end = run(args.scenario, args)
    ok = summarise(args.scenario, plans, reports, lat, start, end, args)
    print("RESULT", "OK" if ok else "INCOMPLETE")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
