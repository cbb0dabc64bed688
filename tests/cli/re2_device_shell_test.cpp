// re2-device as scripts and service benches use it, end to end against the simulator: its
// streams (standard input and output, pipes, terminals, a full disk), its messages, its
// JSON, Ctrl+C during a settings write, the monitor, and several devices read at once.

#include "link/protocol.h"
#include "sim/pty_simulator.h"
#include "tests/cli/device_bench.h"
#include "tests/support/device_child.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace device_bench;

// One field in each of the recorder's three settings blocks changed: blocks 2, 3 and 4 are
// written in that order, in 1, 3 and 3 chunks.
std::string ThreeBlocksChanged(Bench& b) {
    const std::string dump = b.Dump("ustawienia.txt");
    return WithValue(
        WithValue(WithValue(dump, "dlugosc_trasy", "4321"), "odstep_pomiedzy_przegladami", "44"),
        "pk1_zakres_1_max", "60");
}

// Sends signals[i].second to the child once the device has taken write chunk
// signals[i].first, before it answers it: the device's own clock, read as it answers every
// request, is the hook. The child's process id is known once it has been started.
struct t_signal_at {
    unsigned writeChunk;
    int signal;
};
void SignalAtWriteChunks(Bench& b, std::shared_ptr<std::atomic<pid_t>> pid,
                         std::vector<t_signal_at> plan) {
    b.sim.WithDevice([pid, plan](DeviceSimulator& d) {
        DeviceSimulator* device = &d;
        auto sent = std::make_shared<std::set<unsigned>>();
        d.SetSteadyClock([device, pid, plan, sent] {
            const auto writes =
                static_cast<unsigned>(device->CommandCount(protocol::kCmdWriteChunk));
            for (const t_signal_at& at : plan) {
                if (writes == at.writeChunk && sent->insert(at.writeChunk).second) {
                    while (pid->load() <= 0) {
                        // The test thread stores it right after the spawn.
                    }
                    ::kill(pid->load(), at.signal);
                }
            }
            return static_cast<std::int64_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count());
        });
    });
}

// settings write of ThreeBlocksChanged with the signals of plan; what it printed.
t_child_run WriteWithSignals(Bench& b, const std::vector<t_signal_at>& plan) {
    b.SetText("nowe.txt", ThreeBlocksChanged(b));
    b.sim.WithDevice([](DeviceSimulator& d) { d.ClearLog(); });
    auto pid = std::make_shared<std::atomic<pid_t>>(0);
    SignalAtWriteChunks(b, pid, plan);
    DeviceChild child(b.program, b.Args({"settings", "write", b.dir.PathOf("nowe.txt")}),
                      b.dir.Path());
    pid->store(child.Pid());
    return child.Finish();
}

bool WritesReach(Bench& b, int block) {
    for (const std::uint32_t address : b.WrittenChunks()) {
        if (address >= protocol::BlockAddress(block) &&
            address < protocol::BlockAddress(block) + protocol::BlockSize(block)) {
            return true;
        }
    }
    return false;
}

// A pseudo-terminal's slave for a child's standard output, as a terminal would be.
struct Terminal {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    int slave = -1;
    Terminal() {
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
            slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        }
    }
    ~Terminal() {
        ::close(slave);
        ::close(master);
    }
};

struct t_shell_case {
    const char* name;
    std::function<void(Bench&)> check;
};

} // namespace

TEST(Re2DeviceShell, StreamsMessagesAndSignalsAsAScriptMeetsThem) {
    const std::vector<t_shell_case> cases = {
        {"-o into a missing folder is refused before the port is opened",
         [](Bench& b) {
             for (const std::string output : {"nosuchdir/", "nosuchdir/pomiar.qz"}) {
                 const t_child_run run = b.Run({"readout", "-o", b.dir.PathOf(output)});
                 EXPECT_EQ(run.status, 1) << output;
                 EXPECT_TRUE(Contains(run.err, "re2-device: Nie mozna otworzyc pliku do zapisu! (" +
                                                   b.dir.PathOf(output) +
                                                   ": nie ma takiego pliku ani folderu)"))
                     << run.err;
             }
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
        {"a whole part is used after a failed save: nothing read again but the join",
         [](Bench& b) {
             const t_child_run full = b.Run({"readout", "-o", "/dev/full"});
             EXPECT_EQ(full.status, 1);
             EXPECT_TRUE(Contains(full.err, "(/dev/full: brak miejsca na urządzeniu)")) << full.err;
             EXPECT_EQ(b.PartBytes(), protocol::kRecorderSize);
             b.sim.WithDevice([](DeviceSimulator& d) { d.ClearLog(); });
             const std::string file = b.dir.PathOf("pomiar.qz");
             const t_child_run run = b.Run({"readout", "-o", file});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(ReadBytes(file) == b.Recorder());
             // The identity's chunk of block 2 and at most three chunks of the join.
             EXPECT_LE(b.sim.CommandCount(protocol::kCmdReadChunk), 4u);
             EXPECT_TRUE(Contains(run.err, "re2-device: Odczytano 0 B w ")) << run.err;
             EXPECT_TRUE(Contains(run.err, ", dalszy odczyt od bajtu 475 136\n")) << run.err;
         }},
        {"a part that cannot be kept is told, the readout goes on",
         [](Bench& b) {
             std::filesystem::create_directory(b.PartPath());
             const std::string file = b.dir.PathOf("pomiar.qz");
             const t_child_run run = b.Run({"readout", "-o", file});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(
                 Contains(run.err, "re2-device: Nie można zapisać części odczytu " + b.PartPath()))
                 << run.err;
             EXPECT_TRUE(ReadBytes(file) == b.Recorder());
         }},
        {"every write to standard output is checked",
         [](Bench& b) {
             b.SetText("nowe.txt", WithValue(b.Dump("d.txt"), "dlugosc_trasy", "4321"));
             const std::vector<std::vector<std::string>> commands = {
                 {"info"},
                 {"clock"},
                 {"settings", "dump"},
                 {"settings", "write", "--dry-run", b.dir.PathOf("nowe.txt")}};
             for (const auto& command : commands) {
                 const t_child_run run = DeviceChild(b.program, b.Args(command), b.dir.Path(), {},
                                                     {"", "/dev/full", -1})
                                             .Finish();
                 EXPECT_EQ(run.status, 1) << command[0];
                 EXPECT_EQ(run.err, "re2-device: zapis na standardowe wyjście: brak miejsca na "
                                    "urządzeniu\n")
                     << command[0];
             }
         }},
        {"monitor | head -1: the closed pipe ends it cleanly, the port handed back",
         [](Bench& b) {
             DeviceChild child(b.program, b.Args({"monitor", "--interval", "100"}), b.dir.Path());
             const std::string line = child.FirstLineThenClose();
             const t_child_run run = child.Finish();
             EXPECT_TRUE(Shaped(line.substr(0, 19), "####-##-## ##:##:##")) << line;
             EXPECT_EQ(run.status, 1);
             EXPECT_EQ(run.err, "");
             EXPECT_EQ(b.Run({"info"}).status, 0);
         }},
        {"monitor --count 3: three lines with the time, as info shows the status",
         [](Bench& b) {
             const t_child_run run = b.Run({"monitor", "--count", "3", "--interval", "100"});
             EXPECT_EQ(run.status, 0) << run.err;
             std::vector<std::string> lines;
             for (std::size_t at = 0; at < run.out.size();) {
                 const std::size_t end = run.out.find('\n', at);
                 lines.push_back(run.out.substr(at, end - at));
                 at = end + 1;
             }
             ASSERT_EQ(lines.size(), 3u) << run.out;
             for (const std::string& line : lines) {
                 EXPECT_TRUE(Shaped(line.substr(0, 20), "####-##-## ##:##:## ")) << line;
                 EXPECT_TRUE(Contains(line, " rodzaj: rejestrator; prędkość: 0.00[m/s]; ")) << line;
                 EXPECT_TRUE(Contains(line, "; zasilanie: 12.4[V]; ")) << line;
             }
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdLiveStatus), 3u);
         }},
        {"- and /dev/stdout: the image and the text through pipes, standard input read",
         [](Bench& b) {
             const t_child_run image = b.Run({"readout", "-o", "-"});
             EXPECT_EQ(image.status, 0) << image.err;
             EXPECT_TRUE(std::vector<std::uint8_t>(image.out.begin(), image.out.end()) ==
                         b.Recorder());
             EXPECT_TRUE(Contains(image.err, "re2-device: Odczytano ")) << image.err;
             const t_child_run devStdout = b.Run({"readout", "-o", "/dev/stdout"});
             EXPECT_EQ(devStdout.status, 0) << devStdout.err;
             // The image alone: a path there would be part of it.
             EXPECT_EQ(devStdout.out.size(), protocol::kRecorderSize);
             const std::string dump = b.Dump("d.txt");
             EXPECT_EQ(b.Run({"settings", "dump", "-o", "-"}).out, dump);
             EXPECT_EQ(b.Run({"settings", "dump", "-o", "/dev/stdout"}).out, dump);
             b.SetText("nowe.txt", WithValue(dump, "dlugosc_trasy", "4321"));
             const t_child_run write =
                 DeviceChild(b.program, b.Args({"settings", "write", "-"}), b.dir.Path(), {},
                             {b.dir.PathOf("nowe.txt"), "", -1})
                     .Finish();
             EXPECT_EQ(write.status, 0) << write.err;
             EXPECT_TRUE(Contains(write.out, "-> 4321\nzapisano [konfiguracja]\n")) << write.out;
             EXPECT_FALSE(std::filesystem::exists(b.dir.PathOf("-")));
         }},
        {"a recording is never written to a terminal",
         [](Bench& b) {
             Terminal terminal;
             ASSERT_GE(terminal.slave, 0);
             const t_child_run run = DeviceChild(b.program, b.Args({"readout", "-o", "-"}),
                                                 b.dir.Path(), {}, {"", "", terminal.slave})
                                         .Finish();
             EXPECT_EQ(run.status, 2);
             EXPECT_TRUE(Contains(run.err, "re2-device: readout -o -: standardowe wyjście jest "
                                           "terminalem"))
                 << run.err;
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
        {"control characters of the device's name are shown escaped",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetVersion(7, "RE2\x1b[31m\x07"); });
             const t_child_run run = b.Run({"info"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "nazwa: RE2\\x1b[31m\\x07\n")) << run.out;
             const t_child_run readout = b.Run({"readout", "-o", b.dir.PathOf("p.qz")});
             EXPECT_TRUE(Contains(readout.err, "Urządzenie RE2\\x1b[31m\\x07, ")) << readout.err;
             EXPECT_FALSE(Contains(run.out + readout.err, "\x1b")) << run.out;
         }},
        {"messages: Polish, with the program's name and the port",
         [](Bench& b) {
             const t_child_run help = b.Run({"--help"});
             EXPECT_EQ(help.status, 0);
             EXPECT_TRUE(Contains(help.out, "użycie: re2-device")) << help.out;
             for (const char* command : {"ports", "info", "clock", "monitor", "readout",
                                         "settings dump", "settings write", "settings check"}) {
                 EXPECT_TRUE(Contains(help.out, std::string("  ") + command)) << command;
             }
             const t_child_run bad = b.Run({"bogus"});
             EXPECT_EQ(bad.status, 2);
             EXPECT_EQ(bad.err, "re2-device: nieznane polecenie 'bogus'\n"
                                "(re2-device --help podaje sposób użycia)\n");
             const t_child_run null =
                 DeviceChild(b.program,
                             {"--port", "/dev/null", "--config-dir", b.dir.Path(), "info"},
                             b.dir.Path())
                     .Finish();
             EXPECT_EQ(null.status, 1);
             EXPECT_EQ(null.err, "re2-device: Port /dev/null nie jest portem szeregowym\n");
             const t_child_run missingFolder =
                 DeviceChild(
                     b.program,
                     {"--port", b.sim.LinkPath(), "--config-dir", b.dir.PathOf("brak"), "info"},
                     b.dir.Path())
                     .Finish();
             EXPECT_EQ(missingFolder.status, 1);
             EXPECT_EQ(missingFolder.err,
                       "re2-device: folder ustawień " + b.dir.PathOf("brak") + " nie istnieje\n");
             const t_child_run folder = b.Run({"settings", "write", b.dir.Path()});
             EXPECT_EQ(folder.err,
                       "re2-device: " + b.dir.Path() + ": to jest folder, nie plik ustawień\n");
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetSilent(true); });
             const t_child_run silent = b.Run({"clock"});
             EXPECT_EQ(silent.status, 1);
             EXPECT_EQ(silent.err,
                       "re2-device: " + b.sim.LinkPath() + ": Urządzenie nie odpowiada\n");
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdWriteChunk), 0u);
         }},
        {"a settings file with no section is refused, empty or not",
         [](Bench& b) {
             for (const char* text : {"", "# komentarz\n"}) {
                 b.SetText("pusty.txt", text);
                 for (const char* command : {"write", "check"}) {
                     const t_child_run run =
                         b.Run({"settings", command, b.dir.PathOf("pusty.txt")});
                     EXPECT_EQ(run.status, 1) << command;
                     EXPECT_TRUE(Contains(run.err, ": brak sekcji ustawień")) << run.err;
                 }
             }
             EXPECT_TRUE(b.WrittenChunks().empty());
         }},
        {"settings check: every field against the editors' limits, no device asked",
         [](Bench& b) {
             const std::string dump = b.Dump("d.txt");
             b.sim.WithDevice([](DeviceSimulator& d) { d.ClearLog(); });
             b.SetText("dobry.txt", dump);
             const t_child_run good = b.Run({"settings", "check", b.dir.PathOf("dobry.txt")});
             EXPECT_EQ(good.status, 0) << good.err;
             EXPECT_EQ(good.out, b.dir.PathOf("dobry.txt") + ": poprawny\n");
             // Equal to the device's or not, a value beyond the limits is an error.
             b.SetText("zly.txt", WithValue(dump, "stala_napedu_w_gore", "1000"));
             const t_child_run bad = b.Run({"settings", "check", b.dir.PathOf("zly.txt")});
             EXPECT_EQ(bad.status, 1);
             const std::size_t line =
                 std::count(dump.begin(), dump.begin() + dump.find("\nstala_napedu_w_gore"), '\n') +
                 2;
             EXPECT_EQ(bad.err, "re2-device: " + b.dir.PathOf("zly.txt") + ": linia " +
                                    std::to_string(line) +
                                    ": stala_napedu_w_gore: dozwolone 1..999\n");
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
        {"Ctrl+C during a settings write: the block under way ends, no other begins",
         [](Bench& b) {
             // The second of block 3's three chunks.
             const t_child_run run = WriteWithSignals(b, {{3, SIGINT}});
             EXPECT_EQ(run.signal, SIGINT) << run.status << run.err;
             EXPECT_EQ(run.err, "re2-device: przerwano: zapisano: [konfiguracja], [przeglady]; "
                                "nie zapisano: [przekazniki]\n");
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdCloseWrite), 2u);
             EXPECT_FALSE(WritesReach(b, protocol::kBlockRelays));
         }},
        {"a second Ctrl+C cuts the block under way",
         [](Bench& b) {
             const t_child_run run = WriteWithSignals(b, {{3, SIGINT}, {4, SIGTERM}});
             EXPECT_EQ(run.signal, SIGINT) << run.status << run.err;
             EXPECT_EQ(run.err, "re2-device: przerwano: zapisano: [konfiguracja]; przerwany w "
                                "trakcie: [przeglady]; nie zapisano: [przekazniki]\n");
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdCloseWrite), 1u);
             EXPECT_FALSE(WritesReach(b, protocol::kBlockRelays));
         }},
    };
    for (const t_shell_case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        c.check(bench);
    }
}

TEST(Re2DeviceShell, JsonOutputReadsBackAsJson) {
    struct t_json_case {
        const char* name;
        std::vector<std::string> args;
        int status;
        bool onError; // the object is on standard error
        std::function<void(const nlohmann::json&, Bench&)> check;
    };
    const std::vector<t_json_case> cases = {
        {"info",
         {"info", "--json"},
         0,
         false,
         [](const nlohmann::json& j, Bench&) {
             EXPECT_EQ(j.at("name"), "RE2 Wyciąg Północ");
             EXPECT_EQ(j.at("version"), 5);
             EXPECT_EQ(j.at("address"), 31);
             EXPECT_EQ(j.at("kind"), "recorder");
             EXPECT_TRUE(j.at("speed_m_s").is_number());
             EXPECT_EQ(j.at("supply_v"), 12.4);
             EXPECT_EQ(j.at("inputs").size(), 4u);
             EXPECT_EQ(j.at("outputs").at(0), 1);
             EXPECT_EQ(j.at("low_supply"), false);
         }},
        {"clock --set",
         {"clock", "--set", "--json"},
         0,
         false,
         [](const nlohmann::json& j, Bench&) {
             EXPECT_TRUE(j.at("difference_s").is_number_integer());
             EXPECT_TRUE(Shaped(j.at("device_time").get<std::string>(), "####-##-## ##:##:##"));
             EXPECT_EQ(j.at("set"), true);
             EXPECT_TRUE(j.at("after").at("difference_s").is_number_integer());
         }},
        {"readout",
         {"readout", "-o", "@pomiar.qz", "--json"},
         0,
         false,
         [](const nlohmann::json& j, Bench& b) {
             EXPECT_EQ(j.at("path"), b.dir.PathOf("pomiar.qz"));
             EXPECT_EQ(j.at("bytes"), protocol::kRecorderSize);
             EXPECT_TRUE(j.at("seconds").is_number());
             EXPECT_TRUE(j.at("rate_kb_s").is_number());
             EXPECT_EQ(j.at("retries"), 0);
             EXPECT_TRUE(j.at("continued_from").is_null());
             EXPECT_EQ(j.at("repeat"), false);
         }},
        {"settings write --dry-run",
         {"settings", "write", "@nowe.txt", "--dry-run", "--json"},
         0,
         false,
         [](const nlohmann::json& j, Bench&) {
             ASSERT_EQ(j.at("changes").size(), 1u);
             EXPECT_EQ(j.at("changes").at(0).at("section"), "konfiguracja");
             EXPECT_EQ(j.at("changes").at(0).at("key"), "dlugosc_trasy");
             EXPECT_EQ(j.at("changes").at(0).at("file"), "4321");
             EXPECT_EQ(j.at("written"), false);
         }},
        {"an error",
         {"--port", "/dev/null", "info", "--json"},
         1,
         true,
         [](const nlohmann::json& j, Bench&) {
             EXPECT_EQ(j.at("error"), "port_not_serial");
             EXPECT_EQ(j.at("message"), "Port /dev/null nie jest portem szeregowym");
         }},
        {"a bad settings file",
         {"settings", "write", "@zly.txt", "--dry-run", "--json"},
         1,
         true,
         [](const nlohmann::json& j, Bench&) { EXPECT_EQ(j.at("error"), "settings_file"); }},
    };
    for (const t_json_case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        const std::string dump = b.Dump("d.txt");
        b.SetText("nowe.txt", WithValue(dump, "dlugosc_trasy", "4321"));
        b.SetText("zly.txt", WithValue(dump, "dlugosc_trasy", "0"));
        std::vector<std::string> args;
        for (const std::string& arg : c.args) {
            args.push_back(arg[0] == '@' ? b.dir.PathOf(arg.substr(1)) : arg);
        }
        const t_child_run run = b.Run(args);
        EXPECT_EQ(run.status, c.status) << run.err;
        const std::string& text = c.onError ? run.err : run.out;
        const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << text;
        c.check(parsed, b);
    }
    // monitor: one object a line.
    Bench b;
    const t_child_run run = b.Run({"monitor", "--count", "2", "--interval", "100", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::size_t newline = run.out.find('\n');
    ASSERT_NE(newline, std::string::npos);
    for (const std::string& line : {run.out.substr(0, newline), run.out.substr(newline + 1)}) {
        const nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(j.is_discarded()) << line;
        EXPECT_EQ(j.at("answered"), true);
        EXPECT_EQ(j.at("kind"), "recorder");
    }
}

namespace {

// Simulators in one folder, COM1.. each; one copy of re2-device there, so that the parts
// of all of them share its folder as on a bench.
struct Rack {
    TemporaryDirectory dir{"re2_device_rack_"};
    std::string program = CopyDeviceProgramTo(dir.Path());
    std::vector<std::unique_ptr<PtySimulator>> sims;

    // factoryNumbers: one device each.
    explicit Rack(const std::vector<unsigned>& factoryNumbers) {
        for (std::size_t i = 0; i < factoryNumbers.size(); ++i) {
            t_pty_options options;
            options.seed = static_cast<std::uint32_t>(i + 1);
            options.linkDirectory = dir.Path() + "/";
            options.comPort = static_cast<int>(i + 1);
            sims.push_back(std::make_unique<PtySimulator>(options));
            EXPECT_TRUE(sims.back()->Start());
            const std::uint8_t number[2] = {static_cast<std::uint8_t>(factoryNumbers[i]),
                                            static_cast<std::uint8_t>(factoryNumbers[i] >> 8)};
            sims.back()->WithDevice([&](DeviceSimulator& d) {
                d.Memory().Write(protocol::BlockAddress(protocol::kBlockConfiguration) + 2, number,
                                 2);
            });
        }
    }
    std::vector<std::string> Readout(std::size_t i, const std::string& file) {
        return {"--port", sims[i]->LinkPath(), "--config-dir", dir.Path(), "readout", "-o", file};
    }
    std::vector<std::uint8_t> Recorder(std::size_t i) {
        return sims[i]->WithDevice([](DeviceSimulator& d) { return d.Memory().Recorder(); });
    }
};

} // namespace

TEST(Re2DeviceShell, DevicesReadSideBySideEachWithItsOwnPortPartAndFile) {
    Rack rack({1001, 1002, 1003});
    std::vector<std::unique_ptr<DeviceChild>> children;
    for (std::size_t i = 0; i < rack.sims.size(); ++i) {
        children.push_back(std::make_unique<DeviceChild>(
            rack.program, rack.Readout(i, rack.dir.PathOf(std::to_string(i) + ".qz")),
            rack.dir.Path()));
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        const t_child_run run = children[i]->Finish();
        EXPECT_EQ(run.status, 0) << i << run.err;
        EXPECT_FALSE(Contains(run.err, "część")) << run.err;
        EXPECT_TRUE(ReadBytes(rack.dir.PathOf(std::to_string(i) + ".qz")) == rack.Recorder(i)) << i;
    }
    for (const auto& entry : std::filesystem::directory_iterator(rack.dir.Path())) {
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }
}

TEST(Re2DeviceShell, TwoDevicesOfOneFactoryNumberNeverWriteOnePart) {
    Rack rack({1001, 1001});
    // The first one crawls from its recorder's middle on, holding its part meanwhile.
    rack.sims[0]->WithDevice([](DeviceSimulator& d) {
        for (unsigned i = 0; i < 400; ++i) {
            if (i % 4 != 3) {
                d.DropReply(protocol::kCmdReadChunk, 1 + kRecorderChunks / 2 + 1 + i);
            }
        }
    });
    const std::string part = rack.dir.PathOf("odczyt-1001.part");
    DeviceChild first(rack.program, rack.Readout(0, rack.dir.PathOf("0.qz")), rack.dir.Path());
    const auto held = [&] {
        t_readout_part read;
        return ReadReadoutPart(part, read) ? read.bytes.size() : 0;
    };
    ASSERT_TRUE(WaitFor([&] { return held() > 0; }, std::chrono::seconds(120)));
    const t_child_run second =
        DeviceChild(rack.program, rack.Readout(1, rack.dir.PathOf("1.qz")), rack.dir.Path())
            .Finish();
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_TRUE(Contains(second.err,
                         "re2-device: Część odczytu " + part + " jest używana przez inny odczyt"))
        << second.err;
    EXPECT_TRUE(Contains(second.err, "odczyt bez części")) << second.err;
    EXPECT_TRUE(ReadBytes(rack.dir.PathOf("1.qz")) == rack.Recorder(1));
    // The first one's part is still its own: cut now, it holds what it read.
    first.Signal(SIGTERM);
    const t_child_run run = first.Finish();
    EXPECT_EQ(run.signal, SIGTERM);
    t_readout_part left;
    ASSERT_TRUE(ReadReadoutPart(part, left));
    EXPECT_GT(left.bytes.size(), 0u);
    const std::vector<std::uint8_t> recorder = rack.Recorder(0);
    EXPECT_TRUE(std::equal(left.bytes.begin(), left.bytes.end(), recorder.begin()));
}
