#!/usr/bin/python3
"""The simulated measuring device's FTP server.

Serves a device tree (DATA/DBB/yyyy/mm/XXXXXXXX.dbb, DATA/WWW/yyyy/mm/*.www, LOG/, BIN/) the
way the devices do: '\\' separates folders, names compare case-insensitively, NLST takes DOS
masks ("*.*" is everything), user "kqv" with password "kqv" in either letter case.

Run with /usr/bin/python3 (Debian's python3-pyftpdlib). It prints "PORT <n>" once it listens,
then reads fault commands from stdin, one a line, and answers each with "OK":

  stall GLOB [AFTER] [TIMES] RETR of matching names sends AFTER bytes (default 0), then nothing
  slow GLOB BYTES MS        RETR sends BYTES every MS milliseconds
  drop GLOB [AFTER] [TIMES] the data connection is reset after AFTER bytes (426), TIMES times
  fail GLOB CODE [TIMES]    RETR answers CODE (e.g. 550)
  close GLOB CODE [TIMES]   RETR or STOR closes the connection, after a reply CODE unless 0
  cut GLOB BYTES [TIMES]    RETR sends the file cut to BYTES (-N: N more zeros), then 226
  login CODE                log-ins answer CODE (530) until "login ok"; "login reset": 230,
                            then the connection is reset; "login 220": USER is answered 220
  extra DIR NAME [COUNT]    NLST of the folder DIR (device path, '/' or '\\') also names NAME
  sdrop GLOB AFTER          STOR: the data connection is reset after AFTER bytes (426)
  sfail GLOB CODE [BYTES]   STOR keeps BYTES of the file (default all) and answers CODE
  refuse DELE GLOB CODE     DELE of matching names answers CODE
  nlst DIR endless B MS     NLST of DIR never ends (B bytes every MS ms; MS 0: at once); "nlst
                            DIR bad": lines no listing has. "lf on": replies end in LF alone
  clear                     no faults
  quit                      stop the server

  --make-tree DIR builds a device tree from --from (yyyy-mm-dd, UTC) for --days days of hour
  files at --minute past every hour, of --region and --station; without --root it also serves it.
"""
import argparse
import datetime
import fnmatch
import os
import socket
import struct
import sys
import threading
import time

from pyftpdlib.authorizers import AuthenticationFailed
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

FAULTS = {"retr": [], "login": None, "extra": [], "nlst": [], "lf": False}
LOCK = threading.Lock()


# ---------------------------------------------------------------- tree writer

def position_word(minute_start, sample):
    minute_of_day = (minute_start // 60) % 1440
    return (30 + minute_of_day % 90) << 8 | (sample % 64) << 2


def chunk(tag, body):
    return tag + b"\0\0" + struct.pack("<I", len(body)) + body


def hour_file(utc_start, region, station, minutes=60):
    t = datetime.datetime.fromtimestamp(utc_start, datetime.timezone.utc)
    name = t.strftime("%Y%m%d-%H%M00-") + "%03d.dbb" % station
    body = b"\0" * 5 + b"%03d\0" % region + name.encode() + b"\0"
    body = body[:33].ljust(33, b"\0")
    samples = b"".join(struct.pack("<H", position_word(utc_start + 60 * m, i))
                       for m in range(minutes) for i in range(100))
    return chunk(b"FILE", body) + chunk(b"DATA", samples)


def write(root, rel, data):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_tree(root, first_day, days, minute, region, station):
    start = int(datetime.datetime.combine(first_day, datetime.time(0, minute),
                                          datetime.timezone.utc).timestamp())
    for h in range(days * 24):
        u = start + 3600 * h
        t = datetime.datetime.fromtimestamp(u, datetime.timezone.utc)
        write(root, t.strftime("DATA/DBB/%Y/%m/") + "%08X.dbb" % u, hour_file(u, region, station))
    # Older devices kept their files directly in DBB.
    for k in range(3):
        u = start - 86400 * 40 + 3600 * k
        write(root, "DATA/DBB/%08X.dbb" % u, hour_file(u, region, station))
    for d in range(days):
        day = first_day + datetime.timedelta(days=d)
        write(root, day.strftime("DATA/WWW/%Y/%m/%Y%m%d.www"), b"average %d\r\n" % d)
    last = first_day + datetime.timedelta(days=days)
    write(root, last.strftime("DATA/WWW/%Y/%m/%Y%m%d.tmp"), b"running average\r\n")
    write(root, "LOG/current.log", b"device started\r\nmeasuring\r\n")
    write(root, "LOG/OLD/20071001.log", b"old log 1\r\n")
    write(root, "LOG/OLD/20071101.log", b"old log 2\r\n")
    os.makedirs(os.path.join(root, "BIN"), exist_ok=True)


# ---------------------------------------------------------------- device filesystem

class DeviceFS(AbstractedFS):
    """'\\' is a separator and every name is found whatever its letter case."""

    def ftpnorm(self, ftppath):
        return super().ftpnorm(ftppath.replace("\\", "/"))

    def ftp2fs(self, ftppath):
        path = self.root
        for part in self.ftpnorm(ftppath).split("/"):
            if not part:
                continue
            exact = os.path.join(path, part)
            if not os.path.exists(exact) and os.path.isdir(path):
                for name in os.listdir(path):
                    if name.lower() == part.lower():
                        exact = os.path.join(path, name)
                        break
            path = exact
        return path


class KqvAuthorizer:
    def __init__(self, root):
        self.root = root

    def validate_authentication(self, username, password, handler):
        with LOCK:
            refused = FAULTS["login"]
        if refused not in (None, "reset") or username.lower() != "kqv" or password.lower() != "kqv":
            raise AuthenticationFailed("Login incorrect.")

    def get_home_dir(self, username):
        return self.root

    def impersonate_user(self, username, password):
        pass

    def terminate_impersonation(self, username):
        pass

    def has_user(self, username):
        return username.lower() == "kqv"

    def has_perm(self, username, perm, path=None):
        return True

    def get_perms(self, username):
        return "elradfmwMT"

    def get_msg_login(self, username):
        return "Login successful."

    def get_msg_quit(self, username):
        return "Goodbye."


def find_fault(kinds, name):
    with LOCK:
        for f in FAULTS["retr"]:
            if f["kind"] in kinds and fnmatch.fnmatch(name.lower(), f["glob"].lower()):
                if f["times"] == 0:
                    continue
                if f["times"] > 0:
                    f["times"] -= 1
                return dict(f)
    return None


class FaultDTP(DTPHandler):
    """Sends a file as the current RETR fault says: whole, slowly, up to a point, or reset."""

    def use_sendfile(self):
        return False

    def _resume(self):
        if self.connected and not self._closed:
            self.add_channel(events=self.ioloop.WRITE)

    def send(self, data):
        f = getattr(self.cmd_channel, "retr_fault", None)
        if f is None:
            return super().send(data)
        sent = self.tot_bytes_sent
        if f["kind"] in ("stall", "drop") and sent + len(data) > f["after"]:
            data = data[:max(0, f["after"] - sent)]
            if not data:
                if f["kind"] == "stall":
                    self.del_channel()
                    return 0
                self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.handle_close()
                return 0
        if f["kind"] == "slow":
            data = data[:f["bytes"]]
            n = super().send(data)
            self.del_channel()
            self.ioloop.call_later(f["ms"] / 1000.0, self._resume, _errback=self.handle_error)
            return n
        return super().send(data)

    def handle_read(self):
        f = getattr(self.cmd_channel, "stor_fault", None) or {}
        if f.get("kind") == "sdrop" and self.tot_bytes_received >= f["n"]:
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self._resp = ("426 Connection reset.", self.cmd_channel.log)
            return self.close()
        if f.get("kind") == "sdrop":
            self.ac_in_buffer_size = f["n"] - self.tot_bytes_received
        super().handle_read()

    handle_read_event = handle_read  # the base class binds its own

    def handle_close(self):
        f = getattr(self.cmd_channel, "stor_fault", None) or {}
        if f.get("kind") != "sfail" or not self.receive or self._closed:
            return super().handle_close()
        self.file_obj.truncate(None if f["m"] < 0 else f["m"])
        self.transfer_finished = f["n"] == 226
        self._resp = ("%d Stored as it came." % f["n"], self.cmd_channel.log)
        self.close()


class DeviceHandler(FTPHandler):
    dtp_handler = FaultDTP
    abstracted_fs = DeviceFS
    auth_failed_timeout = 0
    banner = "QWL620 FTP server ready."
    announce = None

    def push(self, data):
        if self.announce is not None and data[:3] in ("125", "150"):
            data, self.announce = data[:-2] + " (%d bytes)\r\n" % self.announce, None
        with LOCK:
            lf = FAULTS["lf"]
        return super().push(data.replace("\r\n", "\n") if lf else data)

    def ftp_USER(self, line):
        with LOCK:
            greets_only = FAULTS["login"] == "220"
        return self.respond("220 " + self.banner) if greets_only else super().ftp_USER(line)

    def ftp_PASS(self, line):
        with LOCK:
            code = FAULTS["login"]
        if code == "reset":
            self.socket.send(b"230 Login successful.\r\n")
            time.sleep(0.05)  # delivered before the reset
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close()
            return
        if code:
            self.respond("%s Login incorrect." % code)
            return
        return super().ftp_PASS(line)

    def ftp_RETR(self, file):
        name = os.path.basename(file)
        f = find_fault(("fail",), name)
        if f:
            self.respond("%s %s: No such file or directory." % (f["code"], name))
            return
        f = self.closing(name) or find_fault(("cut",), name)
        if f and f["kind"] == "cut":
            with open(file, "rb") as fd:
                data = fd.read()
            n = f["bytes"]
            self.announce = len(data)  # what a device says of its file
            self.push_dtp_data(data[:n] if n >= 0 else data + b"\0" * -n, cmd="RETR")
        if f:
            return
        self.retr_fault = find_fault(("stall", "slow", "drop"), name)
        return super().ftp_RETR(file)

    def ftp_STOR(self, file, mode="w"):
        self.stor_fault = find_fault(("sdrop", "sfail"), os.path.basename(file))
        return None if self.closing(os.path.basename(file)) else super().ftp_STOR(file, mode)

    def ftp_DELE(self, path):
        f = find_fault(("refuse DELE",), os.path.basename(path))
        return self.respond("%d DELE refused." % f["n"]) if f else super().ftp_DELE(path)

    def closing(self, name):
        f = find_fault(("close",), name)
        if f and f["code"]:
            self.respond("%d Service not available, closing control connection." % f["code"])
        if f:
            self.close_when_done()
        return f

    def ftp_NLST(self, path):
        self.retr_fault = None
        folder, mask = path, None
        if not self.fs.isdir(path):
            folder, mask = os.path.split(path)
            mask = mask.lower()
            if mask in ("*.*", "*"):
                mask = "*"
        try:
            names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return
        if mask is not None:
            names = [n for n in names if fnmatch.fnmatch(n.lower(), mask)]
        here = os.path.normcase(os.path.realpath(folder))
        with LOCK:
            for d, n, count in FAULTS["extra"]:
                if os.path.normcase(os.path.realpath(self.fs.ftp2fs(d))) == here:
                    names += [n] * count
            nlst = [f for d, *f in FAULTS["nlst"] if os.path.normcase(os.path.realpath(self.fs.ftp2fs(d))) == here]
        if nlst and nlst[-1][0] == "endless":
            if int(nlst[-1][2]):
                self.retr_fault = {"kind": "slow", "bytes": int(nlst[-1][1]), "ms": int(nlst[-1][2])}
            endless = type("Endless", (), {"more": lambda _: b"12345678.dbb\r\n" * 1000})()
            return self.push_dtp_data(endless, isproducer=True, cmd="NLST")
        data = "".join(("-rw-r--r-- ?? " if nlst else "") + n + "\r\n" for n in names).encode("utf-8", "replace")
        self.push_dtp_data(data, isproducer=False, cmd="NLST")


def apply_command(words):
    kind = words[0]
    with LOCK:
        if kind == "clear":
            FAULTS.update(retr=[], login=None, extra=[], nlst=[], lf=False)
        elif kind == "stall":
            FAULTS["retr"].append({"kind": "stall", "glob": words[1],
                                   "after": int(words[2]) if len(words) > 2 else 0,
                                   "times": int(words[3]) if len(words) > 3 else -1})
        elif kind == "slow":
            FAULTS["retr"].append({"kind": "slow", "glob": words[1], "bytes": int(words[2]),
                                   "ms": int(words[3]), "times": -1})
        elif kind == "drop":
            FAULTS["retr"].append({"kind": "drop", "glob": words[1],
                                   "after": int(words[2]) if len(words) > 2 else 0,
                                   "times": int(words[3]) if len(words) > 3 else 1})
        elif kind in ("fail", "close", "cut"):
            FAULTS["retr"].append({"kind": kind, "glob": words[1], "code": int(words[2]), "bytes": int(words[2]),
                                   "times": int(words[3]) if len(words) > 3 else -1})
        elif kind in ("sdrop", "sfail", "refuse"):
            kind, words = (kind + " " + words[1], words[1:]) if kind == "refuse" else (kind, words)
            FAULTS["retr"].append({"kind": kind, "glob": words[1], "n": int(words[2]),
                                   "m": int(words[3]) if len(words) > 3 else -1, "times": -1})
        elif kind == "login":
            FAULTS["login"] = None if words[1] == "ok" else words[1]
        elif kind == "nlst":
            FAULTS["nlst"].append(words[1:])
        elif kind == "lf":
            FAULTS["lf"] = True
        elif kind == "extra":
            FAULTS["extra"].append((words[1], words[2], int(words[3]) if len(words) > 3 else 1))
        else:
            return False
    return True


def read_commands(server):
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "quit":
            break
        ok = apply_command(words)
        print("OK" if ok else "ERR " + line.strip(), flush=True)
    # Also when the test that started the server has gone: no server outlives its test.
    os._exit(0)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--root", help="device tree to serve")
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--make-tree", metavar="DIR")
    p.add_argument("--from", dest="first", default="2007-11-20")
    p.add_argument("--days", type=int, default=3)
    p.add_argument("--minute", type=int, default=0)
    p.add_argument("--region", type=int, default=1)
    p.add_argument("--station", type=int, default=5)
    args = p.parse_args()
    if args.make_tree:
        make_tree(args.make_tree, datetime.date.fromisoformat(args.first), args.days, args.minute,
                  args.region, args.station)
    root = args.root or args.make_tree
    if not root:
        p.error("--root or --make-tree is needed")
    if not args.host.startswith("127."):
        p.error("the simulated device listens on 127.0.0.0/8 only")

    DeviceHandler.authorizer = KqvAuthorizer(os.path.realpath(root))
    DeviceHandler.passive_ports = None
    server = FTPServer((args.host, args.port), DeviceHandler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    threading.Thread(target=read_commands, args=(server,), daemon=True).start()
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
