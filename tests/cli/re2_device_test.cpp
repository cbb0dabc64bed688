// re2-device end to end: the program run as a child process, with no display, against the
// simulated device on a pseudo-terminal, and what it printed, wrote and left on the line.

#include "base/device_time.h"
#include "link/com_port.h"
#include "link/protocol.h"
#include "link/uucp_lock.h"
#include "measure/kept_image.h"
#include "measure/readout_part.h"
#include "sim/pty_simulator.h"
#include "tests/cli/device_bench.h"
#include "tests/support/device_child.h"
#include "tests/support/fake_serial_tree.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <cctype>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using namespace device_bench;
using namespace std::chrono_literals;

// The signed seconds of the n-th "różnica: ±N s" line (0 the first).
long Difference(const std::string& out, int n) {
    const std::string label = "różnica: ";
    std::size_t at = 0;
    for (int i = 0; i <= n; ++i) {
        at = out.find(label, i == 0 ? 0 : at + 1);
        if (at == std::string::npos) {
            return LONG_MIN;
        }
    }
    return std::strtol(out.c_str() + at + label.size(), nullptr, 10);
}

bool Near(long seconds, long expected) {
    return seconds >= expected - 2 && seconds <= expected + 2;
}

// A readout ended by signal in the middle of the recorder, once its part on the disk holds
// half of it; then a readout again. The second one asks for exactly the chunks its part
// lacks and the file is the device's memory byte for byte.
std::function<void(Bench&)> ContinuedAfter(int signal) {
    return [signal](Bench& b) {
        const std::string file = b.dir.PathOf("pomiar.qz");
        b.CrawlFromTheMiddle();
        {
            DeviceChild first(b.program, b.Args({"--quiet", "readout", "-o", file}), b.dir.Path());
            // Written at most once a second: a kill loses what came since.
            const bool half =
                WaitFor([&] { return b.PartBytes() >= protocol::kRecorderSize / 2; }, 300s);
            first.Signal(signal);
            const t_child_run run = first.Finish();
            ASSERT_TRUE(half) << run.status << run.err;
            EXPECT_EQ(run.signal, signal) << run.status << run.err;
            EXPECT_EQ(run.err, "");
        }
        EXPECT_FALSE(std::filesystem::exists(file));
        const std::size_t held = b.PartBytes();
        ASSERT_LT(held, protocol::kRecorderSize);
        if (signal == SIGKILL) {
            // Nothing handed the pseudo-terminal back: it stays for exclusive use while its
            // master is open (a serial device's ends with its last close), and its lock file
            // names a process that is gone. The cable is plugged in again instead.
            std::filesystem::remove("/run/lock/" +
                                    UucpLockName(std::filesystem::canonical(b.sim.SlavePath())));
            b.sim.CutLink();
            ASSERT_TRUE(b.sim.Start());
        }
        b.sim.WithDevice([](DeviceSimulator& d) {
            d.ClearFaults();
            d.ClearLog();
        });

        const t_child_run run = b.Run({"readout", "-o", file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(ReadBytes(file) == b.Recorder());
        EXPECT_TRUE(Contains(run.err, "re2-device: Dalszy odczyt od bajtu " + std::to_string(held)))
            << run.err;
        EXPECT_TRUE(Contains(run.err, ", dalszy odczyt od bajtu ")) << run.err;
        // What it asks below the part's end is no more than the check that the device still
        // holds what the part holds where it records on: the end marker's chunk and the one
        // after it, and the last chunk held.
        std::set<std::uint32_t> again;
        std::set<std::uint32_t> asked;
        for (const std::uint32_t address : b.Chunks(protocol::kCmdReadChunk)) {
            if (address < held) {
                again.insert(address);
            } else if (address < protocol::kRecorderSize) {
                asked.insert(address);
            }
        }
        std::set<std::uint32_t> lacking;
        for (std::size_t at = held; at < protocol::kRecorderSize; at += protocol::kChunkData) {
            lacking.insert(static_cast<std::uint32_t>(at));
        }
        EXPECT_TRUE(asked == lacking) << "part " << held << " bytes; asked " << asked.size()
                                      << " chunks from " << (asked.empty() ? 0 : *asked.begin());
        EXPECT_LE(again.size(), 3u);
        EXPECT_LT(b.sim.CommandCount(protocol::kCmdReadChunk), kRecorderChunks);
        EXPECT_FALSE(std::filesystem::exists(b.PartPath()));
    };
}

// A readout whose port hangs up in the middle of the recorder, as a pulled adapter does;
// plugged back: the simulator serves again on a new pseudo-terminal behind COM1.
std::function<void(Bench&)> HungUpMidway(bool pluggedBack) {
    return [pluggedBack](Bench& b) {
        const std::string file = b.dir.PathOf("pomiar.qz");
        b.sim.WithDevice([](DeviceSimulator& d) {
            d.AddFault(FaultRule(SimFault::CutLine, protocol::kCmdReadChunk, kRecorderChunks / 2));
        });
        DeviceChild child(b.program,
                          b.Args({"readout", "-o", file, "--wait-port", pluggedBack ? "60" : "1"}),
                          b.dir.Path());
        // Serving again only once the cut has been made, whenever re2-device notices it.
        ASSERT_TRUE(WaitFor([&] { return !b.sim.Running(); }, 120s));
        if (pluggedBack) {
            ASSERT_TRUE(b.sim.Start());
        } else {
            // The adapter stays away: the link leads to a node that is not there, never to
            // another program's pseudo-terminal that got the old number.
            std::filesystem::remove(b.sim.LinkPath());
            std::filesystem::create_symlink(b.dir.PathOf("no-adapter"), b.sim.LinkPath());
        }
        const t_child_run run = child.Finish();
        EXPECT_TRUE(Contains(run.err, "zniknął: oczekiwanie na ponowne podłączenie")) << run.err;
        if (!pluggedBack) {
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(Contains(run.err, "nie został ponownie podłączony")) << run.err;
            EXPECT_FALSE(std::filesystem::exists(file));
            EXPECT_GT(b.PartBytes(), 0u);
            return;
        }
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Contains(run.err, "podłączony ponownie")) << run.err;
        EXPECT_TRUE(ReadBytes(file) == b.Recorder());
        EXPECT_FALSE(std::filesystem::exists(b.PartPath()));
        // Every chunk once, and the join check on top; a chunk asked again straight after
        // itself is a retry, left out.
        const std::vector<std::uint32_t> reads = b.Chunks(protocol::kCmdReadChunk);
        std::size_t net = 0;
        for (std::size_t i = 0; i < reads.size(); ++i) {
            net += i == 0 || reads[i] != reads[i - 1];
        }
        EXPECT_LE(net, kRecorderChunks + 10u);
    };
}

// A readout, 10 minutes of recording, and a readout again: only what is new is read, unless
// --full says otherwise; the file is the device's memory byte for byte either way.
std::function<void(Bench&)> ReadoutAfterRecording(bool full) {
    return [full](Bench& b) {
        const std::string file = b.dir.PathOf("pomiar.qz");
        ASSERT_EQ(b.Run({"readout", "-o", file}).status, 0);
        const std::string keptPath =
            b.dir.PathOf("obraz-" + std::to_string(b.FactoryNumber()) + ".img");
        std::vector<std::uint8_t> bytes = ReadBytes(keptPath);
        t_kept_image kept;
        ASSERT_TRUE(ParseKeptImage(bytes.data(), bytes.size(), kept));
        kept.readoutTime -= 700;
        kept.fullReadoutTime -= 700;
        ASSERT_TRUE(CKeptImageHolder::Write(keptPath, kept));
        b.sim.WithDevice([](DeviceSimulator& d) {
            d.Memory().Record(600, MakeDeviceTime(2026, 12, 9, 8, 0, 0));
            d.ClearLog();
        });
        std::vector<std::string> args = {"readout", "-o", file};
        if (full) {
            args.push_back("--full");
        }
        const t_child_run run = b.Run(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(ReadBytes(file) == b.Recorder());
        EXPECT_EQ(Contains(run.err, "Odczyt tylko nowych pomiarów od odczytu z "), !full)
            << run.err;
        EXPECT_EQ(Contains(run.err, ", tylko nowe pomiary\n"), !full) << run.err;
        const std::uint32_t base = protocol::BlockAddress(protocol::kBlockRecorder);
        const auto reads = b.Chunks(protocol::kCmdReadChunk);
        const auto recorderReads = std::count_if(reads.begin(), reads.end(), [&](std::uint32_t a) {
            return a - base < protocol::kRecorderSize;
        });
        if (full) {
            EXPECT_GE(recorderReads, kRecorderChunks);
        } else {
            EXPECT_LE(recorderReads, 80);
        }
    };
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
             const t_child_run run =
                 DeviceChild(b.program, {"--port", "COM1", "--config-dir", b.dir.Path(), "info"},
                             b.dir.Path())
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
             const t_child_run run = b.Run({"clock"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Shaped(run.out, "czas urządzenia: ####-##-## ##:##:##\n"
                                         "czas komputera: ####-##-## ##:##:##\n"
                                         "różnica: +* s\n"))
                 << run.out;
             EXPECT_TRUE(Near(Difference(run.out, 0), 100)) << run.out;
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdSetClock), 0u);
         }},
        {"clock --set",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetClockOffset(-3600); });
             const t_child_run run = b.Run({"clock", "--set"});
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
             const t_child_run run = b.Run({"clock", "--set", "--max-drift", "60"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "czas nie ustawiony: różnica nie przekracza 60 s"))
                 << run.out;
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdSetClock), 0u);
         }},
        {"clock --set --max-drift beyond the limit",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetClockOffset(600); });
             const t_child_run run = b.Run({"--quiet", "clock", "--max-drift", "60", "--set"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "\nczas ustawiony\n")) << run.out;
             EXPECT_EQ(b.sim.CommandCount(protocol::kCmdSetClock), 1u);
         }},
        {"readout -o FILE.qz: the device's memory byte for byte",
         [](Bench& b) {
             const std::string file = b.dir.PathOf("pomiar.qz");
             const t_child_run run = b.Run({"readout", "-o", file});
             EXPECT_EQ(run.status, 0) << run.err;
             // The device read, and the end line; the path on standard output.
             EXPECT_TRUE(Contains(run.err, "re2-device: Urządzenie RE2 Wyciąg Północ, wersja  5, "
                                           "nr fabryczny " +
                                               std::to_string(b.FactoryNumber()) + "\n"))
                 << run.err;
             EXPECT_TRUE(Contains(run.err, "re2-device: Odczytano 475 136 B w ")) << run.err;
             EXPECT_TRUE(Contains(run.err, " kB/s), powtórzone zapytania: 0, od początku\n"))
                 << run.err;
             EXPECT_EQ(run.out, file + "\n");
             EXPECT_TRUE(ReadBytes(file) == b.Recorder());
             // The part is gone once the file is whole.
             EXPECT_FALSE(std::filesystem::exists(b.PartPath()));
         }},
        {"readout -o DIR/: named after the device and the time",
         [](Bench& b) {
             std::filesystem::create_directory(b.dir.PathOf("out"));
             const t_child_run run = b.Run({"readout", "-o", b.dir.PathOf("out") + "/"});
             EXPECT_EQ(run.status, 0) << run.err;
             std::vector<std::string> names;
             for (const auto& entry : std::filesystem::directory_iterator(b.dir.PathOf("out"))) {
                 names.push_back(entry.path().filename().string());
             }
             ASSERT_EQ(names.size(), 1u);
             EXPECT_TRUE(
                 Shaped(names[0], std::to_string(b.FactoryNumber()) + "_####-##-##_######.qz"))
                 << names[0];
             EXPECT_TRUE(ReadBytes(b.dir.PathOf("out/" + names[0])) == b.Recorder());
             EXPECT_EQ(run.out, b.dir.PathOf("out") + "/" + names[0] + "\n");
         }},
        {"readout with 1 % of the replies lost: asked again, the file whole, each retry traced",
         [](Bench& b) {
             b.sim.WithDevice([](DeviceSimulator& d) { d.SetRandomDrop(0.01, 21); });
             const std::string file = b.dir.PathOf("pomiar.qz");
             const t_child_run run =
                 b.Run({"--trace", b.dir.PathOf("ruch.txt"), "readout", "-o", file});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(ReadBytes(file) == b.Recorder());
             const std::uint64_t lost =
                 b.sim.WithDevice([](DeviceSimulator& d) { return d.RepliesLost(); });
             EXPECT_GE(lost, kRecorderChunks / 200);
             // Every frame each way, each lost reply's time-out and its retry.
             const std::string trace = b.Text("ruch.txt");
             const auto count = [&](const std::string& part) {
                 std::uint64_t n = 0;
                 for (auto at = trace.find(part); at != std::string::npos;
                      at = trace.find(part, at + 1)) {
                     ++n;
                 }
                 return n;
             };
             EXPECT_EQ(trace.rfind("# re2-device ", 0), 0u);
             // Every request went out traced, and got its reply or timed out (a reply late
             // past the port's closing is the device's only). Each retry is one read more
             // than the chunks and the identity's one; a reply late on a busy machine is
             // asked again too.
             const std::uint64_t sent = count(" -> :");
             const std::uint64_t timeOuts =
                 count(" -- limit czasu: brak odpowiedzi na komendę 40 ");
             const std::uint64_t retries = count(" -- ponowienie: komenda 40, ");
             EXPECT_EQ(sent, b.sim.RequestCount());
             EXPECT_GE(count(" <- :"), sent - timeOuts);
             EXPECT_LE(count(" <- :"),
                       b.sim.WithDevice([](DeviceSimulator& d) { return d.RepliesSent(); }));
             EXPECT_EQ(retries, b.sim.CommandCount(protocol::kCmdReadChunk) - kRecorderChunks - 1);
             EXPECT_GE(retries, lost);
             EXPECT_EQ(timeOuts, retries);
             EXPECT_TRUE(Contains(trace, " -- rozłączono: koniec pracy programu\n"));
             EXPECT_TRUE(trace.ends_with(" -- koniec zapisu\n"));
             struct stat info {};
             EXPECT_EQ(::stat(b.dir.PathOf("ruch.txt").c_str(), &info), 0);
             EXPECT_EQ(info.st_mode & 0777, 0600u);
             // The window's line report, and the retries in the end line.
             EXPECT_TRUE(Contains(run.err, "\nre2-device: Łącze: ramki: ")) << run.err;
             EXPECT_FALSE(Contains(run.err, "powtórzone zapytania: 0,")) << run.err;
         }},
        {"readout ended by SIGTERM in the middle, continued by the next one",
         ContinuedAfter(SIGTERM)},
        {"readout killed by SIGKILL in the middle, continued by the next one",
         ContinuedAfter(SIGKILL)},
        {"readout whose port hangs up goes on by itself once it is back", HungUpMidway(true)},
        {"readout after 10 minutes of recording reads only what is new",
         ReadoutAfterRecording(false)},
        {"readout --full after 10 minutes of recording reads everything",
         ReadoutAfterRecording(true)},
        {"readout whose port does not come back ends after --wait-port", HungUpMidway(false)},
        {"settings write of one edited field writes that block alone",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             b.SetText("nowe.txt", WithValue(dump, "opis", "\"Wyciąg 2\""));
             const auto inspections = b.Block(protocol::kBlockInspections);
             const auto relays = b.Block(protocol::kBlockRelays);
             const t_child_run run = b.Run({"settings", "write", b.dir.PathOf("nowe.txt")});
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
             const t_child_run run =
                 b.Run({"settings", "write", b.dir.PathOf("nowe.txt"), "--dry-run"});
             EXPECT_EQ(run.status, 0) << run.err;
             EXPECT_TRUE(Contains(run.out, "[konfiguracja] dlugosc_trasy: ")) << run.out;
             EXPECT_TRUE(Contains(run.out, "--dry-run: nic nie zapisano")) << run.out;
             EXPECT_TRUE(b.WrittenChunks().empty());
         }},
        {"settings write of a bad value: its line, nothing written",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             b.SetText("nowe.txt", WithValue(dump, "stala_napedu_w_gore", "1000"));
             const t_child_run run = b.Run({"settings", "write", b.dir.PathOf("nowe.txt")});
             EXPECT_EQ(run.status, 1);
             const std::size_t line =
                 std::count(dump.begin(), dump.begin() + dump.find("\nstala_napedu_w_gore"), '\n') +
                 2;
             EXPECT_EQ(run.err, "re2-device: " + b.dir.PathOf("nowe.txt") + ": linia " +
                                    std::to_string(line) +
                                    ": stala_napedu_w_gore: dozwolone 1..999\n");
             EXPECT_TRUE(b.WrittenChunks().empty());
         }},
        {"settings write of another device's file is refused",
         [](Bench& b) {
             const std::string dump = b.Dump("ustawienia.txt");
             const std::string other = std::to_string(b.FactoryNumber() + 1);
             b.SetText("inne.txt", WithValue(WithValue(dump, "nr_fabryczny", other),
                                             "odstep_pomiedzy_przegladami", "44"));
             const t_child_run run = b.Run({"settings", "write", b.dir.PathOf("inne.txt")});
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
             const t_child_run run =
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
             ASSERT_EQ(holder.Open(b.sim.LinkPath(), 57600), 1);
             const t_child_run run = b.Run({"info"});
             EXPECT_EQ(run.status, 1);
             EXPECT_TRUE(Contains(run.err, "jest zajęty przez inny program")) << run.err;
             // The holder is named by its lock file, where the lock folder lets it make one.
             if (std::filesystem::exists(
                     "/run/lock/" + UucpLockName(std::filesystem::canonical(b.sim.SlavePath())))) {
                 EXPECT_TRUE(
                     Contains(run.err, "inny program (proces " + std::to_string(getpid()) + ")"))
                     << run.err;
             }
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
        {"ports of a tree of the test's, with no settings and no device",
         [](Bench& b) {
             const std::string root = b.dir.PathOf("tree") + "/";
             FakeSerialTree(root).AddUsb({"ttyUSB0", "1-1", "0403", "6001", "FTDI",
                                          "FT232R USB UART", "A10K1ABC", "ftdi_sio",
                                          "usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0",
                                          "pci-0000:00:14.0-usb-0:1:1.0-port0"});
             const std::string name =
                 "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0";
             const auto ports = [&](const std::vector<std::string>& args) {
                 std::vector<std::string> all = {"--config-dir", b.dir.PathOf("none")};
                 all.insert(all.end(), args.begin(), args.end());
                 return DeviceChild(b.program, all, b.dir.Path(), {"RE2_SYSFS_ROOT=" + root})
                     .Finish();
             };
             const t_child_run text = ports({"ports"});
             EXPECT_EQ(text.status, 0) << text.err;
             EXPECT_EQ(text.out, name + "\t/dev/ttyUSB0\tFTDI FT232R USB UART A10K1ABC\n");
             const t_child_run json = ports({"ports", "--json"});
             EXPECT_EQ(json.status, 0) << json.err;
             EXPECT_EQ(json.out,
                       "[\n  {\n    \"driver\": \"ftdi_sio\",\n    \"held_by\": null,\n"
                       "    \"kind\": \"usb\",\n    \"manufacturer\": \"FTDI\",\n"
                       "    \"name\": \"" +
                           name +
                           "\",\n"
                           "    \"node\": \"/dev/ttyUSB0\",\n    \"problem\": null,\n"
                           "    \"product\": \"FT232R USB UART\",\n"
                           "    \"product_id\": \"6001\",\n    \"serial\": \"A10K1ABC\",\n"
                           "    \"usable\": true,\n    \"vendor_id\": \"0403\"\n  }\n]\n");
             EXPECT_EQ(b.sim.RequestCount(), 0u);
         }},
        {"wrong usage",
         [](Bench& b) {
             const t_child_run run = b.Run({"readout"});
             EXPECT_EQ(run.status, 2);
             EXPECT_TRUE(Contains(run.err, "re2-device: readout wymaga -o")) << run.err;
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
        const t_child_run run = b.Run({"settings", "write", b.dir.PathOf("zly.txt")});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Contains(run.err, b.dir.PathOf("zly.txt") + c.message)) << run.err;
        EXPECT_TRUE(b.WrittenChunks().empty());
    }
}
