// Downloads from our misbehaving local server, the read loop's counting rules and the mail link.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/SFileMem.h"
#include "install/SNetwork.h"
#include "install/SNetworkReader.h"
#include "tests/support/TestServer.h"

namespace {

// Checks each chunk offered, and answers with a chosen result from a chosen call on.
class Recorder : public SNetwork {
public:
    Recorder(int maxChunk, int total, int answer = 0, int answerFrom = 1)
        : maxChunk(maxChunk), expectedTotal(total), answer(answer), answerFrom(answerFrom) {}
    int OnData(int total, int offset, int count, const uint8_t*, SFile*, uint32_t p) override {
        EXPECT_EQ(offset, offered);
        EXPECT_GE(count, 1);
        EXPECT_LE(count, maxChunk);
        EXPECT_TRUE(expectedTotal == -2 || total == expectedTotal) << total;
        EXPECT_EQ(p, 0xC0FFEEu);
        offered += count;
        return ++calls >= answerFrom ? answer : 0;
    }
    int offered = 0, calls = 0;
    const int maxChunk, expectedTotal, answer, answerFrom;
};

// What arrived is written after what the target held; a silent server fails at the time-out.
TEST(SNetwork, ServerBehavioursGiveTheirResultsAndWriteWhatArrived) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    const int kAll = SNetwork::kDefaultLimit;
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
        int chunk, limit, room;
        bool cancel, result;
        int total, least, most;  // total -2: not checked; the bytes offered, at least and most
    };
    const Case cases[] = {
        {"/length/3000", 0, kAll, kAll, false, true, 3000, 3000, 3000},  // a byte per read
        {"/nolength/70000", 4096, kAll, kAll, false, true, -1, 70000, 70000},
        {"/short/50000/30000", 1024, kAll, kAll, false, false, 50000, 30000, 30000},
        {"/silent/30000", 1024, kAll, kAll, false, false, -2, 0, 0},  // never answers
        {"/stall/-/3000", 1024, kAll, kAll, false, false, -1, 0, 3000},  // stops sending
        {"/length/5000", 1024, 4999, kAll, false, false, -2, 0, 0},  // announced above the limit
        {"/nolength/5000", 1024, 4096, kAll, false, false, -1, 0, 4096},
        {"/length/5000", 1024, 5000, kAll, false, true, 5000, 5000, 5000},
        {"/length/100000", 1024, kAll, 50000, false, false, 100000, 0, 51200},
        {"/length/5000", 1024, kAll, kAll, true, false, -2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " limit " + std::to_string(c.limit));
        Recorder net(c.chunk < 1 ? 1 : c.chunk, c.total);
        net.SetTimeout(1500);
        net.SetLimit(c.limit);
        if (c.cancel) net.Cancel();
        Full target(c.room);
        target.Write("HEAD", 4);
        const std::string url = TestServerUrl(c.path);
        EXPECT_EQ(net.Download(&target, url.c_str(), c.chunk, 0xC0FFEEu), c.result);
        EXPECT_GE(net.offered, c.least);
        EXPECT_LE(net.offered, c.most);
        std::string sent = "HEAD";  // the server's bodies: byte i is i % 251
        for (int i = 0; i < net.offered; ++i) sent += static_cast<char>(i % 251);
        const std::string held(reinterpret_cast<const char*>(target.GetBuffer()), target.GetSize());
        EXPECT_TRUE(c.room != kAll || held == sent);
        EXPECT_TRUE(c.chunk >= 1 || net.calls == net.offered) << "a byte per read";
    }
}

// Reads from a script: -1 a failed read, 0 the end, n > 0 a chunk of n bytes; then the end.
struct ScriptedReader : SNetworkReader {
    explicit ScriptedReader(std::vector<int> script) : script(std::move(script)) {}
    bool Read(void* buffer, int, int& count) override {
        const int step = next < script.size() ? script[next++] : 0;
        count = step > 0 ? step : 0;
        memset(buffer, 'x', static_cast<size_t>(count));
        return step >= 0;
    }
    std::vector<int> script;
    size_t next = 0;
};

// OnData's answers: a chunk taken is not written, a stop fails at once, any other is written.
TEST(SNetwork, ReadFailuresAndRecoveriesAreCounted) {
    const int F = -1, kTaken = SNetwork::kTaken, kStop = SNetwork::kStop;
    struct Case {
        std::vector<int> script;
        int total, answer, answerFrom;
        bool result;
        int written, offered;
    };
    const Case cases[] = {
        {{F, F, F, F, F, F, F, F, F, 5, 0}, -1, 0, 1, true, 5, 5},  // nine in a row recover
        {{F, F, F, F, F, F, F, F, F, F, 5}, -1, 0, 1, false, 0, 0},  // the tenth ends it
        {{F, F, F, F, F, 5, F, F, F, F, F, 5, 0}, -1, 0, 1, true, 10, 10},  // a read resets it
        {{F, 5, F, 5, F, 5, F, 5, 0}, -1, 0, 1, true, 20, 20},            // four recoveries
        {{F, 5, F, 5, F, 5, F, 5, F, 5, 5, 0}, -1, 0, 1, false, 20, 20},  // the fifth: dropped
        {{5, 5, 5, 0}, 10, 0, 1, true, 15, 15},                           // beyond the length
        {{5, 5, 5, 5, 0}, 20, kTaken, 3, true, 10, 20},  // the first two written, the rest taken
        {{5, 5, 5, 5, 0}, 20, kStop, 2, false, 5, 10},   // the stopping chunk unwritten
        {{5, 5, 0}, 10, 7, 1, true, 10, 10},             // other answers write
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.script));
        ScriptedReader reader(c.script);
        Recorder net(8, c.total, c.answer, c.answerFrom);
        SFileMem target;
        EXPECT_EQ(net.Receive(&reader, c.total, &target, 8, 0xC0FFEEu), c.result);
        EXPECT_EQ(target.GetSize(), c.written);
        EXPECT_EQ(net.offered, c.offered);
    }
}

TEST(SNetwork, MailLinks) {
    const char* const cases[][3] = {
        {nullptr, nullptr, "mailto:me@example.org"},
        {"Update 2.0", "", "mailto:me@example.org?SUBJECT=Update%202%2E0"},
        {"", "a&b=c", "mailto:me@example.org?BODY=a%26b%3Dc"},
        {"Hi", "x y", "mailto:me@example.org?SUBJECT=Hi&BODY=x%20y"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(SNetwork::GetMailLink("me@example.org", c[0], c[1]).GetSafeText(), c[2]);
}

}  // namespace
