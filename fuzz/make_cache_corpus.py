#!/usr/bin/env python3
"""Writes seeds for fuzz_cache_entry into fuzz/cache_corpus from the caches recorded
in tests/caches/fixtures: each entry file behind its selector byte, and a block-file
cache cut down to a small index table."""
import gzip
import os
import struct
import sys

here = os.path.dirname(os.path.abspath(__file__))
fixtures = os.path.join(here, '..', 'tests', 'caches', 'fixtures')
out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'cache_corpus')
os.makedirs(out, exist_ok=True)


def read(folder, name):
    path = os.path.join(fixtures, folder, name)
    if os.path.exists(path + '.gz'):
        return gzip.open(path + '.gz').read()
    return open(path, 'rb').read()


def save(name, selector, payload):
    with open(os.path.join(out, name), 'wb') as f:
        f.write(bytes([selector]) + payload)


for selector, folder, keep in ((0, 'chromium-simple', lambda n: n.endswith('_0')),
                               (1, 'firefox-cache2', lambda n: len(n) == 40)):
    for name in sorted(os.listdir(os.path.join(fixtures, folder))):
        if os.path.isdir(os.path.join(fixtures, folder, name)):
            continue
        name = name[:-3] if name.endswith('.gz') else name
        data = read(folder, name)
        if keep(name) and len(data) < 60000:
            save('%s-%s' % (folder, name[:8]), selector, data)
            if selector == 0:  # the response info inside: after the last "HTTP/" search
                at = data.rfind(b'HTTP/')
                if at > 24:
                    save('response-info-%s' % name[:8], 3, data[max(0, at - 40):])

# A block-file cache: the index header, then only the cells in use, renumbered.
index = read('chromium-blockfile', 'index')
cells = [struct.unpack_from('<I', index, 368 + 4 * i)[0] for i in range((len(index) - 368) // 4)]
used = [c for c in cells if c]
header = bytearray(index[:368])
struct.pack_into('<i', header, 28, 16)
small_index = bytes(header) + b''.join(struct.pack('<I', c) for c in (used + [0] * 16)[:16])
data_1 = read('chromium-blockfile', 'data_1')[:8192 + 256 * 16]
external = read('chromium-blockfile', 'f_000001')[:4000]
save('blockfile', 5, struct.pack('<HH', len(small_index), len(data_1)) + small_index + data_1 + external)

# A body with its head: gzip, and a compressed movie.
movie = b'FWS\x08' + struct.pack('<I', 4000) + bytes(3992)
save('body-gzip', 4, b'HTTP/1.1 200 OK\n' + gzip.compress(movie))
save('body-plain', 4, b'HTTP/1.1 200 OK\n' + movie)
# index.dat: the signature, one folder and one URL record.
dat = bytearray(0x4200)
dat[0:28] = b'Client UrlCache MMF Ver 5.2\x00'
struct.pack_into('<I', dat, 0x48, 1)
dat[0x50:0x58] = b'ABCDEFGH'
dat[0x4000:0x4004] = b'URL '
struct.pack_into('<III', dat, 0x4004, 2, 0, 0)
struct.pack_into('<I', dat, 0x4034, 0x68)
struct.pack_into('<I', dat, 0x403C, 0x80)
dat[0x4068:0x407a] = b'http://a.test/x.swf'[:18]
dat[0x4080:0x4085] = b'x.swf'
save('index-dat', 2, bytes(dat))
