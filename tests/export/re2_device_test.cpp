// re2-device end to end: the program run as a child process, with no display, against the
// simulated device on a pseudo-terminal, and what it printed, wrote and left on the line.

#include "link/com_port.h"
#include "link/protocol.h"
#include "sim/pty_simulator.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// re2-device beside this test program (where the unprivileged run copies both), else
// where the build made it.
std::string DeviceProgram() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) {
        std::string self(buffer, static_cast<std::size_t>(n));
        const std::string beside = self.substr(0, self.rfind('/') + 1) + "re2-device";
        if (::access(beside.c_str(), X_OK) == 0) {
            return beside;
        }
    }
    return RE2_DEVICE_PROGRAM;
}

struct t_run {
    int status = -1; // exit status; -1 when ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

// A started re2-device; Finish reads all it prints and waits for its end.
class Child {
public:
    Child(const std::vector<std::string>& args, const std::string& home) {
        std::vector<std::string> words = {DeviceProgram()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        // No display at all, and the per-user folders inside the test's own.
        std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                                        "XDG_STATE_HOME=" + home + "/state", "LANG=C.UTF-8"};
        if (const char* path = std::getenv("PATH")) {
            env.push_back(std::string("PATH=") + path);
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        int outPipe[2];
        int errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        m_out = outPipe[0];
        m_err = errPipe[0];
    }
    ~Child() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Finish();
        }
    }

    void Signal(int signal) {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
        }
    }

    t_run Finish() {
        t_run run;
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        std::string* sinks[2] = {&run.out, &run.err};
        int open = 2;
        while (open > 0 && ::poll(fds, 2, -1) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int wstatus = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &wstatus, 0) == m_pid) {
            if (WIFEXITED(wstatus)) {
                run.status = WEXITSTATUS(wstatus);
            } else if (WIFSIGNALED(wstatus)) {
                run.signal = WTERMSIG(wstatus);
            }
        }
        m_pid = -1;
        return run;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

// One simulated device on a pseudo-terminal, linked as COM1 in the test's folder, and that
// folder as re2-device's settings folder and home.
struct Bench {
    TemporaryDirectory dir{"re2_device_"};
    PtySimulator sim{[this] {
        t_pty_options options;
        options.linkDirectory = dir.Path() + "/";
        options.comPort = 1;
        return options;
    }()};

    Bench() { EXPECT_TRUE(sim.Start()); }

    // re2-device with the simulator's port and the test's folder before args.
    std::vector<std::string> Args(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--port", sim.LinkPath(), "--config-dir", dir.Path()};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }
    t_run Run(const std::vector<std::string>& args) {
        return Child(Args(args), dir.Path()).Finish();
    }

    std::vector<std::uint8_t> Memory(std::uint32_t address, std::size_t n) {
        return sim.WithDevice([&](DeviceSimulator& d) { return d.Memory().Bytes(address, n); });
    }
    std::vector<std::uint8_t> Block(int id) {
        return Memory(protocol::BlockAddress(id), protocol::BlockSize(id));
    }
    unsigned FactoryNumber() {
        const auto block = Block(protocol::kBlockConfiguration);
        return block[2] | block[3] << 8;
    }
    // The memory addresses of the chunk writes (command 39) the device received.
    std::vector<std::uint32_t> WrittenChunks() {
        std::vector<std::uint32_t> addresses;
        for (const t_sim_request& r : sim.Log()) {
            if (r.addressed && r.record.command == protocol::kCmdWriteChunk) {
                addresses.push_back(r.record.data[0] | r.record.data[1] << 8 |
                                    r.record.data[2] << 16 |
                                    static_cast<std::uint32_t>(r.record.data[3]) << 24);
            }
        }
        return addresses;
    }
    std::string Text(const std::string& name) {
        std::ifstream in(dir.PathOf(name));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void SetText(const std::string& name, const std::string& text) {
        std::ofstream(dir.PathOf(name)) << text;
    }
    // The dump of the device's settings, saved as name; "" when it failed.
    std::string Dump(const std::string& name) {
        const t_run run = Run({"settings", "dump", "-o", dir.PathOf(name)});
        EXPECT_EQ(run.status, 0) << run.err;
        return Text(name);
    }
};

// The text with the line of key replaced by `key = value`.
std::string WithValue(std::string text, const std::string& key, const std::string& value) {
    const std::size_t at = text.find("\n" + key + " = ");
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) {
        return text;
    }
    const std::size_t end = text.find('\n', at + 1);
    return text.replace(at + 1, end - at - 1, key + " = " + value);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The signed seconds of the n-th "różnica: ±N s" line (0 the first).
long Difference(const std::string& out, int n) {
    std::regex line("różnica: ([+-][0-9]+) s");
    auto it = std::sregex_iterator(out.begin(), out.end(), line);
    for (int i = 0; i < n && it != std::sregex_iterator(); ++i) {
        ++it;
    }
    return it == std::sregex_iterator() ? LONG_MIN : std::stol((*it)[1]);
}

bool Near(long seconds, long expected) {
    return seconds >= expected - 2 && seconds <= expected + 2;
}

struct t_command_case {
    const char* name;
    std::function<void(Bench&)> check;
};

} // namespace

TEST(Re2Device, CommandsAgainstTheSimulator) {
    const std::vector<t_command_case> cases = {
        {"info by COM1 of the settings folder, no display",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetVersion(7, "RE2 test"); });
             const t_run run =
                 Child({"--port", "COM1", "--config-dir", b.dir.Path(), "info"}, b.dir.Path())
                     .Finish();
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "nazwa: RE2 test\nwersja: 7\nadres: 31\n"
                                           "rodzaj: rejestrator\n"))
                 << run.out;
             EXPECT_TRUE(Contains(run.out, "\nwejście 1: 1\n")) << run.out;
             EXPECT_TRUE(Contains(run.out, "\nzasilanie: 12.4[V]\n")) << run.out;
         }},
        {"clock",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetClockOffset(100); });
             const t_run run = b.Run({"clock"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(
                 std::regex_match(run.out, std::regex("czas urządzenia: [0-9]{4}-[0-9]{2}-[0-9]{2} "
                                                      "[0-9]{2}:[0-9]{2}:[0-9]{2}\n"
                                                      "czas komputera: [0-9-]{10} [0-9:]{8}\n"
                                                      "różnica: \\+[0-9]+ s\n")))
                 << run.out;
             EXPECT_TRUE(Near(Difference(run.out, 0), 100)) << run.out;
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdSetClock), 0u);
         }},
        {"clock --set",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetClockOffset(-3600); });
             const t_run run = b.Run({"clock", "--set"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Near(Difference(run.out, 0), -3600)) << run.out;
             EXPECT_TRUE(Contains(run.out, "\nczas ustawiony\n")) << run.out;
             EXPECT_TRUE(Near(Difference(run.out, 1), 0)) << run.out;
             EXPECT_TRUE(
                 Near(b.sim.WithDevice([](DeviceSimulator& d) { return d.ClockOffset(); }), 0));
         }},
        {"clock --set --max-drift within the limit",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetClockOffset(30); });
             const t_run run = b.Run({"clock", "--set", "--max-drift", "60"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "czas nie ustawiony: różnica nie przekracza 60 s"))
                 << run.out;
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdSetClock), 0u);
         }},
        {"clock --set --max-drift beyond the limit",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetClockOffset(600); });
             const t_run run = b.Run({"--quiet", "clock", "--max-drift", "60", "--set"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "\nczas ustawiony\n")) << run.out;
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdSetClock), 1u);
         }},
        {"readout -o FILE.qz: the device's memory byte for byte",
         [](Bench& b) {
             const std::string file = b.dir.PathOf("pomiar.qz");
             const t_run run = b.Run({"readout", "-o", file});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_EQ(run.err, "");
             EXPECT_TRUE(ReadBytes(file) == b.Memory(0, protocol::kRecorderSize));
             // The part is gone once the file is whole.
             EXPECT_FALSE(std::filesystem::exists(b.dir.Path() + "/state/re2-terminal/odczyt-" +
                                                  std::to_string(b.FactoryNumber()) + ".part"));
         }},
        {"readout -o DIR/: named after the device and the time",
         [](Bench& b) {
             std::filesystem::create_directory(b.dir.PathOf("out"));
             const t_run run = b.Run({"readout", "-o", b.dir.PathOf("out") + "/"});
             EXPECT_EQ(run.status, 0) << run.err;
             std::vector<std::string> names;
             for (const auto& entry : std::filesystem::directory_iterator(b.dir.PathOf("out"))) {
                 names.push_back(entry.path().filename().string());
             }
             ASSERT_EQ(names.size(), 1u);
             EXPECT_TRUE(std::regex_match(names[0],
                                          std::regex(std::to_string(b.FactoryNumber()) +
                                                     "_[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}\\.qz")))
                 << names[0];
             EXPECT_TRUE(ReadBytes(b.dir.PathOf("out/" + names[0])) ==
                         b.Memory(0, protocol::kRecorderSize));
         }},
        {"readout ended by SIGTERM keeps its part; the next one continues it",
         [](Bench& b) {
             const std::string file = b.dir.PathOf("pomiar.qz");
             constexpr std::uint64_t kChunks = (protocol::kRecorderSize + 56) / 57;
             {
                 Child first(b.Args({"readout", "-o", file}), b.dir.Path());
                 // Well into the recorder, whose chunks follow the few requests before it.
                 ASSERT_TRUE(b.sim.WaitForRequests(kChunks / 2, 120s));
                 first.Signal(SIGTERM);
                 const t_run run = first.Finish();
                 EXPECT_EQ(run.signal, SIGTERM) << run.status << run.err;
                 EXPECT_EQ(run.err, "");
             }
             EXPECT_FALSE(std::filesystem::exists(file));
             const std::uint64_t before = b.sim.CommandCount(protocol::kCmdReadChunk);
             const t_run run = b.Run({"readout", "-o", file});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(ReadBytes(file) == b.Memory(0, protocol::kRecorderSize));
             const std::uint64_t second = b.sim.CommandCount(protocol::kCmdReadChunk) - before;
             EXPECT_LT(second, kChunks - kChunks / 3) << "the second readout began anew";
         }},
        {"settings write of one edited field writes that block alone",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             b.SetText("nowe.txt", WithValue(dump, "opis", "\"Wyciąg 2\""));
             const auto inspections = b.Block(protocol::kBlockInspections);
             const auto relays = b.Block(protocol::kBlockRelays);
             const t_run run = b.Run({"settings", "write", b.dir.PathOf("nowe.txt")});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "[konfiguracja] opis: ")) << run.out;
             EXPECT_TRUE(Contains(run.out, "-> \"Wyciąg 2\"\nzapisano [konfiguracja]\n"))
                 << run.out;
             const auto chunks = b.WrittenChunks();
             ASSERT_FALSE(chunks.empty());
             for (const std::uint32_t address : chunks) {
                 EXPECT_GE(address, protocol::BlockAddress(protocol::kBlockConfiguration));
                 EXPECT_LT(address, protocol::BlockAddress(protocol::kBlockConfiguration) +
                                        protocol::BlockSize(protocol::kBlockConfiguration));
             }
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdCloseWrite), 1u);
             EXPECT_TRUE(b.Block(protocol::kBlockInspections) == inspections);
             EXPECT_TRUE(b.Block(protocol::kBlockRelays) == relays);
             EXPECT_TRUE(Contains(b.Dump("po.txt"), "\nopis = \"Wyciąg 2\"\n"));
         }},
        {"settings write --dry-run writes nothing",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             b.SetText("nowe.txt", WithValue(dump, "dlugosc_trasy", "1234"));
             const t_run run = b.Run({"settings", "write", b.dir.PathOf("nowe.txt"), "--dry-run"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "[konfiguracja] dlugosc_trasy: ")) << run.out;
             EXPECT_TRUE(Contains(run.out, "--dry-run: nic nie zapisano")) << run.out;
             EXPECT_TRUE(b.WrittenChunks().empty());
         }},
        {"settings write of a bad value: its line, nothing written",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             b.SetText("nowe.txt", WithValue(dump, "stala_napedu_w_gore", "1000"));
             const t_run run = b.Run({"settings", "write", b.dir.PathOf("nowe.txt")});
             EXPECT_EQ(run.status, 1);
             const std::size_t line =
                 std::count(dump.begin(), dump.begin() + dump.find("\nstala_napedu_w_gore"), '\n') +
                 2;
             EXPECT_EQ(run.err, b.dir.PathOf("nowe.txt") + ": linia " + std::to_string(line) +
                                    ": stala_napedu_w_gore: dozwolone 1..999\n");
             EXPECT_TRUE(b.WrittenChunks().empty());
         }},
        {"settings write of another device's file is refused",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             const std::string other = std::to_string(b.FactoryNumber() + 1);
             b.SetText("inne.txt", WithValue(WithValue(dump, "nr_fabryczny", other),
                                             "odstep_pomiedzy_przegladami", "44"));
             const t_run run = b.Run({"settings", "write", b.dir.PathOf("inne.txt")});
             EXPECT_EQ(run.status, 1);
             EXPECT_TRUE(Contains(run.err, "plik innego urządzenia (nr fabryczny " + other))
                 << run.err;
             EXPECT_TRUE(b.WrittenChunks().empty());
         }},
        {"settings write --other-device copies all but the factory number",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             const unsigned own = b.FactoryNumber();
             b.SetText("inne.txt",
                       WithValue(WithValue(dump, "nr_fabryczny", std::to_string(own + 1)),
                                 "odstep_pomiedzy_przegladami", "44"));
             const t_run run =
                 b.Run({"settings", "write", "--other-device", b.dir.PathOf("inne.txt")});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "zapisano [przeglady]\n")) << run.out;
             EXPECT_EQ(b.FactoryNumber(), own);
             const auto inspections = b.Block(protocol::kBlockInspections);
             EXPECT_EQ(inspections[114] | inspections[115] << 8, 44);
         }},
        {"a port another program holds",
         [](Bench& b) {
             CComPort holder;
             ASSERT_EQ(holder.OpenPath(b.sim.LinkPath(), 57600), 1);
             const t_run run = b.Run({"info"});
             EXPECT_EQ(run.status, 1);
             EXPECT_TRUE(Contains(run.err, "jest zajęty przez inny program")) << run.err;
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
        {"wrong usage",
         [](Bench& b) {
             const t_run run = b.Run({"readout"});
             EXPECT_EQ(run.status, 2);
             EXPECT_TRUE(Contains(run.err, "readout needs -o")) << run.err;
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
    };
    for (const t_command_case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        c.check(bench);
    }
}

TEST(Re2Device, BadSettingsFilesAreRefusedWithTheirLine) {
    struct t_bad_file {
        const char* text;
        const char* message;
    };
    const std::vector<t_bad_file> cases = {
        {"[konfiguracja]\nopis = \"日本\"\n", ": linia 2: opis: znak „日”"},
        {"[konfiguracja]\nkolor = 1\n", ": linia 2: kolor: nieznany klucz w sekcji [konfiguracja]"},
        {"[ustawienia]\n", ": linia 1: [ustawienia]: nieznana sekcja"},
        {"[konfiguracja]\ndlugosc_trasy = 5\ndlugosc_trasy = 6\n",
         ": linia 3: dlugosc_trasy: klucz powtórzony (pierwszy w linii 2)"},
        {"[przeglady]\nprzeglad_1_data = 2023-02-30\n", ": linia 2: przeglad_1_data: "},
        {"dlugosc_trasy = 5\n", ": linia 1: dlugosc_trasy: klucz przed pierwszą sekcją"},
        {"[dane_programatora]\nopis = \"x\"\n",
         ": linia 1: [dane_programatora]: urządzenie nie ma tego bloku"},
    };
    for (const t_bad_file& c : cases) {
        SCOPED_TRACE(c.text);
        Bench b;
        b.SetText("zly.txt", c.text);
        const t_run run = b.Run({"settings", "write", b.dir.PathOf("zly.txt")});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Contains(run.err, b.dir.PathOf("zly.txt") + c.message)) << run.err;
        EXPECT_TRUE(b.WrittenChunks().empty());
    }
}
