#!/usr/bin/python3
"""FTP server for the client tests: pyftpdlib on 127.0.0.1 with scripted faults.

Prints "PORT <n>" as its first line, then serves until it is ended. Every command line it
receives is appended to --log (PASS included), so tests check transcripts.

Faults of RETR by the file's base name (the file must exist under --root):
  stall*    sends 4096 bytes, then nothing until ABOR or the end of the session
  slow*     sends the file in 4 KiB pieces every 5 ms, then 226
  fail426*  sends half the file, closes the data connection, replies 426
  drop*     sends half the file, resets the data connection, replies 426
Options: --bytewise writes every reply byte by byte; --banner220 greets with a multi-line 220
whose continuation lines begin with "220-".
"""
import warnings
warnings.filterwarnings("ignore", category=DeprecationWarning)
import argparse  # noqa: E402
import asynchat  # noqa: E402
import collections
import os
import socket
import struct
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

FAULTS = ("stall", "slow", "fail426", "drop")


class ScriptedHandler(FTPHandler):
    log_file = None
    bytewise = False
    banner220 = False

    def __init__(self, *a, **kw):
        super().__init__(*a, **kw)
        self._fault_pending = None
        self._fault_socks = []
        self._bytes_out = collections.deque()
        self._byte_sender = None

    # --- transcript and framing faults

    def pre_process_command(self, line, cmd, arg):
        if self.log_file:
            with open(self.log_file, "a", encoding="utf-8", errors="replace") as f:
                f.write(line + "\n")
        return super().pre_process_command(line, cmd, arg)

    def push(self, s):
        if not self.bytewise:
            return super().push(s)
        # One queue and one timer: a timer per byte may fire out of order on a loaded machine.
        self._bytes_out.extend(s.encode("utf8"))
        if self._byte_sender is None:
            self._byte_sender = self.ioloop.call_later(0, self._push_byte)

    def _push_byte(self):
        self._byte_sender = None
        if not self.connected or not self._bytes_out:
            return
        asynchat.async_chat.push(self, bytes([self._bytes_out.popleft()]))
        if self._bytes_out:
            self._byte_sender = self.ioloop.call_later(0.001, self._push_byte)

    def handle(self):
        if self.banner220:
            self._in_buffer = []
            self.push("220-Welcome to the test server\r\n"
                      "220-this continuation line begins with the code and a hyphen\r\n"
                      " and this one with a blank\r\n")
            self.respond("220 ready")
            return
        super().handle()

    # --- data faults

    def ftp_RETR(self, file):
        kind = next((k for k in FAULTS if os.path.basename(file).lower().startswith(k)), None)
        if kind is None:
            return super().ftp_RETR(file)
        try:
            with open(file, "rb") as f:
                data = f.read()
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return
        self.respond("150 File status okay. About to open data connection.")
        if self.data_channel is not None:
            self._run_fault(kind, data)
        else:
            self._fault_pending = (kind, data)

    def _on_dtp_connection(self):
        if self._fault_pending is not None:
            if self._dtp_acceptor is not None:
                self._dtp_acceptor.close()
                self._dtp_acceptor = None
            kind, data = self._fault_pending
            self._fault_pending = None
            self._run_fault(kind, data)
            return
        super()._on_dtp_connection()

    def _take_data_socket(self):
        dc = self.data_channel
        dc.del_channel()
        sock = dc.socket
        dc._closed = True  # the channel object must not close the socket we keep
        self.data_channel = None
        sock.setblocking(True)
        self._fault_socks.append(sock)
        return sock

    def _run_fault(self, kind, data):
        sock = self._take_data_socket()
        half = len(data) // 2
        if kind == "stall":
            sock.sendall(data[:4096])
        elif kind == "slow":
            self._send_slowly(sock, data, 0)
        elif kind == "fail426":
            sock.sendall(data[:half])
            self._close_fault_socket(sock)
            self.respond("426 Connection closed; transfer aborted.")
        elif kind == "drop":
            sock.sendall(data[:half])
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self._close_fault_socket(sock)
            self.respond("426 Connection closed; transfer aborted.")

    def _send_slowly(self, sock, data, pos):
        if sock not in self._fault_socks:
            return
        piece = data[pos:pos + 4096]
        try:
            sock.sendall(piece)
        except OSError:
            self._close_fault_socket(sock)
            return
        if pos + len(piece) >= len(data):
            self._close_fault_socket(sock)
            self.respond("226 Transfer complete.")
        else:
            self.ioloop.call_later(0.005, self._send_slowly, sock, data, pos + len(piece))

    def _close_fault_socket(self, sock):
        if sock in self._fault_socks:
            self._fault_socks.remove(sock)
            sock.close()

    def ftp_ABOR(self, line):
        if self._fault_socks or self._fault_pending:
            self._fault_pending = None
            for s in list(self._fault_socks):
                self._close_fault_socket(s)
            self.respond("426 Transfer aborted via ABOR.")
            self.respond("226 ABOR command successful.")
            return
        super().ftp_ABOR(line)

    def on_disconnect(self):
        for s in list(self._fault_socks):
            self._close_fault_socket(s)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--log")
    p.add_argument("--user", default="kqv")
    p.add_argument("--password", default="kqv")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--bytewise", action="store_true")
    p.add_argument("--banner220", action="store_true")
    a = p.parse_args()

    auth = DummyAuthorizer()
    auth.add_user(a.user, a.password, a.root, perm="elradfmwMT")
    ScriptedHandler.authorizer = auth
    ScriptedHandler.log_file = a.log
    ScriptedHandler.bytewise = a.bytewise
    ScriptedHandler.banner220 = a.banner220
    ScriptedHandler.timeout = 120
    ScriptedHandler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", a.port), ScriptedHandler)
    server.max_cons = 64
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    # End quietly when the test closes our stdin or ends us by pid.
    try:
        server.serve_forever(handle_exit=False)
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.CRITICAL, stream=sys.stderr)
    main()
