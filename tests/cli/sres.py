"""A second reader and writer of "SRES" archives, sharing no code with the product:
    archive = "SRES" flag entry* 0xFFFFFFFF   (integers: unsigned 32-bit little-endian)
    entry   = L name 0x00 payload              (compressed when flag[0] != 0)
    stream  = B block*B, or nothing for an empty file
    block   = R K zlib-data       (R = 100000 but the last: 1..100000; 1 <= K <= 110012)
The writer builds archives from parts, so that tests can forge malformed ones; the reader
takes only what the writer makes of the same files and the same zlib data, byte for byte
(the zlib data is checked by inflating it: another zlib may deflate differently).
"""
import struct
import zlib

BLOCK_SIZE, MAX_PACKED = 100000, 110012
FLAG_COMPRESSED = b"\x01\x00\x00\x00"


class FormatError(Exception):
    pass


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def read(data):
    """[(name, bytes)] of a whole archive, names one character per byte. FormatError unless
    data is exactly what write() makes of those files and their zlib data, every field."""
    try:
        compressed, at, files = data[4] != 0, 8, []
        while (length := struct.unpack_from("<I", data, at)[0]) != 0xFFFFFFFF:
            zero = data.index(b"\x00", at + 4)
            payload, blocks, p = data[zero + 1:zero + 1 + length], [], 4
            for _ in range(struct.unpack_from("<I", payload)[0] if compressed and payload else 0):
                raw_length, packed = struct.unpack_from("<II", payload, p)
                packed, inflater = payload[p + 8:p + 8 + packed], zlib.decompressobj()
                blocks.append((inflater.decompress(packed), packed))
                if not inflater.eof or inflater.unused_data or len(blocks[-1][0]) != raw_length:
                    raise zlib.error("a block is not %d bytes of whole zlib data" % raw_length)
                p += 8 + len(packed)
            content = b"".join(raw for raw, _ in blocks) if compressed else payload
            files.append((data[at + 4:zero].decode("latin-1"), content, blocks))
            at = zero + 1 + length
    except (IndexError, ValueError, struct.error, zlib.error) as error:
        raise FormatError("cut short or malformed: %s" % error)
    if compressed and any([raw for raw, _ in b] != _split(d) for _, d, b in files):
        raise FormatError("blocks other than 100000 bytes each but the last")
    entries = [entry(n, stream(blocks=[block(r, p) for r, p in b]) if compressed else d)
               for n, d, b in files]
    if archive(entries, FLAG_COMPRESSED if compressed else bytes(4)) != data:
        raise FormatError("not the archive of the files it holds")
    return [(name, content) for name, content, _ in files]


def _split(data):
    return [data[p:p + BLOCK_SIZE] for p in range(0, len(data), BLOCK_SIZE)]


def block(raw, packed=None):
    packed = zlib.compress(raw) if packed is None else packed
    return u32(len(raw)) + u32(len(packed)) + packed


def stream(data=None, blocks=None):
    """The block stream of data, or of the given (possibly forged) blocks."""
    blocks = [block(part) for part in _split(data)] if blocks is None else blocks
    return u32(len(blocks)) + b"".join(blocks) if blocks else b""


def entry(name, payload):
    return u32(len(payload)) + name.encode("latin-1") + b"\x00" + payload


def archive(entries, flag=FLAG_COMPRESSED):
    return b"SRES" + flag + b"".join(entries) + u32(0xFFFFFFFF)


def write(files, compressed=True):
    """The archive an honest writer makes of (name, bytes) pairs, in their order."""
    return archive([entry(n, stream(d) if compressed else d) for n, d in files],
                   FLAG_COMPRESSED if compressed else bytes(4))
