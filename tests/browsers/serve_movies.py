#!/usr/bin/env python3
"""Serves small Flash movies on 127.0.0.1 the ways real sites do, for the browser runs.

Usage: serve_movies.py PORT_FILE MOVIES_JSON

Writes the port it listens on to PORT_FILE and, to MOVIES_JSON, what each movie's URL
should yield once cached (sha256 and length of the movie, whether it is whole). Serves:
  /page.html      a page that loads every movie with synchronous requests, as a browser
                  player fetches its .swf, so each is cached before the page's load event
  /plain.swf      uncompressed (FWS), identity
  /gzip.swf       FWS, Content-Encoding: gzip
  /deflate.swf    FWS, Content-Encoding: deflate
  /br.swf         FWS, Content-Encoding: br (when the brotli command is installed)
  /zlib.swf       a zlib movie (CWS), identity
  /small.swf      a movie of 2,000 bytes (below the search's size rule)
  /cut.swf        Content-Length larger than what is sent, then the connection closes
  /range.swf      requested by the page with a Range header; answered 206
  /picture.png    not a movie
"""
import gzip
import hashlib
import http.server
import json
import shutil
import subprocess
import sys
import zlib


def bits(values, nbits):
    out, acc, count = bytearray(), 0, 0
    for value, width in values:
        for i in range(width - 1, -1, -1):
            acc = (acc << 1) | ((value >> i) & 1)
            count += 1
            if count == 8:
                out.append(acc)
                acc, count = 0, 0
    if count:
        out.append(acc << (8 - count))
    return bytes(out)


def tag(code, body):
    if len(body) < 0x3F:
        return (code << 6 | len(body)).to_bytes(2, 'little') + body
    return (code << 6 | 0x3F).to_bytes(2, 'little') + len(body).to_bytes(4, 'little') + body


def movie(colour, padding, compressed=False):
    """A one-frame movie on a coloured stage, padded with a binary-data tag."""
    rect = bits([(15, 5), (0, 15), (11000, 15), (0, 15), (8000, 15)], 0)
    body = rect + (12 << 8).to_bytes(2, 'little') + (1).to_bytes(2, 'little')
    body += tag(9, bytes(colour))
    if padding:
        body += tag(87, (1).to_bytes(2, 'little') + bytes(4) + padding)
    body += tag(1, b'') + tag(0, b'')
    length = 8 + len(body)
    if compressed:
        return b'CWS\x0a' + length.to_bytes(4, 'little') + zlib.compress(body, 9)
    return b'FWS\x0a' + length.to_bytes(4, 'little') + body


def noise(size, seed):
    out, state = bytearray(), seed
    while len(out) < size:
        state = hashlib.sha256(state).digest()
        out += state
    return bytes(out[:size])


MOVIES = {
    'plain.swf': (movie((200, 40, 40), bytes(60000)), 'identity'),
    'gzip.swf': (movie((40, 200, 40), bytes(70000)), 'gzip'),
    'deflate.swf': (movie((40, 40, 200), bytes(65000)), 'deflate'),
    'zlib.swf': (movie((200, 200, 40), noise(3000, b'zlib'), compressed=True), 'identity'),
    'small.swf': (movie((40, 200, 200), bytes(1900)), 'identity'),
    'cut.swf': (movie((200, 40, 200), bytes(80000)), 'identity'),
    'range.swf': (movie((120, 120, 120), bytes(90000)), 'identity'),
}
if shutil.which('brotli'):
    MOVIES['br.swf'] = (movie((90, 160, 30), bytes(75000)), 'br')
PICTURE = bytes.fromhex('89504e470d0a1a0a0000000d4948445200000001000000010806000000'
                        '1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082')


def encode(data, coding):
    if coding == 'gzip':
        return gzip.compress(data)
    if coding == 'deflate':
        return zlib.compress(data)
    if coding == 'br':
        return subprocess.run(['brotli', '-c'], input=data, capture_output=True, check=True).stdout
    return data


def page():
    loads = ''.join(
        "try{var x=new XMLHttpRequest();x.open('GET','%s',false);%sx.send();}catch(e){}\n"
        % (name, "x.setRequestHeader('Range','bytes=0-999');" if name == 'range.swf' else '')
        for name in MOVIES)
    return ('<!DOCTYPE html><html><body><img src="picture.png"><script>\n%s</script>'
            '<p>loaded</p></body></html>' % loads).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def send(self, status, ctype, body, coding='identity', length=None, extra=()):
        self.send_response(status)
        self.send_header('Content-Type', ctype)
        if coding != 'identity':
            self.send_header('Content-Encoding', coding)
        self.send_header('Content-Length', str(len(body) if length is None else length))
        self.send_header('Cache-Control', 'public, max-age=86400')
        self.send_header('Last-Modified', 'Mon, 01 Jan 2024 00:00:00 GMT')
        self.send_header('ETag', '"%s"' % hashlib.sha1(body).hexdigest())
        self.send_header('Accept-Ranges', 'bytes')
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split('?')[0].lstrip('/')
        if path == 'page.html':
            return self.send(200, 'text/html', page())
        if path == 'picture.png':
            return self.send(200, 'image/png', PICTURE)
        if path not in MOVIES:
            return self.send(404, 'text/plain', b'not here')
        data, coding = MOVIES[path]
        stored = encode(data, coding)
        if path == 'cut.swf':
            self.send(200, 'application/x-shockwave-flash', stored[:len(stored) // 2],
                      length=len(stored))
            self.close_connection = True
            return
        ranged = self.headers.get('Range')
        if ranged and ranged.startswith('bytes='):
            first, _, last = ranged[6:].partition('-')
            first, last = int(first), min(int(last or len(stored) - 1), len(stored) - 1)
            return self.send(206, 'application/x-shockwave-flash', stored[first:last + 1],
                             extra=[('Content-Range', 'bytes %d-%d/%d' % (first, last, len(stored)))])
        self.send(200, 'application/x-shockwave-flash', stored, coding)


def main():
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    expected = {name: {'sha256': hashlib.sha256(data).hexdigest(), 'size': len(data),
                       'coding': coding, 'whole': name not in ('cut.swf', 'range.swf')}
                for name, (data, coding) in MOVIES.items()}
    with open(sys.argv[2], 'w') as out:
        json.dump(expected, out, indent=1)
    with open(sys.argv[1], 'w') as out:
        out.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == '__main__':
    main()
