"""A second reader and writer of "SRES" archives, sharing no code with the product.

    archive = "SRES" flag entry* 0xFFFFFFFF       (integers: unsigned 32-bit little-endian)
    entry   = L name 0x00 payload                  (compressed when flag[0] != 0)
    stream  = B block*B, or nothing for an empty file
    block   = R K zlib-data                        (R = 100000 but the last: 1..100000;
                                                    1 <= K <= 110012)
The reader raises FormatError at the first breach; the writer builds archives from parts, so
that tests can forge malformed ones.
"""

import struct
import zlib

MAGIC = b"SRES"
TERMINATOR = 0xFFFFFFFF
BLOCK_SIZE = 100000
MAX_PACKED = 110012
FLAG_STORED = b"\x00\x00\x00\x00"
FLAG_COMPRESSED = b"\x01\x00\x00\x00"


class FormatError(Exception):
    pass


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def _u32_at(data, position, what):
    if position + 4 > len(data):
        raise FormatError("%s at %d runs past the end" % (what, position))
    return struct.unpack_from("<I", data, position)[0]


def read_stream(payload, where):
    """The bytes of a block stream that fills payload exactly; every block must be what
    zlib.compress gives at its default level, as the product writes it."""
    if not payload:
        return b""
    count = _u32_at(payload, 0, where + ": block count")
    if count == 0:
        raise FormatError(where + ": block count 0")
    position, parts = 4, []
    for index in range(count):
        raw_length = _u32_at(payload, position, where + ": raw length")
        packed_length = _u32_at(payload, position + 4, where + ": compressed length")
        position += 8
        last = index == count - 1
        if not (1 <= raw_length <= BLOCK_SIZE if last else raw_length == BLOCK_SIZE):
            raise FormatError("%s: block %d: raw length %d" % (where, index, raw_length))
        if not 1 <= packed_length <= MAX_PACKED or position + packed_length > len(payload):
            raise FormatError("%s: block %d: compressed length %d" % (where, index, packed_length))
        packed = payload[position:position + packed_length]
        position += packed_length
        try:
            raw = zlib.decompress(packed)
        except zlib.error as error:
            raise FormatError("%s: block %d: %s" % (where, index, error))
        if len(raw) != raw_length or zlib.compress(raw) != packed:
            raise FormatError("%s: block %d is not the block of its bytes" % (where, index))
        parts.append(raw)
    if position != len(payload):
        raise FormatError("%s: %d bytes after the last block" % (where, len(payload) - position))
    return b"".join(parts)


def read(data):
    """[(name, bytes)] of a whole archive, names one character per byte."""
    if data[:4] != MAGIC or len(data) < 8:
        raise FormatError("no magic and flag")
    compressed, position, files = data[4] != 0, 8, []
    while True:
        length = _u32_at(data, position, "entry %d: length" % len(files))
        position += 4
        if length == TERMINATOR:
            break
        zero = data.find(b"\x00", position)
        if zero < 0 or zero + 1 + length > len(data):
            raise FormatError("entry %d runs past the end" % len(files))
        name = data[position:zero].decode("latin-1")
        payload = data[zero + 1:zero + 1 + length]
        files.append((name, read_stream(payload, name) if compressed else payload))
        position = zero + 1 + length
    if position != len(data):
        raise FormatError("%d bytes after the terminator" % (len(data) - position))
    return files


# Writing, by parts that tests may forge.


def block(raw, packed=None):
    packed = zlib.compress(raw) if packed is None else packed
    return u32(len(raw)) + u32(len(packed)) + packed


def blocks_of(data):
    return [block(data[p:p + BLOCK_SIZE]) for p in range(0, len(data), BLOCK_SIZE)]


def stream(data=None, blocks=None):
    """The block stream of data, or of the given (possibly forged) blocks."""
    blocks = blocks_of(data) if blocks is None else blocks
    return u32(len(blocks)) + b"".join(blocks) if blocks else b""


def entry(name, payload):
    return u32(len(payload)) + name.encode("latin-1") + b"\x00" + payload


def archive(entries, flag=FLAG_COMPRESSED):
    return MAGIC + flag + b"".join(entries) + u32(TERMINATOR)


def write(files, compressed=True):
    """The archive an honest writer makes of (name, bytes) pairs, in their order."""
    flag = FLAG_COMPRESSED if compressed else FLAG_STORED
    return archive([entry(n, stream(d) if compressed else d) for n, d in files], flag)
