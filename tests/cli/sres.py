"""A second, independent reader and writer of "SRES" archives, for the console-tool tests.

It shares no code with the product: Python's struct and zlib only. The reader checks every
rule of the format strictly and raises FormatError at the first breach; the writer builds
archives from parts, so that tests can craft hostile and malformed ones on purpose.

Layout (all integers unsigned 32-bit little-endian, no padding):

    archive  = "SRES" flag entry* 0xFFFFFFFF
    flag     = 4 bytes; the archive is compressed when the first byte is not 0
    entry    = L name 0x00 payload          (L = payload length, never 0xFFFFFFFF)
    payload  = the stored bytes, or in a compressed archive a block stream:
    stream   = B block*B                    (nothing at all for an empty file: L = 0)
    block    = R K data                     (R = 100000 but in the last block: 1..100000;
                                             K <= 110012; data = zlib.compress(raw))
"""

import struct
import zlib

MAGIC = b"SRES"
TERMINATOR = 0xFFFFFFFF
BLOCK_SIZE = 100000
MAX_PACKED = 110012  # 100000 * 1.1 + 12: the reader's buffer for one block's data

FLAG_STORED = b"\x00\x00\x00\x00"
FLAG_COMPRESSED = b"\x01\x00\x00\x00"


class FormatError(Exception):
    """The bytes break a rule of the archive format."""


class Entry:
    """One entry as read: its name (str, one character per byte), the absolute position of
    its payload, its payload length L and its uncompressed bytes."""

    def __init__(self, name, offset, length, data):
        self.name = name
        self.offset = offset
        self.length = length
        self.data = data

    def __repr__(self):
        return "Entry(%r, offset=%d, length=%d, %d bytes)" % (
            self.name, self.offset, self.length, len(self.data))


class Archive:
    def __init__(self, flag, entries, end):
        self.flag = flag
        self.compressed = flag[0] != 0
        self.entries = entries
        self.end = end  # position just after the terminator

    def names(self):
        return [e.name for e in self.entries]

    def files(self):
        """(name, data) pairs in archive order."""
        return [(e.name, e.data) for e in self.entries]


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def _take_u32(data, position, what):
    if position + 4 > len(data):
        raise FormatError("%s at %d runs past the end (%d bytes)" % (what, position, len(data)))
    return struct.unpack_from("<I", data, position)[0]


def decode_name(raw):
    return raw.decode("latin-1")


def encode_name(name):
    return name if isinstance(name, bytes) else name.encode("latin-1")


def read_stream(payload, check_level=True, where="payload"):
    """Decodes one block stream that must fill payload exactly; returns the raw bytes.

    With check_level, every block must also be byte for byte what zlib.compress gives at its
    default level for the block's raw bytes, which is how the writer makes them."""
    if len(payload) == 0:
        return b""
    count = _take_u32(payload, 0, where + ": block count")
    if count == 0:
        raise FormatError("%s: block count 0 in a non-empty payload" % where)
    position = 4
    parts = []
    for index in range(count):
        what = "%s: block %d of %d" % (where, index, count)
        raw_length = _take_u32(payload, position, what + ": raw length")
        packed_length = _take_u32(payload, position + 4, what + ": compressed length")
        position += 8
        last = index == count - 1
        if last:
            if not 1 <= raw_length <= BLOCK_SIZE:
                raise FormatError("%s: last raw length %d not in 1..%d"
                                  % (what, raw_length, BLOCK_SIZE))
        elif raw_length != BLOCK_SIZE:
            raise FormatError("%s: raw length %d, not %d" % (what, raw_length, BLOCK_SIZE))
        if not 1 <= packed_length <= MAX_PACKED:
            raise FormatError("%s: compressed length %d not in 1..%d"
                              % (what, packed_length, MAX_PACKED))
        if position + packed_length > len(payload):
            raise FormatError("%s: %d compressed bytes run past the payload"
                              % (what, packed_length))
        packed = payload[position:position + packed_length]
        position += packed_length
        inflater = zlib.decompressobj()
        try:
            raw = inflater.decompress(packed, BLOCK_SIZE + 1)
        except zlib.error as error:
            raise FormatError("%s: zlib: %s" % (what, error))
        if not inflater.eof or inflater.unused_data or inflater.unconsumed_tail:
            raise FormatError("%s: not exactly one complete zlib stream" % what)
        if len(raw) != raw_length:
            raise FormatError("%s: decodes to %d bytes, states %d" % (what, len(raw), raw_length))
        if check_level and zlib.compress(raw) != packed:
            raise FormatError("%s: not zlib.compress's output at the default level" % what)
        parts.append(raw)
    if position != len(payload):
        raise FormatError("%s: %d bytes after the last block" % (where, len(payload) - position))
    return b"".join(parts)


def read(data, start=0, check_level=True, exact_end=True):
    """Reads the archive that begins at start; returns an Archive or raises FormatError.

    With exact_end, nothing may follow the terminator."""
    if data[start:start + 4] != MAGIC:
        raise FormatError("no magic at %d" % start)
    if start + 8 > len(data):
        raise FormatError("flag runs past the end")
    flag = bytes(data[start + 4:start + 8])
    compressed = flag[0] != 0
    position = start + 8
    entries = []
    while True:
        length = _take_u32(data, position, "entry %d: length" % len(entries))
        position += 4
        if length == TERMINATOR:
            break
        zero = data.find(b"\x00", position)
        if zero < 0:
            raise FormatError("entry %d: name without its zero byte" % len(entries))
        name = decode_name(bytes(data[position:zero]))
        position = zero + 1
        if position + length > len(data):
            raise FormatError("entry %r: payload of %d bytes runs past the end" % (name, length))
        payload = bytes(data[position:position + length])
        if compressed:
            raw = read_stream(payload, check_level, "entry %r" % name)
        else:
            raw = payload
        entries.append(Entry(name, position, length, raw))
        position += length
    if exact_end and position != len(data):
        raise FormatError("%d bytes after the terminator" % (len(data) - position))
    return Archive(flag, entries, position)


def read_file(path, **options):
    with open(path, "rb") as f:
        return read(f.read(), **options)


# ---------------------------------------------------------------------------------------
# Writing, by parts


def block(raw, raw_length=None, packed=None, packed_length=None):
    """One block: R, K and the zlib data of raw, each part replaceable by a forged one."""
    if packed is None:
        packed = zlib.compress(raw)
    return (u32(len(raw) if raw_length is None else raw_length)
            + u32(len(packed) if packed_length is None else packed_length) + packed)


def blocks_of(data):
    """The honest blocks of data, in order: full blocks of 100000 bytes, then the rest."""
    return [block(data[p:p + BLOCK_SIZE]) for p in range(0, len(data), BLOCK_SIZE)]


def stream(data=None, blocks=None, count=None):
    """A block stream: of data's honest blocks, or of the given (possibly forged) blocks;
    count forges the block count. The honest stream of empty data is empty."""
    if blocks is None:
        blocks = blocks_of(data)
        if not blocks and count is None:
            return b""
    return u32(len(blocks) if count is None else count) + b"".join(blocks)


def entry(name, payload, length=None):
    """One entry: L, the name and its zero byte, the payload; length forges L."""
    return u32(len(payload) if length is None else length) + encode_name(name) + b"\x00" + payload


def archive(entries, flag=FLAG_COMPRESSED, magic=MAGIC, terminator=True):
    """Magic, flag, the entries' bytes as given, and the terminator unless left out."""
    return magic + flag + b"".join(entries) + (u32(TERMINATOR) if terminator else b"")


def write(files, compressed=True, flag=None):
    """The archive an honest writer makes of (name, data) pairs, in the given order. A flag
    given explicitly decides by its first byte whether the payloads are block streams."""
    if flag is None:
        flag = FLAG_COMPRESSED if compressed else FLAG_STORED
    compressed = flag[0] != 0
    parts = [entry(name, stream(data) if compressed else data) for name, data in files]
    return archive(parts, flag)
