// Downloads against our own misbehaving server on 127.0.0.1, the read loop's counting rules
// through a scripted reader, the local-file fallback and the mail link.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/SFileMem.h"
#include "install/SNetwork.h"
#include "install/SNetworkReader.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestServer.h"

namespace {

std::string Pattern(int count) {  // the server's bodies: byte i is i % 251
    std::string bytes(static_cast<size_t>(count), '\0');
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

std::string Content(SFileMem& file) {
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()), file.GetSize());
}

// Records the chunks offered, checks their order, size, total and parameter, and answers
// with a chosen result from a chosen call on.
class Recorder : public SNetwork {
public:
    int OnData(int total, int offset, int count, const uint8_t*, SFile*, uint32_t p) override {
        EXPECT_EQ(offset, offered);
        EXPECT_GE(count, 1);
        EXPECT_LE(count, maxChunk);
        if (expectedTotal != -2) {
            EXPECT_EQ(total, expectedTotal);
        }
        EXPECT_EQ(p, 0xC0FFEEu);
        offered += count;
        return ++calls >= answerFrom ? answer : 0;
    }
    int offered = 0, calls = 0, maxChunk = 1024, expectedTotal = -1, answer = 0, answerFrom = 1;
};

TEST(SNetwork, ServerBehavioursGiveTheirResultsAndWriteWhatArrived) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    struct Case {
        const char* path;
        int chunk;
        bool result;
        int total;
        int sent;   // pattern bytes sent; -1 for an error page
        int least;  // bytes that must arrive: a reset may discard what was in flight, and
                    // bytes beyond the length arrive only when they come with the rest
    };
    const Case cases[] = {
        {"/length/100000", 1024, true, 100000, 100000, 100000},
        {"/length/3000", 0, true, 3000, 3000, 3000},  // one byte per read
        {"/length/3000", -5, true, 3000, 3000, 3000},
        {"/nolength/70000", 4096, true, -1, 70000, 70000},
        {"/length/0", 1024, true, 0, 0, 0},
        {"/nolength/0", 1024, true, -1, 0, 0},
        {"/short/50000/30000", 1024, false, 50000, 30000, 30000},
        {"/extra/1000/1500", 1024, true, 1000, 1500, 1000},
        {"/reset/50000/30000", 1024, false, 50000, 30000, 0},
        {"/reset/-/30000", 1024, true, -1, 30000, 0},  // one failed read, then the end
        {"/status/500", 16, true, -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " chunk " + std::to_string(c.chunk));
        const std::string page = "<html><head><title>" + std::string(c.path + 8) +
                                 "</title></head><body><h1>Error " + (c.path + 8) +
                                 "</h1></body></html>";
        const int sent = c.sent >= 0 ? c.sent : static_cast<int>(page.size());
        Recorder net;
        net.maxChunk = c.chunk < 1 ? 1 : c.chunk;
        net.expectedTotal = c.sent >= 0 ? c.total : sent;
        SFileMem target;
        target.Write("HEAD", 4);  // written after what the target already holds
        EXPECT_EQ(net.Download(&target, TestServerUrl(c.path).c_str(), c.chunk, 0xC0FFEEu), c.result);
        EXPECT_GE(net.offered, c.least >= 0 ? c.least : sent);
        EXPECT_LE(net.offered, sent);
        EXPECT_TRUE(Content(target) == "HEAD" + (c.sent >= 0 ? Pattern(net.offered) : page));
        if (c.chunk < 1) {
            EXPECT_EQ(net.calls, net.offered);
        }
    }
}

// A silence of the time-out, content beyond the limit, a write that fails and a cancel each
// end a download as failed; a slow transfer that keeps moving is never cut off.
TEST(SNetwork, SilencesLimitsWriteFailuresAndCancelsEndADownload) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    // A memory file whose writes fail once it holds a given number of bytes (a full disk).
    class Full : public SFileMem {
    public:
        explicit Full(int room) : room(room) {}
        int Write(const void* buffer, int count) override {
            return GetSize() + count > room ? 0 : SFileMem::Write(buffer, count);
        }
        const int room;
    };
    struct Case {
        const char* path;
        int limit, room;
        bool cancel, result;
        int offeredAtMost;  // no chunk beyond the limit, and none at all when announced above it
    };
    const int kAll = SNetwork::kDefaultLimit;
    const Case cases[] = {
        {"/silent/30000", kAll, kAll, false, false, 0},      // never answers
        {"/stall/-/3000", kAll, kAll, false, false, 3000},   // stops sending
        {"/slow/3000/600/700", kAll, kAll, false, true, 3000},  // slower than the time-out
        {"/length/5000", 4999, kAll, false, false, 0},
        {"/nolength/5000", 4096, kAll, false, false, 4096},
        {"/length/5000", 5000, kAll, false, true, 5000},
        {"/length/100000", kAll, 50000, false, false, 51200},
        {"/length/5000", kAll, kAll, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Recorder net;
        net.expectedTotal = -2;  // not checked here
        net.SetTimeout(1500);
        net.SetLimit(c.limit);
        if (c.cancel) net.Cancel();
        Full target(c.room);
        EXPECT_EQ(net.Download(&target, TestServerUrl(c.path).c_str(), 1024, 0xC0FFEEu), c.result);
        EXPECT_LE(net.offered, c.offeredAtMost);
    }
}

TEST(SNetwork, OnDataTakesChunksOrStops) {
    struct Case {
        int answer, answerFrom;
        bool result;
        int written, calls;
    };
    const Case cases[] = {
        {SNetwork::kTaken, 1, true, 0, 5},     // every chunk taken: nothing written
        {SNetwork::kTaken, 3, true, 2048, 5},  // the first two written
        {SNetwork::kStop, 2, false, 1024, 2},  // stops at once, the stopping chunk unwritten
        {SNetwork::kStop, 5, false, 4096, 5},  // even on the last chunk
        {7, 1, true, 5000, 5},                 // other answers write
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.answer) + " from " + std::to_string(c.answerFrom));
        Recorder net;
        net.expectedTotal = 5000;
        net.answer = c.answer;
        net.answerFrom = c.answerFrom;
        SFileMem target;
        EXPECT_EQ(net.Download(&target, TestServerUrl("/length/5000").c_str(), 1024, 0xC0FFEEu), c.result);
        EXPECT_EQ(net.calls, c.calls);
        EXPECT_TRUE(Content(target) == Pattern(c.written));
    }
}

// Reads from a script: -1 a failed read, 0 the end, n > 0 a chunk of n bytes. After the
// script, every read is the end.
class ScriptedReader : public SNetworkReader {
public:
    explicit ScriptedReader(std::vector<int> script) : script(std::move(script)) {}
    bool Read(void* buffer, int size, int& count) override {
        const int step = next < script.size() ? script[next++] : 0;
        count = step > 0 ? (step < size ? step : size) : 0;
        memset(buffer, 'x', static_cast<size_t>(count));
        return step >= 0;
    }

private:
    std::vector<int> script;
    size_t next = 0;
};

TEST(SNetwork, ReadFailuresAndRecoveriesAreCounted) {
    const int F = -1;
    struct Case {
        std::vector<int> script;
        int total;
        bool result;
        int written;
    };
    const Case cases[] = {
        {{F, F, F, F, F, F, F, F, F, 5, 0}, -1, true, 5},         // nine in a row recover
        {{F, F, F, F, F, F, F, F, F, F, 5}, -1, false, 0},        // the tenth ends it
        {{F, F, F, F, F, 5, F, F, F, F, F, 5, 0}, -1, true, 10},  // a good read resets the count
        {{F, 5, F, 5, F, 5, F, 5, 0}, -1, true, 20},              // four recoveries
        {{F, 5, F, 5, F, 5, F, 5, F, 5, 5, 0}, -1, false, 20},    // the fifth: its bytes dropped
        {{F, 0}, 5, false, 0},                                    // a failure, then the end
        {{5, 0}, 10, false, 5},                                   // short of the length
        {{5, 5, 5, 0}, 10, true, 15},                             // beyond the length
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.script));
        ScriptedReader reader(c.script);
        Recorder net;
        net.maxChunk = 8;
        net.expectedTotal = c.total;
        SFileMem target;
        EXPECT_EQ(net.Receive(&reader, c.total, &target, 8, 0xC0FFEEu), c.result);
        EXPECT_EQ(target.GetSize(), c.written);
        EXPECT_EQ(net.offered, c.written);
    }
}

TEST(SNetwork, LocalFilesAreCopiedWithoutOnData) {
    TestFolder folder;
    const std::string content = Pattern(2500);  // more than one copying step
    const std::pair<std::string, std::string> cases[] = {
        {folder.WriteFile("release.bin", content), content},
        {folder.WriteFile("empty.bin", ""), ""},
        {folder.MakeFolder("sub"), ""},
        {folder / "missing.bin", ""},
        {folder / "release.bin\\", ""},
    };
    for (const auto& [path, copied] : cases) {
        Recorder net;
        SFileMem target;
        EXPECT_EQ(net.Download(&target, path.c_str(), 1024, 0), !copied.empty()) << path;
        EXPECT_TRUE(Content(target) == copied) << path;
        EXPECT_EQ(net.calls, 0) << path;
    }
    EXPECT_FALSE(SNetwork().Download(nullptr, (folder / "release.bin").c_str(), 1024, 0));
}

TEST(SNetwork, MailLinks) {
    const char* const cases[][3] = {
        {nullptr, nullptr, "mailto:me@example.org"},
        {"", "", "mailto:me@example.org"},
        {"Update 2.0", nullptr, "mailto:me@example.org?SUBJECT=Update%202%2E0"},
        {nullptr, "a&b=c", "mailto:me@example.org?BODY=a%26b%3Dc"},
        {"Hi", "x y", "mailto:me@example.org?SUBJECT=Hi&BODY=x%20y"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(SNetwork::GetMailLink("me@example.org", c[0], c[1]).GetSafeText(), c[2]);
    }
}

}  // namespace
