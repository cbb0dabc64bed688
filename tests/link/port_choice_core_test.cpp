// The Port dialog's words for where a COMn leads and what the machine has, and whether
// brltty's udev rules take USB serial adapters.
#include "link/brltty_rules.h"
#include "link/port_choice_text.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

t_serial_port Adapter(const std::string& node, const std::string& product,
                      const std::string& serial) {
    t_serial_port port;
    port.kind = SerialPortKind::Usb;
    port.node = node;
    port.device = node;
    port.manufacturer = "FTDI";
    port.product = product;
    port.serial = serial;
    port.vendorId = "0403";
    port.productId = "6001";
    port.present = port.mayOpen = true;
    return port;
}

t_serial_port Builtin(const std::string& node) {
    t_serial_port port;
    port.node = node;
    port.device = node;
    port.present = port.mayOpen = true;
    return port;
}

t_com_link LinkTo(const std::string& target, const std::string& device) {
    return {true, true, target, device};
}

TEST(PortChoiceText, EachCOMnSaysWhatItLeadsTo) {
    t_serial_port denied = Adapter("/dev/ttyUSB1", "", "");
    denied.manufacturer.clear();
    denied.mayOpen = false;
    t_serial_port held = Adapter("/dev/ttyACM0", "Uno", "");
    held.held = true;
    held.heldBy = 4242;
    t_serial_port pty = Adapter("/dev/ttyUSB2", "FT232R USB UART", "");
    pty.device = "/dev/pts/7"; // the node is a link to a pseudo-terminal standing in for it
    const std::vector<t_serial_port> ports = {
        Adapter("/dev/ttyUSB0", "FT232R USB UART", "A10K1ABC"), denied, held, pty,
        Builtin("/dev/ttyS0")};
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0";
    const struct {
        int com;
        t_com_link link;
        std::string text;
    } cases[] = {
        {1, LinkTo(byId, "/dev/ttyUSB0"), "FT232R USB UART, A10K1ABC (/dev/ttyUSB0)"},
        {1, LinkTo("/dev/ttyUSB1", "/dev/ttyUSB1"), "USB 0403:6001 (/dev/ttyUSB1): brak dostępu"},
        {2, LinkTo("/dev/ttyACM0", "/dev/ttyACM0"), "Uno (/dev/ttyACM0): zajęty przez proces 4242"},
        {2, LinkTo("/tmp/tree/dev/serial/by-id/x", "/dev/pts/7"), "FT232R USB UART (/dev/ttyUSB2)"},
        {1, {}, "port wbudowany (/dev/ttyS0)"},
        {2, {}, "/dev/ttyS1: brak portu w komputerze"},
        {3, LinkTo(byId, ""), "brak: usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0 nie istnieje"},
        {3, LinkTo("/dev/pts/9", ""), "brak: /dev/pts/9 nie istnieje"},
        {4, LinkTo("/dev/pts/3", "/dev/pts/3"), "/dev/pts/3"},
        {5, {true, false, "", "/home/jan/COM5"}, "/home/jan/COM5"},
        {6, LinkTo("/dev/ttyS0", "/dev/ttyS0"), "port wbudowany (/dev/ttyS0)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComTargetText(c.com, c.link, ports), c.text) << c.link.target;
    }
    t_serial_port missing = Builtin("/dev/ttyS1");
    missing.present = missing.mayOpen = false;
    missing.device.clear();
    EXPECT_EQ(ComTargetText(2, {}, {missing}), "port wbudowany (/dev/ttyS1): nie istnieje");
}

TEST(PortChoiceText, TheNoteSpeaksOnlyWithoutAnAdapter) {
    const std::string none = "Nie wykryto adaptera USB.";
    const std::string brltty = none +
                               " Pakiet brltty może go przejmować: sudo apt remove brltty, potem "
                               "podłącz adapter ponownie.";
    const struct {
        std::vector<t_serial_port> ports;
        bool brltty;
        std::string note;
    } cases[] = {
        {{Adapter("/dev/ttyUSB0", "x", "")}, true, ""},
        {{Builtin("/dev/ttyS0")}, false, none},
        {{}, true, brltty},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortListNote(c.ports, c.brltty), c.note);
    }
}

TEST(BrlttyRules, OnlyLiveRulesForSerialChipVendorsClaimAdapters) {
    const struct {
        const char* rules;
        bool claims;
    } cases[] = {
        {"ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\"\n", true},
        {"# Device: 10C4:EA60\nENV{PRODUCT}==\"10c4/ea60/*\", GOTO=\"brltty_usb_run\"", true},
        {"ENV{PRODUCT}==\"403/6001/*\"\n", true}, // udev writes the vendor without zeros
        {"SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"067b\", ATTRS{idProduct}==\"2303\"\n", true},
        {"# ENV{PRODUCT}==\"1a86/7523/*\"\n  # ATTRS{idVendor}==\"0403\"\n", false},
        {"ENV{PRODUCT}==\"1c71/c005/*\"\nENV{PRODUCT}==\"10c4*\"\n", false},
        {"ENV{PRODUCT}==\"11a86/7523/*\"\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RulesClaimUsbSerial(c.rules), c.claims) << c.rules;
    }
}

TEST(BrlttyRules, AFileInEtcTakesThePlaceOfTheShippedOne) {
    const std::string claim = "ENV{PRODUCT}==\"1a86/7523/*\"\n";
    const struct {
        std::vector<std::pair<std::string, std::string>> files; // path under root, content
        bool nullInEtc;                                         // etc's file links to /dev/null
        bool claims;
    } cases[] = {
        {{{"usr/lib/udev/rules.d/85-brltty.rules", claim}}, false, true},
        {{{"lib/udev/rules.d/85-brltty.rules", claim}}, false, true},
        {{{"usr/lib/udev/rules.d/85-brltty.rules", claim}}, true, false},
        {{{"usr/lib/udev/rules.d/85-brltty.rules", claim},
          {"etc/udev/rules.d/85-brltty.rules", "# switched off\n"}},
         false,
         false},
        {{{"usr/lib/udev/rules.d/85-other.rules", claim}}, false, false},
        {{}, false, false},
    };
    for (const auto& c : cases) {
        TemporaryDirectory root("re2_brltty_");
        for (const auto& [path, text] : c.files) {
            std::filesystem::create_directories(
                std::filesystem::path(root.PathOf(path)).parent_path());
            std::ofstream(root.PathOf(path)) << text;
        }
        if (c.nullInEtc) {
            std::filesystem::create_directories(root.PathOf("etc/udev/rules.d"));
            std::filesystem::create_symlink("/dev/null",
                                            root.PathOf("etc/udev/rules.d/85-brltty.rules"));
        }
        EXPECT_EQ(BrlttyClaimsUsbSerial(root.Path() + "/"), c.claims)
            << (c.files.empty() ? "" : c.files.back().first) << " null " << c.nullInEtc;
    }
}

} // namespace
