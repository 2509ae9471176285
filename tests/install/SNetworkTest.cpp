// Downloads against our own misbehaving server on 127.0.0.1, the read loop's counting rules
// through a scripted reader, the local-file fallback and the mail link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/SFileMem.h"
#include "install/SNetwork.h"
#include "install/SNetworkReader.h"
#include "tests/support/TestFolder.h"

namespace {

// The server's body pattern: byte i is i % 251.
std::string Pattern(int count) {
    std::string bytes(static_cast<size_t>(count), '\0');
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

std::string Url(const std::string& path) {
    const char* server = getenv("UPDATE_TEST_SERVER");
    return std::string(server ? server : "http://127.0.0.1:0") + path;
}

std::string Content(SFileMem& file) {
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()), file.GetSize());
}

struct Call {
    int total, offset, count;
    uint32_t parameter;
};

// Records every chunk offered and answers with a chosen result from a chosen call on.
class Recorder : public SNetwork {
public:
    int OnData(int total, int offset, int count, const uint8_t*, SFile*,
               uint32_t parameter) override {
        calls.push_back({total, offset, count, parameter});
        return static_cast<int>(calls.size()) >= answerFrom ? answer : 0;
    }
    std::vector<Call> calls;
    int answer = 0;
    int answerFrom = 1;
};

// Checks that the chunks were offered in order, each within the chunk size, with the total
// and the parameter passed through; returns the bytes offered.
int CheckCalls(const Recorder& net, int total, int chunk, const std::string& label) {
    int offered = 0;
    for (const Call& call : net.calls) {
        EXPECT_EQ(call.total, total) << label;
        EXPECT_EQ(call.offset, offered) << label;
        EXPECT_GE(call.count, 1) << label;
        EXPECT_LE(call.count, chunk < 1 ? 1 : chunk) << label;
        EXPECT_EQ(call.parameter, 0xC0FFEEu) << label;
        offered += call.count;
    }
    return offered;
}

TEST(SNetwork, ServerBehavioursGiveTheirResultsAndWriteWhatArrived) {
    ASSERT_NE(getenv("UPDATE_TEST_SERVER"), nullptr) << "run through test_server.py";
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
        {"/slow/2000/7/2", 1024, true, 2000, 2000, 2000},
        {"/reset/50000/30000", 1024, false, 50000, 30000, 0},
        {"/reset/-/30000", 1024, true, -1, 30000, 0},  // one failed read, then the end
        {"/status/404", 1024, true, -1, -1, -1},
        {"/status/500", 16, true, -1, -1, -1},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.path) + " chunk " + std::to_string(c.chunk);
        Recorder net;
        SFileMem target;
        target.Write("HEAD", 4);  // written after what the target already holds
        const std::string url = Url(c.path);
        EXPECT_EQ(net.Download(&target, url.c_str(), c.chunk, 0xC0FFEEu), c.result) << label;

        const std::string page = "<html><head><title>" + std::string(c.path + 8) +
                                 "</title></head><body><h1>Error " + (c.path + 8) +
                                 "</h1></body></html>";
        const int sent = c.sent >= 0 ? c.sent : static_cast<int>(page.size());
        const int total = c.sent >= 0 ? c.total : sent;
        const int offered = CheckCalls(net, total, c.chunk, label);
        const int least = c.least >= 0 ? c.least : sent;
        EXPECT_TRUE(offered >= least && offered <= sent) << label << ": " << offered;
        const std::string expected = c.sent >= 0 ? Pattern(offered) : page;
        EXPECT_TRUE(Content(target) == "HEAD" + expected) << label;
        if (c.chunk < 1) {
            EXPECT_EQ(net.calls.size(), expected.size()) << label;
        }
    }
}

TEST(SNetwork, OnDataTakesChunksOrStops) {
    struct Case {
        int answer, answerFrom;
        bool result;
        int written;
        size_t calls;
    };
    const Case cases[] = {
        {SNetwork::kTaken, 1, true, 0, 5},     // every chunk taken: nothing written
        {SNetwork::kTaken, 3, true, 2048, 5},  // the first two written
        {SNetwork::kStop, 2, false, 1024, 2},  // stops at once, the stopping chunk unwritten
        {SNetwork::kStop, 5, false, 4096, 5},  // even on the last chunk
        {7, 1, true, 5000, 5},                 // other answers write
    };
    const std::string url = Url("/length/5000");
    for (const Case& c : cases) {
        const std::string label =
            std::to_string(c.answer) + " from " + std::to_string(c.answerFrom);
        Recorder net;
        net.answer = c.answer;
        net.answerFrom = c.answerFrom;
        SFileMem target;
        EXPECT_EQ(net.Download(&target, url.c_str(), 1024, 0xC0FFEEu), c.result) << label;
        EXPECT_EQ(net.calls.size(), c.calls) << label;
        EXPECT_TRUE(Content(target) == Pattern(c.written)) << label;
    }
}

// Reads from a script: -1 a failed read, 0 the end, n > 0 a chunk of n bytes 'x'. After the
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
        {{5, 5, 0}, -1, true, 10},
        {{F, 5, 0}, -1, true, 5},                                 // one recovery
        {{F, F, F, F, F, F, F, F, F, 5, 0}, -1, true, 5},         // nine in a row recover
        {{F, F, F, F, F, F, F, F, F, F, 5}, -1, false, 0},        // the tenth in a row ends it
        {{F, F, F, F, F, 5, F, F, F, F, F, 5, 0}, -1, true, 10},  // a good read resets the count
        {{F, 5, F, 5, F, 5, F, 5, 0}, -1, true, 20},              // four recoveries
        {{F, 5, F, 5, F, 5, F, 5, F, 5, 5, 0}, -1, false, 20},    // the fifth: its bytes dropped
        {{F, 0}, 5, false, 0},                                    // a failure, then the end
        {{5, 0}, 10, false, 5},                                   // short of the length
        {{5, 5, 5, 0}, 10, true, 15},                             // beyond the length
    };
    for (const Case& c : cases) {
        std::string label;
        for (int step : c.script) label += std::to_string(step) + " ";
        ScriptedReader reader(c.script);
        Recorder net;
        SFileMem target;
        EXPECT_EQ(net.Receive(&reader, c.total, &target, 8, 0xC0FFEEu), c.result) << label;
        EXPECT_EQ(target.GetSize(), c.written) << label;
        EXPECT_EQ(CheckCalls(net, c.total, 8, label), c.written) << label;
    }
}

TEST(SNetwork, LocalFilesAreCopiedWithoutOnData) {
    TestFolder folder;
    const std::string content = Pattern(2500);  // more than one copying step
    struct Case {
        std::string path;
        bool result;
        std::string copied;
    };
    const Case cases[] = {
        {folder.WriteFile("release.bin", content), true, content},
        {folder.WriteFile("empty.bin", ""), false, ""},
        {folder.MakeFolder("sub"), false, ""},
        {folder / "sub\\", false, ""},
        {folder / "missing.bin", false, ""},
        {folder / "release.bin\\", false, ""},
    };
    for (const Case& c : cases) {
        Recorder net;
        SFileMem target;
        EXPECT_EQ(net.Download(&target, c.path.c_str(), 1024, 0), c.result) << c.path;
        EXPECT_TRUE(Content(target) == c.copied) << c.path;
        EXPECT_TRUE(net.calls.empty()) << c.path;
    }
    SNetwork net;
    EXPECT_FALSE(net.Download(nullptr, (folder / "release.bin").c_str(), 1024, 0));
}

TEST(SNetwork, MailLinks) {
    struct Case {
        const char *subject, *body, *link;
    };
    const Case cases[] = {
        {nullptr, nullptr, "mailto:me@example.org"},
        {"", "", "mailto:me@example.org"},
        {"Update 2.0", nullptr, "mailto:me@example.org?SUBJECT=Update%202%2E0"},
        {nullptr, "a&b=c", "mailto:me@example.org?BODY=a%26b%3Dc"},
        {"Hi", "x y", "mailto:me@example.org?SUBJECT=Hi&BODY=x%20y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            std::string(SNetwork::GetMailLink("me@example.org", c.subject, c.body).GetSafeText()),
            c.link);
    }
}

}  // namespace
