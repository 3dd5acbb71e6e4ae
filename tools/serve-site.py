#!/usr/bin/env python3
"""Serves a catalogue site folder over HTTP as the catalogue site answers the
plug-in, so that a lookup can run over HTTP on this machine:

    tools/serve-site.py [--folder examples/site] [--port 8000] [--bind 127.0.0.1]
    hakobune lookup --site http://127.0.0.1:8000 ...

"/search/keyword.php?keyword=KEY" is FOLDER/search/KEY.html and
"/detail/view.php?id=ID" is FOLDER/detail/ID.html, with KEY and ID %-decoded
and then named as `hakobune --site DIR` names them (every byte outside
[0-9A-Za-z_.-] as %XX); the pages go out as EUC-JP. Anything else is 404.
Prints its address and serves until Ctrl+C.

The end-to-end tests (tests/e2e/test_hakobune.py) map requests to files with
this file's page_file().
"""
import argparse
import http.server
import os
import sys
import urllib.parse

SEARCH_PATH = "/search/keyword.php"
DETAIL_PATH = "/detail/view.php"
DEFAULT_FOLDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir,
                              "examples", "site")


def escape_key(raw: bytes) -> str:
    """The host's file name for a search key or detail id (bytes)."""
    plain = b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_.-"
    return "".join(chr(b) if b in plain else "%%%02X" % b for b in raw)


def page_file(root: str, target: str):
    """The file under `root` that answers a request target (path and query,
    as sent), or None when the site has no such page."""
    path, _, query = target.partition("?")
    for prefix, name, folder in ((SEARCH_PATH, "keyword=", "search"),
                                 (DETAIL_PATH, "id=", "detail")):
        if path == prefix and query.startswith(name):
            raw = urllib.parse.unquote_to_bytes(query[len(name):])
            return os.path.join(root, folder, escape_key(raw) + ".html")
    return None


def main() -> None:
    parser = argparse.ArgumentParser(description="Serves a catalogue site folder over HTTP.")
    parser.add_argument("--folder", default=DEFAULT_FOLDER,
                        help="the site folder (default: examples/site)")
    parser.add_argument("--port", type=int, default=8000, help="default: 8000; 0 picks a free one")
    parser.add_argument("--bind", default="127.0.0.1", help="the address to listen on")
    args = parser.parse_args()
    root = os.path.abspath(args.folder)
    if not os.path.isdir(root):
        sys.exit("serve-site: %s is not a folder" % root)

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            found = page_file(root, self.path)
            if found is None or not os.path.isfile(found):
                self.send_error(404)
                return
            with open(found, "rb") as f:
                page = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=EUC-JP")
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)

    server = http.server.ThreadingHTTPServer((args.bind, args.port), Handler)
    host, port = server.server_address[:2]
    print("serving %s at http://%s:%d (Ctrl+C stops)" % (root, host, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
