"""A pyftpdlib server for the publishing tests.

Usage: pyftpd_server.py ROOT LOGFILE USER PASSWORD [STOR_DELAY_MS]
Serves ROOT on 127.0.0.1 at a free port, prints the port on the first line of
stdout, and appends one line per stored or deleted file to LOGFILE:
"UPLOAD /path", "DELETE /path" or "RENAME /from /to", paths relative to ROOT with a
leading "/".
STOR_DELAY_MS (milliseconds) holds every upload back before it starts, so that a test can
act while a publish is under way.
"""
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, log_path, user, password = sys.argv[1:5]
stor_delay = int(sys.argv[5]) / 1000 if len(sys.argv) > 5 else 0.0
root = os.path.realpath(root)


def record(kind, *paths):
    relative = " ".join("/" + os.path.relpath(os.path.realpath(p), root) for p in paths)
    with open(log_path, "a", encoding="utf-8", errors="surrogateescape") as log:
        log.write(f"{kind} {relative}\n")


class Handler(FTPHandler):
    def ftp_STOR(self, file, mode="w"):
        if stor_delay:
            time.sleep(stor_delay)
        return super().ftp_STOR(file, mode)

    def on_file_received(self, file):
        record("UPLOAD", file)

    def on_incomplete_file_received(self, file):
        record("INCOMPLETE", file)

    def ftp_RNTO(self, path):
        source = self._rnfr
        result = super().ftp_RNTO(path)
        if os.path.lexists(path) and not os.path.lexists(source):
            record("RENAME", source, path)
        return result

    def ftp_DELE(self, path):
        result = super().ftp_DELE(path)
        if not os.path.lexists(path):
            record("DELETE", path)
        return result


logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
Handler.authorizer = authorizer
Handler.permit_foreign_addresses = False
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
