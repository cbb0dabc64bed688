#include "device/configuration_record.h"
#include "device/przeglady_record.h"
#include "device/relays_record.h"
#include "device/settings_text.h"
#include "link/protocol.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using protocol::kBlockConfiguration;
using protocol::kBlockInspections;
using protocol::kBlockProgrammer;
using protocol::kBlockRelays;

template <class R> std::vector<std::uint8_t> Bytes(const R& r) {
    return {r.bytes.begin(), r.bytes.end()};
}

// The simulator's factory settings of a recorder.
t_settings_blocks RecorderBlocks() {
    t_configuration_record c;
    c.SetFactoryNumber(1234);
    c.SetDriveConstantUp(25);
    c.SetDriveConstantDown(24);
    c.SetDescription("Wyciąg 1");
    c.SetRouteLength(2000);
    const std::uint16_t points[4] = {100, 650, 1350, 1900};
    for (int i = 0; i < 4; ++i) {
        c.SetCheckPoint(i, points[i]);
    }
    c.SetZoneWidth(15);
    c.SetCheckPointFlag(0, 1);
    c.SetCheckPointFlag(3, 1);
    c.SetVoltageLevel(110);

    t_przeglady_record p;
    for (int i = 0; i < 4; ++i) {
        p.SetSlot(i, MakeDeviceTime(2026, 4 - i, 15, 9, 30 + i, 0));
    }
    p.SetInterval(30);

    t_relays_record r;
    const std::uint16_t used[4][2][2] = {
        {{0, 50}, {1950, 2000}}, {{600, 700}, {1300, 1400}}, {{0, 2000}, {}}, {{90, 110}, {}}};
    const int usedCount[4] = {2, 2, 1, 1};
    const std::uint8_t conditions[4] = {0x10, 0x11, 0x01, 0x18};
    const std::uint8_t negations[4] = {0x00, 0x01, 0x00, 0x08};
    for (int relay = 0; relay < 4; ++relay) {
        r.SetOutOfRange(relay);
        for (int k = 0; k < usedCount[relay]; ++k) {
            r.SetRange(relay, k, used[relay][k][0], used[relay][k][1]);
        }
        r.SetConditions(relay, conditions[relay]);
        r.SetNegations(relay, negations[relay]);
    }
    return {
        {kBlockConfiguration, Bytes(c)}, {kBlockInspections, Bytes(p)}, {kBlockRelays, Bytes(r)}};
}

t_settings_blocks ProgrammerBlocks() {
    t_programmer_record p;
    p.SetFactoryNumber(4321);
    p.SetPowerOffTime(300);
    p.SetVoltage(90);
    p.SetDescription("Programator 2");
    return {{kBlockProgrammer, Bytes(p)}};
}

// A recorder whose bytes no editor would write: flags and condition bytes with stray bits,
// values outside the editors' limits, texts with characters that need escaping or fill the
// whole field, an empty slot with bytes after its zero year, a date that does not exist,
// and bytes no key covers.
t_settings_blocks OddRecorderBlocks() {
    t_settings_blocks b = RecorderBlocks();
    std::vector<std::uint8_t>& c = b[kBlockConfiguration];
    c[0] = 0xA5;
    c[35] = 5; // we1_punkt_kontrolny shown as 1
    c[34] = 0; // zone width under the editor's minimum
    c[39] = 255;
    c[49] = 0x7E;
    const std::uint8_t text[16] = {'"', 'a', '\\', 0x01, 0x81, 0xB3, 0xA0, 'z', 0, 'x', 'y'};
    std::copy(std::begin(text), std::end(text), c.begin() + 8);
    std::vector<std::uint8_t>& p = b[kBlockInspections];
    p[2 + 7 * 5 + 0] = 17; // slot 6: year 0, so empty, but a second of 17
    p[2 + 7 * 6 + 4] = 13; // slot 7: month 13
    p[2 + 7 * 6 + 5] = 0xE9;
    p[2 + 7 * 6 + 6] = 0x07;
    p[114] = 0x40; // interval 40000
    p[115] = 0x9C;
    std::vector<std::uint8_t>& r = b[kBlockRelays];
    r[2 + 32] = 0xE1; // pk1 conditions: we_1 and bits 5-7
    r[139] = 0x33;
    return b;
}

t_settings_blocks ProgrammerFullText() {
    t_settings_blocks b = ProgrammerBlocks();
    const char sixteen[] = "ABCDEFGHIJKLMNOP";
    std::copy(sixteen, sixteen + 16, b[kBlockProgrammer].begin() + 7);
    return b;
}

std::string Dump(const t_settings_blocks& blocks) {
    std::string text;
    const auto errors = DumpSettings(blocks, text);
    EXPECT_TRUE(errors.empty()) << errors.front().Text();
    return text;
}

// Parses and applies; the first error of either step, or none.
std::vector<t_settings_error> Plan(const std::string& text, const t_settings_blocks& device,
                                   bool otherDevice, t_settings_plan& plan) {
    t_settings_file file;
    std::vector<t_settings_error> errors = ParseSettingsText(text, file);
    if (errors.empty()) {
        errors = ApplySettings(file, device, otherDevice, plan);
    }
    return errors;
}

t_settings_plan PlanOk(const std::string& text, const t_settings_blocks& device,
                       bool otherDevice = false) {
    t_settings_plan plan;
    const auto errors = Plan(text, device, otherDevice, plan);
    EXPECT_TRUE(errors.empty()) << errors.front().Text();
    return plan;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(SettingsText, DumpParseApplyGivesTheDeviceBytesBack) {
    const struct {
        const char* name;
        t_settings_blocks blocks;
    } cases[] = {
        {"recorder", RecorderBlocks()},
        {"programmer", ProgrammerBlocks()},
        {"odd recorder", OddRecorderBlocks()},
        {"16-character text", ProgrammerFullText()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const t_settings_plan plan = PlanOk(Dump(c.blocks), c.blocks);
        ASSERT_EQ(plan.blocks.size(), c.blocks.size());
        for (const t_settings_block_plan& b : plan.blocks) {
            EXPECT_FALSE(b.changed) << b.block;
            EXPECT_TRUE(b.changes.empty()) << b.block;
            EXPECT_EQ(b.bytes, c.blocks.at(b.block)) << b.block;
        }
        EXPECT_FALSE(plan.otherDevice);
    }
    // Copied onto a blank unit, a dump written by the editors gives every byte but the
    // factory number, so each key is read, shown, parsed and written back alike.
    for (const t_settings_blocks& source : {RecorderBlocks(), ProgrammerBlocks()}) {
        t_settings_blocks blank;
        for (const auto& [id, bytes] : source) {
            blank[id].assign(bytes.size(), 0);
        }
        const t_settings_plan plan = PlanOk(Dump(source), blank, true);
        EXPECT_TRUE(plan.otherDevice);
        for (const t_settings_block_plan& b : plan.blocks) {
            std::vector<std::uint8_t> expected = source.at(b.block);
            if (b.block == kBlockConfiguration || b.block == kBlockProgrammer) {
                expected[2] = expected[3] = 0;
            }
            EXPECT_EQ(b.bytes, expected) << b.block;
        }
    }
}

TEST(SettingsText, DumpShowsTheEditorsValues) {
    const std::string text = Dump(OddRecorderBlocks());
    for (const char* line : {
             "[konfiguracja]\nnr_fabryczny = 1234\nstala_napedu_w_gore = 25\n",
             "\nopis = \"\\\"a\\\\\\x01\\x81ł\\xA0z\"\n",
             "\nwe1_punkt_kontrolny = 1\n",
             "\npoziom_niskiego_napiecia_zasilania = 25.5\n",
             "\n\n[przeglady]\nprzeglad_1_data = 2026-04-15 09:30:00\n",
             "\nprzeglad_6_data =\nprzeglad_7_data = 2025-13-00 00:00:00\n",
             "\npk1_zakres_3_min = 9999\n",
             "\npk1_we_1 = 1\npk1_we_2 = 0\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n--- in ---\n" << text;
    }
    EXPECT_NE(Dump(RecorderBlocks()).find("\npoziom_niskiego_napiecia_zasilania = 11\n"),
              std::string::npos);
}

TEST(SettingsText, EditedFieldsAreWrittenAsTheEditorWrites) {
    const t_settings_blocks device = RecorderBlocks();
    const struct {
        const char* from;
        const char* to;
        int block;
        std::function<void(std::vector<std::uint8_t>&)> edit;
    } cases[] = {
        {"dlugosc_trasy = 2000", "dlugosc_trasy = 2500", kBlockConfiguration,
         [](auto& b) { b[24] = 0xC4, b[25] = 0x09; }},
        {"poziom_niskiego_napiecia_zasilania = 11", "poziom_niskiego_napiecia_zasilania = 12,5",
         kBlockConfiguration, [](auto& b) { b[39] = 125; }},
        {"we2_punkt_kontrolny = 0", "we2_punkt_kontrolny = 1", kBlockConfiguration,
         [](auto& b) { b[36] = 1; }},
        {"opis = \"Wyciąg 1\"", "opis = \"Dźwig \\\"A\\\"\"", kBlockConfiguration,
         [](auto& b) {
             const std::uint8_t text[16] = {'D', 0x9F, 'w', 'i', 'g', ' ', '"', 'A', '"'};
             std::copy(std::begin(text), std::end(text), b.begin() + 8);
         }},
        {"przeglad_5_data =", "przeglad_5_data = 2024-02-29", kBlockInspections,
         [](auto& b) {
             const std::uint8_t t[7] = {0, 0, 0, 29, 2, 0xE8, 0x07};
             std::copy(std::begin(t), std::end(t), b.begin() + 2 + 7 * 4);
         }},
        {"przeglad_1_data = 2026-04-15 09:30:00", "przeglad_1_data =", kBlockInspections,
         [](auto& b) { std::fill_n(b.begin() + 2, 7, 0); }},
        {"pk2_zakres_8_max = 9999", "pk2_zakres_8_max = 0", kBlockRelays,
         [](auto& b) { b[2 + 34 + 28 + 2] = 0, b[2 + 34 + 28 + 3] = 0; }},
        {"pk4_we_4_negacja = 1", "pk4_we_4_negacja = 0", kBlockRelays,
         [](auto& b) { b[2 + 3 * 34 + 33] = 0; }},
    };
    const std::string text = Dump(device);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        const t_settings_plan plan = PlanOk(Replace(text, c.from, c.to), device);
        ASSERT_EQ(plan.blocks.size(), 3u);
        for (const t_settings_block_plan& b : plan.blocks) {
            std::vector<std::uint8_t> expected = device.at(b.block);
            if (b.block == c.block) {
                c.edit(expected);
                ASSERT_EQ(b.changes.size(), 1u);
                const std::string key =
                    std::string(c.from).substr(0, std::string(c.from).find(' '));
                EXPECT_EQ(b.changes[0].key, key);
                const std::string& had = b.changes[0].device;
                EXPECT_EQ(had.empty() ? key + " =" : key + " = " + had, c.from);
            }
            EXPECT_EQ(b.changed, b.block == c.block);
            EXPECT_EQ(b.bytes, expected);
        }
    }
}

TEST(SettingsText, BadFilesNameTheLineTheKeyAndTheRange) {
    const std::string head = "# kopia\n\n[konfiguracja]\n"; // the next line is line 4
    const struct {
        std::string text;
        int line;
        const char* key;
        const char* problem; // a part of it
        const char* allowed;
    } cases[] = {
        {head + "stala_napedu_w_gore = 1000\n", 4, "stala_napedu_w_gore", "", "1..999"},
        {head + "dlugosc_trasy = 70000\n", 4, "dlugosc_trasy", "", "1..9999"},
        {head + "dlugosc_trasy = 12a\n", 4, "dlugosc_trasy", "„12a” nie jest liczbą", "1..9999"},
        {head + "dlugosc_trasy = -1\n", 4, "dlugosc_trasy", "nie jest liczbą", "1..9999"},
        {head + "poziom_niskiego_napiecia_zasilania = 4.9\n", 4,
         "poziom_niskiego_napiecia_zasilania", "", "5.0..20.0"},
        {head + "poziom_niskiego_napiecia_zasilania = 12.25\n", 4,
         "poziom_niskiego_napiecia_zasilania", "jedną cyfrą", "5.0..20.0"},
        {head + "we1_punkt_kontrolny = 2\n", 4, "we1_punkt_kontrolny", "", "0..1"},
        {head + "szerokosc_strefy_kontroli = 0\n", 4, "szerokosc_strefy_kontroli", "", "1..250"},
        {head + "predkosc = 5\n", 4, "predkosc", "nieznany klucz", ""},
        {head + "[ustawienia]\nopis = \"x\"\n", 4, "[ustawienia]", "nieznana sekcja",
         "[konfiguracja], [przeglady], [przekazniki], [dane_programatora]"},
        {head + "opis = \"a\"\nopis = \"b\"\n", 5, "opis", "pierwszy w linii 4", ""},
        {head + "opis = \"0123456789ABCDEF\"\n", 4, "opis", "za długi tekst (16 znaków)",
         "0..15 znaków Windows-1250"},
        {head + "opis = \"0123456789ABCDEFG\"\n", 4, "opis", "za długi tekst (17 znaków)",
         "0..15 znaków Windows-1250"},
        {head + "opis = \"Лифт\"\n", 4, "opis", "znak „Л” (U+041B) nie istnieje w Windows-1250",
         "0..15 znaków Windows-1250"},
        {head + "opis = \"a\xC3\"\n", 4, "opis", "nie jest poprawnym UTF-8", ""},
        {head + "opis = Wyciąg\n", 4, "opis", "w cudzysłowie", ""},
        {head + "opis = \"\\x00\"\n", 4, "opis", "\\xNN (bajt 01-FF)", ""},
        {head + "nr_fabryczny\n", 4, "", "oczekiwano", ""},
        {head + "surowe = 00ff\n", 4, "surowe", "", "50 bajtów jako 100 cyfr szesnastkowych"},
        {"opis = \"a\"\n[konfiguracja]\n", 1, "opis", "przed pierwszą sekcją", ""},
        {"[przeglady]\nprzeglad_2_data = 2026-02-30\n", 2, "przeglad_2_data",
         "„2026-02-30 00:00:00” nie jest prawdziwą datą", "RRRR-MM-DD GG:MM:SS"},
        {"[przeglady]\nprzeglad_2_data = 15.01.2026\n", 2, "przeglad_2_data",
         "„15.01.2026” nie jest datą", "RRRR-MM-DD GG:MM:SS (lata 1970..9999) albo nic"},
        {"[przeglady]\nprzeglad_2_data = 2026-01-15 24:00:00\n", 2, "przeglad_2_data",
         "nie jest prawdziwą datą", ""},
        {"[przeglady]\nodstep_pomiedzy_przegladami = 0\n", 2, "odstep_pomiedzy_przegladami", "",
         "1..99"},
        {"[przekazniki]\npk1_zakres_9_min = 5\n", 2, "pk1_zakres_9_min", "nieznany klucz", ""},
        {"[przekazniki]\r\npk1_zakres_1_min = 10000\r\n", 2, "pk1_zakres_1_min", "", "0..9999"},
        {"[przekazniki]\n[przekazniki]\n", 2, "[przekazniki]", "pierwsza w linii 1", ""},
        {"[dane_programatora]\nopis = \"x\"\n", 1, "[dane_programatora]",
         "urządzenie nie ma tego bloku", ""},
    };
    const t_settings_blocks device = RecorderBlocks();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        t_settings_plan plan;
        const std::vector<t_settings_error> errors = Plan(c.text, device, false, plan);
        ASSERT_EQ(errors.size(), 1u);
        const t_settings_error& e = errors[0];
        EXPECT_EQ(e.line, c.line);
        EXPECT_EQ(e.key, c.key);
        EXPECT_NE(e.problem.find(c.problem), std::string::npos) << e.problem;
        EXPECT_NE(e.allowed.find(c.allowed), std::string::npos) << e.allowed;
        if (*c.problem == '\0') {
            EXPECT_EQ(e.Text(), "linia " + std::to_string(c.line) + ": " + c.key + ": dozwolone " +
                                    c.allowed);
        }
    }
}

TEST(SettingsText, UnchangedNormalisedFieldsKeepTheDeviceBytes) {
    // The editors would write the flag 5 as 1, clear bits 5-7 of a condition byte, cut the
    // text after its zero byte and the voltage 255 would not pass them at all.
    const t_settings_blocks device = OddRecorderBlocks();
    std::string text = Dump(device);
    text = Replace(text, "dlugosc_trasy = 2000", "dlugosc_trasy = 2001");
    text = Replace(text, "pk1_we_2 = 0", "pk1_we_2 = 1");
    const t_settings_plan plan = PlanOk(text, device);
    ASSERT_EQ(plan.blocks.size(), 3u);
    std::vector<std::uint8_t> configuration = device.at(kBlockConfiguration);
    configuration[24] = 2001 & 0xFF;
    EXPECT_EQ(plan.blocks[0].bytes, configuration);
    EXPECT_EQ(plan.blocks[1].bytes, device.at(kBlockInspections));
    EXPECT_FALSE(plan.blocks[1].changed);
    std::vector<std::uint8_t> relays = device.at(kBlockRelays);
    relays[2 + 32] = 0xE3;
    EXPECT_EQ(plan.blocks[2].bytes, relays);
}

TEST(SettingsText, BytesNoKeyCoversComeFromTheFileOnlyForAnotherDevice) {
    const t_settings_blocks device = RecorderBlocks();
    // The same relays with stray condition bits and a last byte no key shows.
    t_settings_blocks source = device;
    source[kBlockRelays][2 + 32] |= 0xE0;
    source[kBlockRelays][139] = 0x33;
    std::string text = Dump(source);
    text = text.substr(text.find("[przekazniki]"));
    for (const bool other : {false, true}) {
        SCOPED_TRACE(other);
        const t_settings_plan plan = PlanOk(text, device, other);
        ASSERT_EQ(plan.blocks.size(), 1u);
        const t_settings_block_plan& b = plan.blocks[0];
        std::vector<std::uint8_t> expected = device.at(kBlockRelays);
        expected[2 + 32] = other ? 0xE0 | expected[2 + 32] : expected[2 + 32];
        expected[139] = other ? 0x33 : 0;
        EXPECT_EQ(b.bytes, expected);
        EXPECT_EQ(b.unshownKept, !other);
        EXPECT_EQ(b.changed, other);
        if (other) {
            ASSERT_EQ(b.changes.size(), 1u);
            EXPECT_EQ(b.changes[0].key, "surowe");
            EXPECT_EQ(b.changes[0].device, "@34=10 @139=00");
            EXPECT_EQ(b.changes[0].file, "@34=f0 @139=33");
        }
    }
}

TEST(SettingsText, FactoryNumberIsNeverWrittenAndAnotherOneIsFlagged) {
    const t_settings_blocks device = RecorderBlocks();
    const std::string text = Dump(device);
    const std::string other = Replace(Replace(text, "nr_fabryczny = 1234", "nr_fabryczny = 777"),
                                      "stala_napedu_w_dol = 24", "stala_napedu_w_dol = 30");
    for (const bool allowed : {false, true}) {
        const t_settings_plan plan = PlanOk(other, device, allowed);
        EXPECT_TRUE(plan.otherDevice);
        EXPECT_EQ(plan.deviceFactoryNumber, 1234u);
        EXPECT_EQ(plan.fileFactoryNumber, 777u);
        const t_settings_block_plan& b = plan.blocks.at(0);
        ASSERT_EQ(b.changes.size(), 1u);
        EXPECT_EQ(b.changes[0].key, "stala_napedu_w_dol");
        EXPECT_EQ(b.bytes[2] | b.bytes[3] << 8, 1234);
        EXPECT_EQ(b.bytes[6], 30);
    }
    EXPECT_FALSE(PlanOk(text, device).otherDevice);
    // A programmer's file names the programmer's number.
    const t_settings_plan programmer =
        PlanOk("[dane_programatora]\nnr_fabryczny = 1\nopis = \"\"\n", ProgrammerBlocks());
    EXPECT_TRUE(programmer.otherDevice);
    EXPECT_EQ(programmer.deviceFactoryNumber, 4321u);
    EXPECT_EQ(programmer.blocks.at(0).bytes[2] | programmer.blocks.at(0).bytes[3] << 8, 4321);
    EXPECT_EQ(programmer.blocks.at(0).bytes[7], 0);
}

TEST(SettingsText, DeviceBlocksOfAWrongSizeAreRefused) {
    t_settings_blocks blocks = RecorderBlocks();
    const std::string text = Dump(blocks);
    blocks[kBlockRelays].pop_back();
    std::string out;
    ASSERT_EQ(DumpSettings(blocks, out).size(), 1u);
    t_settings_plan plan;
    const auto errors = Plan(text, blocks, false, plan);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text(), "[przekazniki]: blok z urządzenia ma 139 bajtów zamiast 140");
    EXPECT_EQ(DumpSettings({{1, {}}}, out).at(0).Text(), "blok 1: to nie blok ustawień");
}

} // namespace
