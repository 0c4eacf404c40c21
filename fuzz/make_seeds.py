#!/usr/bin/env python3
"""Writes the small valid files that seed the fuzzers (fuzz/corpus/<target>/)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def bmp(width, height, bits, header_size=40, top_down=False, size_image=True):
    stride = (width * bits // 8 + 3) & ~3
    pixels = bytearray()
    for y in range(height):
        row = bytearray((x * 7 + y * 3) & 0xFF for x in range(width * bits // 8))
        pixels += row + bytes(stride - len(row))
    table = b"".join(struct.pack("<BBBB", i, 255 - i, i // 2, 0) for i in range(256)) if bits == 8 else b""
    info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, 1, bits, 0,
                       len(pixels) if size_image else 0, 2835, 2835, 0, 0)
    info += bytes(header_size - 40)
    offset = 14 + header_size + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + bytes(pixels)


def wave(channels, bits, rate, frames, fmt_size=16, first_id=b"fmt "):
    data = bytes((i * 13) & 0xFF for i in range(frames * channels * bits // 8))
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
    fmt += bytes(fmt_size - 16)
    body = b"WAVE" + first_id + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    return b"RIFF" + struct.pack("<I", len(body)) + body


def voc(samples, time_constant=166):
    header = b"Creative Voice File\x1a" + struct.pack("<HHH", 26, 0x010A, 0x1129)
    length = samples + 2
    block = bytes([1]) + struct.pack("<I", length)[:3] + bytes([time_constant, 0])
    return header + block + bytes((i * 5) & 0xFF for i in range(samples)) + b"\0"


put("bitmap", "8bit_3x2.bmp", bmp(3, 2, 8))
put("bitmap", "8bit_top_down.bmp", bmp(5, 3, 8, top_down=True))
put("bitmap", "8bit_v5_header.bmp", bmp(4, 2, 8, header_size=124, size_image=False))
put("bitmap", "16bit_2x2.bmp", bmp(2, 2, 16))
put("bitmap", "24bit_3x2.bmp", bmp(3, 2, 24))
put("palette", "ramp.pal", b"".join(b"\n%d %d %d 4" % (i, i, 255 - i) for i in range(256)))
put("palette", "short.pal", b"\n1 2 3 4\n300 -1 7 8")
put("wave", "8bit_mono.wav", wave(1, 8, 11025, 50))
put("wave", "16bit_stereo.wav", wave(2, 16, 22050, 20, fmt_size=18))
put("wave", "odd_first_chunk.wav", wave(1, 8, 11025, 7, first_id=b"abcd"))
put("voice", "tc166.voc", voc(40))
put("voice", "tc0.voc", voc(9, time_constant=0))
