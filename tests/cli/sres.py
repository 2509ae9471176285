"""A second reader and writer of "SRES" archives, sharing no code with the product:
    archive = "SRES" flag entry* 0xFFFFFFFF   (integers: unsigned 32-bit little-endian)
    entry   = L name 0x00 payload              (compressed when flag[0] != 0)
    stream  = B block*B, or nothing for an empty file
    block   = R K zlib-data       (R = 100000 but the last: 1..100000; 1 <= K <= 110012)
The writer builds archives from parts, so that tests can forge malformed ones; the reader
takes only the archive the writer makes of the same files, byte for byte.
"""

import struct
import zlib

MAGIC = b"SRES"
TERMINATOR = 0xFFFFFFFF
BLOCK_SIZE = 100000
MAX_PACKED = 110012
FLAG_COMPRESSED = b"\x01\x00\x00\x00"


class FormatError(Exception):
    pass


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def _parse(data):
    """(compressed, [(name, bytes)]) of data, read without checks: read() compares."""
    compressed, position, files = data[4] != 0, 8, []
    while True:
        length = struct.unpack_from("<I", data, position)[0]
        if length == TERMINATOR:
            return compressed, files
        zero = data.index(b"\x00", position + 4)
        payload = data[zero + 1:zero + 1 + length]
        if compressed and payload:
            count, at, parts = struct.unpack_from("<I", payload)[0], 4, []
            for _ in range(count):
                packed = struct.unpack_from("<I", payload, at + 4)[0]
                parts.append(zlib.decompress(payload[at + 8:at + 8 + packed]))
                at += 8 + packed
            payload = b"".join(parts)
        files.append((data[position + 4:zero].decode("latin-1"), payload))
        position = zero + 1 + length


def read(data):
    """[(name, bytes)] of a whole archive, names one character per byte. FormatError unless
    data is exactly what write() makes of those files: every field, zlib's default level."""
    try:
        compressed, files = _parse(data)
    except (IndexError, ValueError, struct.error, zlib.error) as error:
        raise FormatError("cut short or malformed: %s" % error)
    if write(files, compressed) != data:
        raise FormatError("not the archive of the files it holds")
    return files


def block(raw, packed=None):
    packed = zlib.compress(raw) if packed is None else packed
    return u32(len(raw)) + u32(len(packed)) + packed


def stream(data=None, blocks=None):
    """The block stream of data, or of the given (possibly forged) blocks."""
    if blocks is None:
        blocks = [block(data[p:p + BLOCK_SIZE]) for p in range(0, len(data), BLOCK_SIZE)]
    return u32(len(blocks)) + b"".join(blocks) if blocks else b""


def entry(name, payload):
    return u32(len(payload)) + name.encode("latin-1") + b"\x00" + payload


def archive(entries, flag=FLAG_COMPRESSED):
    return MAGIC + flag + b"".join(entries) + u32(TERMINATOR)


def write(files, compressed=True):
    """The archive an honest writer makes of (name, bytes) pairs, in their order."""
    flag = FLAG_COMPRESSED if compressed else bytes(4)
    return archive([entry(n, stream(d) if compressed else d) for n, d in files], flag)
