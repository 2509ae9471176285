#pragma once
// SBlockReader: decompresses one block stream (see SBlockWriter) into a target file, its
// blocks spread over a pipeline's workers and written in order. Every length read from the
// stream is checked against the reader's buffers and the payload it came in, and every
// block must decode to exactly its stated length: a malformed stream fails, it is never
// read or written past its bounds.
#include <cstdint>

#include "core/SBlockPipeline.h"

class SFile;

class SBlockReader {
public:
    // Reads the stream of payloadLength bytes at source's position, which its blocks must
    // fill exactly (-1: a stream within the rest of the source); returns the uncompressed bytes
    // written, or -1 when the stream is malformed or a write to the target falls short.
    static int Decompress(SFile* source, SFile* target, int payloadLength,
                          SBlockPipeline& pipeline);
    // The uncompressed size of the stream of payloadLength bytes at source's position, read
    // from its block headers with the same checks and no decoding; -1 when malformed.
    static int64_t Measure(SFile* source, int payloadLength);
};
