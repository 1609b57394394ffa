#!/usr/bin/env python3
"""Writes the small sample pictures the picture tests read. Run from this folder."""
import struct
import zlib


def bmp24(width, height, pixel):
    stride = (width * 3 + 3) // 4 * 4
    rows = b""
    for y in reversed(range(height)):  # bottom-up
        row = b"".join(bytes(reversed(pixel(x, y))) for x in range(width))
        rows += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return header + info + rows


def bmp8(width, height, palette, index):
    stride = (width + 3) // 4 * 4
    rows = b""
    for y in reversed(range(height)):
        row = bytes(index(x, y) for x in range(width))
        rows += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 0, 0, len(palette), 0)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + table + rows


def icon_image(size, rgb):
    # 32-bit colours bottom-up, then a 1-bit AND mask, with the doubled height of icons.
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = bytes((rgb[2], rgb[1], rgb[0], 255)) * (size * size)
    mask = b"\0" * (((size + 31) // 32 * 4) * size)
    return info + colours + mask


def ico(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, rgb in images:
        blob = icon_image(size, rgb)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    return directory + entries + data


def png(width, height, pixel):
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


def emf(width, height):
    # Only the header record: type 1, bounds, frame, " EMF" signature, version, sizes.
    header = struct.pack("<II4i4iIIIHHIIII2i2i", 1, 88, 0, 0, width - 1, height - 1,
                         0, 0, width * 26, height * 26, 0x464D4520, 0x10000, 88 + 20, 2, 0,
                         0, 0, 0, 0, 1024, 768, 320, 240)
    eof = struct.pack("<IIIII", 14, 20, 0, 16, 20)
    return header + eof


def wmf(width, height):
    # Placeable header, then the standard header and the end record.
    words = [0x9AC6CDD7 & 0xFFFF, 0x9AC6CDD7 >> 16, 0, 0, 0, width, height, 96, 0, 0]
    checksum = 0
    for w in words[:10]:
        checksum ^= w
    placeable = struct.pack("<IHhhhhHIH", 0x9AC6CDD7, 0, 0, 0, width, height, 96, 0, checksum)
    standard = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + 3, 0, 3, 0)
    return placeable + standard + struct.pack("<IH", 3, 0)


def gif_red_pixel():
    return (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
            b",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")


def sample(x, y):
    return (x * 60, y * 80, 200)


files = {
    "rgb4x3.bmp": bmp24(4, 3, sample),
    "palette5x2.bmp": bmp8(5, 2, [(255, 0, 0), (0, 255, 0), (0, 0, 255)], lambda x, y: (x + y) % 3),
    "two.ico": ico([(16, (255, 0, 0)), (32, (0, 0, 255))]),
    "rgb4x3.png": png(4, 3, sample),
    "red.gif": gif_red_pixel(),
    "square.emf": emf(120, 80),
    "square.wmf": wmf(90, 60),
}
for name, data in files.items():
    with open(name, "wb") as f:
        f.write(data)
