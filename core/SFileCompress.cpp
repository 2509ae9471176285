// SFile's block-stream compression: the payload form of compressed archives.
#include "core/SBlockPipeline.h"
#include "core/SBlockReader.h"
#include "core/SBlockWriter.h"
#include "core/SFile.h"

// Compresses count bytes from this file's position (-1: the rest) into target as a block
// stream; returns the bytes written, 0 for nothing to compress or on failure.
int SFile::Compress(SFile* target, int count) {
    if (!target) return 0;
    const int remaining = GetRemaining();
    if (count < 0 || count > remaining) count = remaining;
    if (count == 0) return 0;
    SBlockWriter writer(target, 1);
    const bool read = writer.AddStream(this, count);
    const bool written = writer.Finish();
    return read && written ? writer.GetLastStreamSize() : 0;
}

// Decompresses the block stream at this file's position into target; returns the
// uncompressed bytes written, 0 without target or for a malformed stream.
int SFile::Decompress(SFile* target) {
    if (!target) return 0;
    SBlockPipeline pipeline(SBlockPipeline::kDecompress, 1);
    const int written = SBlockReader::Decompress(this, target, -1, pipeline);
    return written < 0 ? 0 : written;
}
