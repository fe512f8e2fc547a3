#!/usr/bin/python3
"""A real FTP server on 127.0.0.1 for the upload tests.

Serves --root for one account (--user/--password) on a free port and prints
"PORT <n>" on its first line once it listens. --fault makes it misbehave in
one way:
  pwd-garbage   answers PWD with a line that names no folder
  list-garbage  sends a listing that is not a directory listing
  silent        accepts connections and never says a word
  drop-stor     dies after receiving the first 64 KiB of a STOR
  drop-after-cwd  closes the control connection after answering a CWD
  hang-list     never answers a LIST
--throttle N  limits the data it receives to N bytes per second.
--debug logs every command and answer.
The server stops by itself after --lifetime seconds.
"""
import argparse
import os
import socket
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--user", default="tester")
    p.add_argument("--password", default="secret")
    p.add_argument("--fault", default="")
    p.add_argument("--throttle", type=int, default=0)
    p.add_argument("--lifetime", type=int, default=600)
    p.add_argument("--debug", action="store_true")
    a = p.parse_args()
    if a.debug:
        import logging
        from pyftpdlib.log import config_logging
        config_logging(level=logging.DEBUG)

    # The server never outlives a hung test.
    timer = threading.Timer(a.lifetime, lambda: os._exit(0))
    timer.daemon = True
    timer.start()

    if a.fault == "silent":
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        s.listen(8)
        print("PORT %d" % s.getsockname()[1], flush=True)
        held = []
        while True:
            conn, _ = s.accept()
            held.append(conn)

    authorizer = DummyAuthorizer()
    authorizer.add_user(a.user, a.password, a.root, perm="elradfmwMT")

    class Handler(FTPHandler):
        def ftp_PWD(self, line):
            if a.fault == "pwd-garbage":
                self.respond("257 this is not a folder")
                return
            return FTPHandler.ftp_PWD(self, line)

        def ftp_CWD(self, path):
            result = FTPHandler.ftp_CWD(self, path)
            if a.fault == "drop-after-cwd":
                self.close_when_done()
            return result

        def on_disconnect(self):
            # Tests of a dropped connection wait for this line (on standard
            # output, after the PORT line) instead of waiting a while.
            if a.fault == "drop-after-cwd":
                print("dropped the control connection", flush=True)

        def ftp_LIST(self, path):
            if a.fault == "hang-list":
                return None
            if a.fault == "list-garbage":
                self.push_dtp_data(b"\x01\x02 what is this?\r\nnothing at all\r\n",
                                   isproducer=False, cmd="LIST")
                return path
            return FTPHandler.ftp_LIST(self, path)

        def ftp_STOR(self, file, mode="w"):
            if a.fault == "drop-stor":
                self._drop_after = 65536
            return FTPHandler.ftp_STOR(self, file, mode)

    class DTP(ThrottledDTPHandler):
        def handle_read(self):
            cmd = self.cmd_channel
            limit = getattr(cmd, "_drop_after", None)
            if limit is not None and self.tot_bytes_received >= limit:
                os._exit(0)
            return ThrottledDTPHandler.handle_read(self)

        handle_read_event = handle_read  # the base class reads through this alias

    DTP.read_limit = a.throttle
    Handler.dtp_handler = DTP
    Handler.authorizer = authorizer
    Handler.permit_privileged_ports = False
    Handler.timeout = a.lifetime
    # A refused login is answered after half a second, not three.
    Handler.auth_failed_timeout = 0.5
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
