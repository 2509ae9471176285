#pragma once
// SNetworkReader: where a download's chunks come from. Read fills at most size bytes and
// reports how many in count; false is a failed read, true with 0 the end of the content.
class SNetworkReader {
public:
    virtual ~SNetworkReader() = default;
    virtual bool Read(void* buffer, int size, int& count) = 0;
};
