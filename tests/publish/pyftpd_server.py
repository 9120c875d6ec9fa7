"""A pyftpdlib server for the publishing tests.

Usage: pyftpd_server.py ROOT LOGFILE USER PASSWORD
Serves ROOT on 127.0.0.1 at a free port, prints the port on the first line of
stdout, and appends one line per stored or deleted file to LOGFILE:
"UPLOAD /path" or "DELETE /path", paths relative to ROOT with a leading "/".
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, log_path, user, password = sys.argv[1:5]
root = os.path.realpath(root)


def record(kind, path):
    relative = "/" + os.path.relpath(os.path.realpath(path), root)
    with open(log_path, "a", encoding="utf-8", errors="surrogateescape") as log:
        log.write(f"{kind} {relative}\n")


class Handler(FTPHandler):
    def on_file_received(self, file):
        record("UPLOAD", file)

    def on_incomplete_file_received(self, file):
        record("INCOMPLETE", file)

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
