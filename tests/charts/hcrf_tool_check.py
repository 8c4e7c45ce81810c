"""End-to-end check of the hcrf tool with Python's own zlib: a PPM picture
becomes a chart, every tile of it decodes, the stored check values match, and
a tile written out as PNG shows the picture's own colours."""
import binascii
import os
import struct
import subprocess
import sys
import tempfile
import zlib

hcrf = sys.argv[1]
work = tempfile.mkdtemp(prefix="hcrf-tool-")

# A 300 x 200 picture: bands of colour with a diagonal line and a dotted row.
width, height = 300, 200
colours = [(10, 40, 200), (240, 230, 180), (0, 0, 0), (200, 30, 60), (170, 214, 240)]
pixels = []
for y in range(height):
    for x in range(width):
        c = 0 if x < 100 else 1 if x < 220 else 4
        if x == y or (y == 50 and x % 3 == 0):
            c = 2
        if (x * 7 + y * 3) % 97 == 0:
            c = 3
        pixels.append(colours[c])
ppm = os.path.join(work, "in.ppm")
with open(ppm, "wb") as f:
    f.write(b"P6\n# test picture\n%d %d\n255\n" % (width, height))
    f.write(bytes(v for p in pixels for v in p))


# The same picture as an RGB PNG made here with zlib, its rows cycling through
# the five PNG filters so the tool's reader undoes each of them.
def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", binascii.crc32(kind + body) & 0xFFFFFFFF)


raw, prior = b"", bytes(width * 3)
for y in range(height):
    row = bytes(v for p in pixels[y * width:(y + 1) * width] for v in p)
    kind = y % 5
    out = bytearray([kind])
    for i, v in enumerate(row):
        a = row[i - 3] if i >= 3 else 0
        b = prior[i]
        c = prior[i - 3] if i >= 3 else 0
        out.append((v - (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xFF)
    raw += bytes(out)
    prior = row
png_in = os.path.join(work, "in.png")
with open(png_in, "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

charts = {}
for source, out in ((ppm, "chart"), (png_in, "chart-png")):
    made = subprocess.run([hcrf, "make", "--out", os.path.join(work, out), "--image", source, "--name", "PY01",
                           "--update", "1,0", "--insets", "1"], capture_output=True, text=True)
    assert made.returncode == 0, made.stderr
    charts[source] = made.stdout.strip()
chart = charts[ppm]
# An update tile outside the chart is refused, not passed over.
refused = subprocess.run([hcrf, "make", "--out", os.path.join(work, "bad"), "--image", ppm, "--update", "9,9"],
                         capture_output=True, text=True)
assert refused.returncode != 0 and "outside" in refused.stderr, refused
# Both pictures give the same chart, byte for byte.
for ext in ("chr", "lor", "pal"):
    assert open(chart[:-3] + ext, "rb").read() == open(charts[png_in][:-3] + ext, "rb").read(), ext

png = os.path.join(work, "tile.png")
dump = subprocess.run([hcrf, "dump", chart, "--tile", "1,1", "--png", png], capture_output=True, text=True)
assert dump.returncode == 0, dump.stdout + dump.stderr
lines = dump.stdout.splitlines()
assert "high.tiles_decoded 6 failed 0" in lines, dump.stdout
assert "update.tile 001000" in lines, dump.stdout

# Check values, stored and as the readers compute them, against zlib over the same bytes.
for ext, line in (("lor", "low.raster_bytes"), ("loi", "low.index_bytes"), ("chr", "high.raster_bytes"),
                  ("chi", "high.index_bytes")):
    data = open(chart[:-3] + ext, "rb").read()
    crc = binascii.crc32(data[:-4]) & 0xFFFFFFFF
    assert struct.unpack("<I", data[-4:])[0] == crc, ext
    words = next(l for l in lines if l.startswith(line + " ")).split()
    assert int(words[words.index("computed_crc") + 1], 16) == crc, (ext, words)

# The PNG: chunk check values, then the tile's colours against the picture.
blob = open(png, "rb").read()
assert blob[:8] == b"\x89PNG\r\n\x1a\n"
at, palette, idat = 8, None, b""
while at < len(blob):
    length, kind = struct.unpack(">I4s", blob[at:at + 8])
    body = blob[at + 8:at + 8 + length]
    assert binascii.crc32(kind + body) & 0xFFFFFFFF == struct.unpack(">I", blob[at + 8 + length:at + 12 + length])[0]
    if kind == b"PLTE":
        palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
    elif kind == b"IDAT":
        idat += body
    at += 12 + length
raw = zlib.decompress(idat)
assert len(raw) == 128 * 129
for y in range(128):
    assert raw[y * 129] == 0
    for x in range(128):
        px, py = 128 + x, 128 + y
        expected = pixels[py * width + px] if px < width and py < height else None
        got = palette[raw[y * 129 + 1 + x]]
        if expected is not None:
            assert got == expected, (px, py, got, expected)
print("hcrf tool check passed")
