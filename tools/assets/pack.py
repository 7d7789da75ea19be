#!/usr/bin/env python3
"""Packs RGBA pictures into Windows icon, cursor and animated-cursor files.

    pack.py ico OUT.ico IMAGE.png...            one icon, one image per size
    pack.py ani OUT.ani JIFFIES HX,HY IMAGE.png...   animated cursor, frames in order
    pack.py check-bmp FILE.bmp W H BITS [white-corner]   sanity check of a written BMP

Pixels are read through ImageMagick (convert FILE rgba:-). Every image is
stored as a 32-bit BI_RGB DIB with its AND mask, which every loader takes;
an animated cursor is RIFF "ACON" with an "anih" header and a "fram" list of
"icon" chunks, each a complete cursor file with the hot spot.
"""
import struct
import subprocess
import sys


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        sys.exit(f"pack.py: {path} is not a PNG")
    return struct.unpack(">II", head[16:24])


def rgba(path):
    w, h = png_size(path)
    data = subprocess.run(["convert", path, "-depth", "8", "rgba:-"],
                          check=True, stdout=subprocess.PIPE).stdout
    if len(data) != w * h * 4:
        sys.exit(f"pack.py: {path}: expected {w * h * 4} bytes of pixels, got {len(data)}")
    return w, h, data


def dib(w, h, px):
    """BITMAPINFOHEADER (double height: colour then mask), BGRA rows bottom-up, AND mask."""
    mask_stride = ((w + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = px[y * w * 4:(y + 1) * w * 4]
        bits = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = row[x * 4:x * 4 + 4]
            colour += bytes((b, g, r, a))
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def icon_file(images, kind=1, hotspot=(0, 0)):
    """An .ico (kind 1) or .cur (kind 2) file holding the given (w, h, pixels) images."""
    out = struct.pack("<HHH", 0, kind, len(images))
    bodies = [dib(w, h, px) for w, h, px in images]
    offset = 6 + 16 * len(images)
    for (w, h, _), body in zip(images, bodies):
        a, b = (1, 32) if kind == 1 else hotspot
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, a, b, len(body), offset)
        offset += len(body)
    return out + b"".join(bodies)


def chunk(tag, body):
    data = tag + struct.pack("<I", len(body)) + body
    return data + (b"\0" if len(body) % 2 else b"")


def ani_file(frames, jiffies, hotspot):
    w, h, _ = frames[0]
    anih = struct.pack("<9I", 36, len(frames), len(frames), w, h, 32, 1, jiffies, 1)  # AF_ICON
    fram = b"fram" + b"".join(chunk(b"icon", icon_file([f], 2, hotspot)) for f in frames)
    body = b"ACON" + chunk(b"anih", anih) + chunk(b"LIST", fram)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def check_bmp(path, w, h, bits, white_corner):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        sys.exit(f"pack.py: {path} is not a BMP")
    offset, = struct.unpack("<I", data[10:14])
    size, bw, bh, planes, bpp, comp = struct.unpack("<IiiHHI", data[14:34])
    if size != 40 or (bw, abs(bh), bpp, comp) != (w, h, bits, 0):
        sys.exit(f"pack.py: {path}: header {size} {bw}x{bh} {bpp} bpp compression {comp}, "
                 f"wanted BITMAPINFOHEADER {w}x{h} {bits} bpp uncompressed")
    if white_corner:
        # Bottom-up rows: the first stored pixel is the lower left one.
        if bits == 8:
            index = data[offset]
            colour = data[54 + index * 4:54 + index * 4 + 3]
        else:
            colour = data[offset:offset + 3]
        if colour != b"\xff\xff\xff":
            sys.exit(f"pack.py: {path}: corner colour {colour.hex()} is not pure white")


def main(argv):
    if len(argv) >= 3 and argv[1] == "ico":
        images = [rgba(p) for p in argv[3:]]
        with open(argv[2], "wb") as f:
            f.write(icon_file(images))
    elif len(argv) >= 6 and argv[1] == "ani":
        hx, hy = (int(v) for v in argv[4].split(","))
        frames = [rgba(p) for p in argv[5:]]
        with open(argv[2], "wb") as f:
            f.write(ani_file(frames, int(argv[3]), (hx, hy)))
    elif len(argv) >= 6 and argv[1] == "check-bmp":
        check_bmp(argv[2], int(argv[3]), int(argv[4]), int(argv[5]), len(argv) > 6)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
