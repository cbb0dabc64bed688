// The trace of the line: its lines, its bounded file, and the hand-over from the worker that
// never waits for the writing. The worker runs on a port in memory; the host's thread is
// held inside a writer that waits until the test lets it go, so every order is the fakes'.

#include "link/frame_codec.h"
#include "link/link_trace.h"
#include "link/trace_file.h"
#include "link/trace_line.h"
#include "link/transfer.h"
#include "tests/link/fake_link_host.h"
#include "tests/link/memory_port.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

t_transfer_data Record(int type, int command, std::vector<std::uint8_t> data) {
    t_transfer_data record;
    record.addressType = MakeAddressType(31, type);
    record.command = static_cast<std::uint8_t>(command);
    record.length = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), record.data);
    return record;
}

std::string OnTheLine(const t_transfer_data& record) {
    std::uint8_t out[protocol::kMaxEncodedFrame];
    return std::string(reinterpret_cast<char*>(out), EncodeFrame(record, out));
}

// What a line of the trace says after its time.
std::vector<std::string> Untimed(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.starts_with("#") ? "#" : line.substr(13));
    }
    return lines;
}

constexpr std::int64_t kStartNs = 5'000'000'000;

TEST(LinkTraceLines, EachThingSeenGivesItsLine) {
    const auto entry = [](TraceKind kind, std::vector<std::uint8_t> bytes, std::uint32_t number) {
        t_trace_entry e;
        e.atNs = kStartNs + 12'345'000;
        e.kind = kind;
        e.count = static_cast<std::uint8_t>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), e.bytes);
        e.number = number;
        return e;
    };
    const auto sent = [&](const t_transfer_data& record, std::uint32_t written) {
        std::uint8_t bytes[protocol::kFrameBufferSize];
        const std::size_t n = FrameBytes(record, bytes);
        return entry(TraceKind::Sent, std::vector<std::uint8_t>(bytes, bytes + n), written);
    };
    struct Case {
        t_trace_entry entry;
        std::string line;
    };
    const Case cases[] = {
        {sent(Record(1, 33, {}), 11),
         "      12.345 -> :03F921E3  adres 31 typ 1 komenda 33 dane 0 B"},
        {sent(Record(1, 33, {}), 5), "      12.345 -> :03F921E3  adres 31 typ 1 komenda 33 dane 0 "
                                     "B, port przyjął 5 z 11 znaków"},
        {entry(TraceKind::Received, {0x05, 0xF9, 0x28, 0x01, 0x02, 0xD7}, 0),
         "      12.345 <- :05F9280102D7  adres 31 typ 1 komenda 40 dane 2 B"},
        {entry(TraceKind::Noise, {0x00}, 0), "      12.345 <! ramka nie od urządzenia (szum): :00"},
        {entry(TraceKind::BadChecksum, {0x03, 0xF9, 0x21, 0xE4}, 0),
         "      12.345 <! zła suma kontrolna: :03F921E4"},
        {entry(TraceKind::Overlong, {}, 0), "      12.345 <! za długa ramka: ponad 66 bajtów"},
        {entry(TraceKind::Discarded, {}, 41), "      12.345 <! odrzucone znaki: 41"},
        {entry(TraceKind::Lost, {}, 9), "      12.345 -- pominięte wpisy: 9 (zapis nie nadążał)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TraceEntryLine(c.entry, kStartNs), c.line);
    }
    EXPECT_EQ(TraceNoteLine(kStartNs + 1'500'000'000, kStartNs, "połączono"),
              "    1500.000 -- połączono");
}

// The text a writer took, kept beside it: the trace owns the writer and deletes it at its end.
struct WriterState {
    std::mutex lock;
    std::condition_variable changed;
    std::string text;
    bool stallNext = false;
    bool stalled = false;
    bool released = false;
    int failAt = 0; // the write (1 for the first) that fails; 0 for none
    int writes = 0; // writes done

    bool WaitWrites(int n) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(5), [&] { return writes >= n; });
    }

    bool WaitStalled() {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(5), [&] { return stalled; });
    }
    void Release() {
        {
            std::lock_guard<std::mutex> guard(lock);
            released = true;
        }
        changed.notify_all();
    }
    std::string Text() {
        std::lock_guard<std::mutex> guard(lock);
        return text;
    }
};

// A writer that, once told to, waits inside its next write until the test lets it go, as a
// disk that does not answer holds the host's thread; and one that fails when told to.
class TestWriter : public CTraceWriter {
public:
    explicit TestWriter(std::shared_ptr<WriterState> state) : m_state(std::move(state)) {}
    bool Write(std::string_view text) override {
        std::unique_lock<std::mutex> guard(m_state->lock);
        if (++m_writes == m_state->failAt) {
            return false;
        }
        if (m_state->stallNext) {
            m_state->stallNext = false;
            m_state->stalled = true;
            m_state->changed.notify_all();
            m_state->changed.wait(guard, [&] { return m_state->released; });
        }
        m_state->text += text;
        ++m_state->writes;
        m_state->changed.notify_all();
        return true;
    }
    std::string Failure() const override { return "dysk nie odpowiada"; }

private:
    std::shared_ptr<WriterState> m_state;
    int m_writes = 0;
};

TEST(LinkTrace, AStalledWriterNeverHoldsTheWorker) {
    constexpr std::size_t kCapacity = 8;
    FakeLinkHost host;
    auto line = std::make_shared<MemoryLine>();
    CLinkTrace trace(host, kCapacity);
    CTransfer transfer(host, [line] { return std::make_unique<MemoryPort>(line); });
    transfer.SetTrace(&trace);
    std::atomic<int> delivered{0};
    transfer.SetFrameSink([&](const t_transfer_data&) { ++delivered; });
    transfer.OnConnect("COM1", "memory", 57600);
    ASSERT_TRUE(host.DeliverUntil([&] { return transfer.IsConnected(); }));

    const auto request = [](int n) { return Record(1, 40, {static_cast<std::uint8_t>(n)}); };
    const auto reply = [](int n) { return Record(1, 40, {static_cast<std::uint8_t>(n), 0xAA}); };
    auto state = std::make_shared<WriterState>();
    trace.Start(std::make_unique<TestWriter>(state), "test");

    // From here the host's thread is a thread of its own, held in the writer at its first
    // turn: the one that writes the first request.
    std::atomic<bool> hostDone{false};
    std::thread hostThread([&] { host.DeliverUntil([&] { return hostDone.load(); }, 30000); });
    state->stallNext = true;
    transfer.PutToSend(request(1));
    ASSERT_TRUE(state->WaitStalled());

    // Meanwhile the worker sends and receives on: four requests out, six replies in. The
    // ring holds eight entries; the last two replies find no room.
    for (int n = 2; n <= 5; ++n) {
        transfer.PutToSend(request(n));
    }
    ASSERT_TRUE(line->WaitWritten(OnTheLine(request(5))));
    std::string replies;
    for (int n = 1; n <= 6; ++n) {
        replies += OnTheLine(reply(n));
    }
    line->Feed(replies);
    ASSERT_TRUE(line->WaitCaughtUp());
    EXPECT_EQ(transfer.LineCounters().frames, 6u);
    EXPECT_EQ(delivered, 0);

    // Let go, the writer catches up in the turn posted meanwhile (the heading, the first
    // request and the eight held make three writes); the worker's next entry first tells
    // the two lost.
    state->Release();
    ASSERT_TRUE(state->WaitWrites(3));
    transfer.PutToSend(request(6));
    ASSERT_TRUE(line->WaitWritten(OnTheLine(request(6))));
    ASSERT_TRUE(line->WaitCaughtUp());
    hostDone = true;
    host.Post([] {});
    hostThread.join();
    host.Deliver();
    EXPECT_EQ(delivered, 6);
    EXPECT_EQ(line->Written(), OnTheLine(request(1)) + OnTheLine(request(2)) +
                                   OnTheLine(request(3)) + OnTheLine(request(4)) +
                                   OnTheLine(request(5)) + OnTheLine(request(6)));

    transfer.OnDisconnect();
    ASSERT_TRUE(host.DeliverUntil([&] { return !transfer.IsConnected(); }));
    trace.Stop();
    const auto sentLine = [&](int n) {
        return "-> " + OnTheLine(request(n)).substr(2) + "  adres 31 typ 1 komenda 40 dane 1 B";
    };
    const auto receivedLine = [&](int n) {
        return "<- " + OnTheLine(reply(n)).substr(2) + "  adres 31 typ 1 komenda 40 dane 2 B";
    };
    EXPECT_EQ(Untimed(state->Text()),
              (std::vector<std::string>{
                  "#", sentLine(1), sentLine(2), sentLine(3), sentLine(4), sentLine(5),
                  receivedLine(1), receivedLine(2), receivedLine(3), receivedLine(4),
                  "-- pominięte wpisy: 2 (zapis nie nadążał)", sentLine(6), "-- koniec zapisu"}));
}

TEST(LinkTrace, AWriterThatFailsEndsTheTraceAndTellsWhyOnce) {
    FakeLinkHost host;
    CLinkTrace trace(host);
    auto state = std::make_shared<WriterState>();
    state->failAt = 2;
    std::vector<std::string> told;
    trace.Start(std::make_unique<TestWriter>(state), "test",
                [&](const std::string& reason) { told.push_back(reason); });
    trace.Connected();
    EXPECT_FALSE(trace.IsOn());
    // Nothing is stamped or written any more.
    trace.StampSent(Record(1, 33, {}), 11);
    trace.Note("po końcu");
    trace.Stop();
    host.Deliver();
    EXPECT_EQ(told, std::vector<std::string>{"dysk nie odpowiada"});
    EXPECT_EQ(Untimed(state->Text()), std::vector<std::string>{"#"});
}

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(TraceFile, KeepsAtMostTwoFilesOfItsLimitEachAndNoneForOthers) {
    TemporaryDirectory dir;
    const std::string path = dir.PathOf("t.txt");
    std::string error;
    std::unique_ptr<CTraceFile> file = CTraceFile::Open(path, TraceFileMode::Replace, error, 100);
    ASSERT_TRUE(file) << error;
    std::string all;
    for (int n = 10; n < 20; ++n) {
        const std::string line = "line " + std::to_string(n) + std::string(22, '.') + "\n";
        ASSERT_TRUE(file->Write(line));
        all += line;
    }
    file.reset();
    // Ten lines of 30 bytes: the last one alone, the three before it in the older file.
    EXPECT_EQ(Contents(path), all.substr(270));
    EXPECT_EQ(Contents(path + ".1"), all.substr(180, 90));
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(path + ".1"), 0600u);
    EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST(TraceFile, OpensOnlyWhereATraceMayGo) {
    struct Case {
        const char* name;
        std::function<std::string(TemporaryDirectory& dir)> run; // "" when as expected
    };
    const auto open = [](const std::string& path, TraceFileMode mode) {
        std::string error;
        return CTraceFile::Open(path, mode, error) != nullptr;
    };
    const Case cases[] = {
        {"a file the user names is emptied and keeps its mode",
         [&](TemporaryDirectory& dir) {
             const std::string path = dir.PathOf("mine.txt");
             std::ofstream(path) << "old";
             ::chmod(path.c_str(), 0640);
             return open(path, TraceFileMode::Replace) && Contents(path).empty() &&
                            ModeOf(path) == 0640
                        ? ""
                        : "not emptied as it was";
         }},
        {"a FIFO without a reader is refused, not waited for; so is a folder",
         [&](TemporaryDirectory& dir) {
             const std::string path = dir.PathOf("fifo");
             ::mkfifo(path.c_str(), 0600);
             return open(path, TraceFileMode::Replace) || open(dir.Path(), TraceFileMode::Replace)
                        ? "opened"
                        : "";
         }},
        {"a new trace never takes a name that is there, a link least of all",
         [&](TemporaryDirectory& dir) {
             std::ofstream(dir.PathOf("target")) << "keep";
             std::ofstream(dir.PathOf("there")) << "keep";
             std::filesystem::create_symlink(dir.PathOf("target"), dir.PathOf("link"));
             const bool opened = open(dir.PathOf("there"), TraceFileMode::New) ||
                                 open(dir.PathOf("link"), TraceFileMode::New);
             return !opened && Contents(dir.PathOf("target")) == "keep" &&
                            Contents(dir.PathOf("there")) == "keep"
                        ? ""
                        : "took a name";
         }},
        {"in the parts' folder, named by the start; a second one of that second gets -2",
         [&](TemporaryDirectory& dir) {
             t_readout_part_folder folder;
             folder.directory = folder.top = dir.Path() + "/";
             const std::time_t start = 1796000000;
             std::string error;
             auto first = OpenTraceFileIn(folder, start, error);
             auto second = OpenTraceFileIn(folder, start, error);
             if (!first || !second) {
                 return "not opened: " + error;
             }
             const std::string name = TraceFileName(start);
             const std::string stem = name.substr(0, name.size() - 4);
             return first->Path() == dir.PathOf(name) &&
                            second->Path() == dir.PathOf(stem + "-2.txt") &&
                            name.starts_with("ruch-lacza-2026-") && name.ends_with(".txt") &&
                            ModeOf(first->Path()) == 0600u
                        ? std::string()
                        : first->Path() + " " + second->Path();
         }},
        {"not in a folder others may change",
         [&](TemporaryDirectory& dir) {
             t_readout_part_folder folder;
             folder.directory = folder.top = dir.Path() + "/";
             ::chmod(dir.Path().c_str(), 0777);
             std::string error;
             const bool opened = OpenTraceFileIn(folder, 1796000000, error) != nullptr;
             return !opened && error.find("mogą zmieniać inni użytkownicy") != std::string::npos &&
                            dir.EntryCount() == 0
                        ? ""
                        : "opened or wrong reason: " + error;
         }},
    };
    for (const Case& c : cases) {
        TemporaryDirectory dir;
        EXPECT_EQ(c.run(dir), "") << c.name;
    }
}

} // namespace
