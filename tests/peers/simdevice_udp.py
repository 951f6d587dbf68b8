#!/usr/bin/python3
"""Search responder of the simulated device: answers the PC's UDP search and queries.

Usage: simdevice_udp.py [--port 8001] DEVICE...
  DEVICE = id,address[,region,station[,fault[,mask]]]   e.g. 10001,127.0.0.2,001,005

One socket on 0.0.0.0:port gets the broadcasts (a socket bound to one address gets none);
each device has its own socket on address:port, which gets the queries sent to it and sends
its replies, so a reply comes from the device's own address.

Faults: none, silent (answers nothing), late (every reply 1600 ms late), wrongid (query
replies carry another id), model (another model in the search reply), junk (a short junk
datagram instead of the search reply), long (a search reply of more than 255 bytes),
badaddr (a search reply whose address field is no dotted IPv4 address), zeros (the address
field with three digits a part, "127.000.000.010"), foreign (answers, first, every query sent
to another device, with its own search reply or the asked id and its own region and station),
repeat (every reply 200 ms late and again 100 ms later), bare (repeat with query replies "<id>=<value>").

Prints "ready <port>" once bound, then one line per datagram received:
  recv <to-address> <from-address>:<from-port> <text as a Python literal>
Commands on stdin, one per line: "fault <id> <fault>", "quit".
"""
import argparse
import heapq
import select
import socket
import struct
import sys
import time

IP_PKTINFO = getattr(socket, "IP_PKTINFO", 8)
FAULTS = ("none", "silent", "late", "wrongid", "model", "junk", "long", "badaddr", "zeros", "foreign", "repeat", "bare")
LATE_S = 1.6
FOREIGN_LEAD_S = 0.05  # how long the asked device answers after a foreign one


class Device:
    def __init__(self, spec, port):
        parts = spec.split(",")
        self.id = parts[0]
        self.address = parts[1]
        self.region = parts[2] if len(parts) > 2 else "001"
        self.station = parts[3] if len(parts) > 3 else "005"
        self.fault = parts[4] if len(parts) > 4 else "none"
        self.mask = parts[5] if len(parts) > 5 else "255.0.0.0"
        if self.fault not in FAULTS:
            raise SystemExit("unknown fault " + self.fault)
        self.sock = open_socket(self.address, port)

    def search_reply(self):
        model = "QWL520" if self.fault == "model" else "QWL620"
        if self.fault == "junk":
            return b"?\x07"
        address = "host-" + self.address if self.fault == "badaddr" else self.address
        if self.fault == "zeros":
            address = ".".join("%03d" % int(p) for p in self.address.split("."))
        text = "%s 1 %s %s 0 %s V2.11 up" % (self.id, address, self.mask, model)
        if self.fault == "long":
            text += " " + "X" * 300
        return text.encode("latin-1")

    def query_reply(self, text, as_id=None):
        if text == "0 1":
            return self.search_reply()
        device_id, _, rest = text.partition(" ")
        if device_id != (as_id or self.id):
            return None
        key = rest.rstrip("?")
        if key.startswith("6 "):
            key = key[2:]
        values = {"STATION.REGION": self.region, "STATION.STATION": self.station}
        if key not in values:
            return None
        reply_id = "99999" if self.fault == "wrongid" else (as_id or self.id)
        if self.fault == "bare":
            return ("%s=%s" % (reply_id, values[key])).encode("latin-1")
        return ("%s 6 %s=%s" % (reply_id, key, values[key])).encode("latin-1")


def open_socket(address, port):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    s.bind((address, port))
    return s


def receive(sock):
    data, ancillary, _, sender = sock.recvmsg(2048, socket.CMSG_SPACE(12))
    to = "?"
    for level, kind, payload in ancillary:
        if level == socket.IPPROTO_IP and kind == IP_PKTINFO and len(payload) >= 12:
            to = socket.inet_ntoa(payload[8:12])
    return data, to, sender


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=8001)
    ap.add_argument("devices", nargs="*")
    args = ap.parse_args()
    wildcard = open_socket("0.0.0.0", args.port)
    port = wildcard.getsockname()[1]
    devices = [Device(spec, port) for spec in args.devices]
    by_socket = {d.sock: d for d in devices}
    pending = []  # (due, sequence, socket, data, target)
    sequence = 0
    print("ready %d" % port, flush=True)

    def answer(device, data, target, lag=0.0):
        nonlocal sequence
        if data is None or device.fault == "silent":
            return
        for due in (0.2, 0.3) if device.fault in ("repeat", "bare") else (LATE_S if device.fault == "late" else lag,):
            sequence += 1
            heapq.heappush(pending, (time.monotonic() + due, sequence, device.sock, data, target))

    stdin_open = True
    while True:
        timeout = max(0.0, pending[0][0] - time.monotonic()) if pending else 1.0
        watched = [wildcard] + list(by_socket) + ([sys.stdin] if stdin_open else [])
        ready, _, _ = select.select(watched, [], [], timeout)
        for s in ready:
            if s is sys.stdin:
                line = sys.stdin.readline()
                if not line:
                    stdin_open = False  # started by hand without input: run until killed
                    continue
                if line.strip() == "quit":
                    return
                words = line.split()
                if len(words) == 3 and words[0] == "fault" and words[2] in FAULTS:
                    for d in devices:
                        if d.id == words[1]:
                            d.fault = words[2]
                    print("ok", flush=True)
                continue
            data, to, sender = receive(s)
            print("recv %s %s:%d %r" % (to, sender[0], sender[1], data), flush=True)
            text = data.decode("latin-1")
            if s is wildcard:
                if text == "0 1":
                    for d in devices:
                        answer(d, d.search_reply(), sender)
            else:
                d = by_socket[s]
                foreign = [f for f in devices if f.fault == "foreign" and f is not d]
                for f in foreign:
                    answer(f, f.query_reply(text, text.partition(" ")[0]), sender)
                answer(d, d.query_reply(text), sender, FOREIGN_LEAD_S if foreign else 0.0)
        now = time.monotonic()
        while pending and pending[0][0] <= now:
            _, _, sock, data, target = heapq.heappop(pending)
            sock.sendto(data, target)


if __name__ == "__main__":
    try:
        main()
    except (KeyboardInterrupt, BrokenPipeError):
        pass
