#include "device/settings_keys.h"

#include "base/text_format.h"
#include "device/configuration_record.h"
#include "device/przeglady_record.h"
#include "device/relays_record.h"
#include "device/settings_limits.h"
#include "link/protocol.h"

namespace {

using namespace settings_limits;
using K = t_settings_kind;
using Conf = t_configuration_record;
using Prog = t_programmer_record;
using Insp = t_przeglady_record;
using Rel = t_relays_record;

// The years an inspection date may take: the editor stamps the PC's time, and the
// program's time conversions handle these.
constexpr unsigned kFirstYear = 1970;
constexpr unsigned kLastYear = 9999;
// The relay editor's conditions, bit 0 first.
constexpr const char* kConditionNames[5] = {"we_1", "we_2", "we_3", "we_4", "obszar"};
constexpr int kConditionCount = 5;

t_settings_key Key(int block, std::string key, std::size_t offset, K kind, unsigned minimum,
                   unsigned maximum, const char* unit) {
    t_settings_key k;
    k.block = block;
    k.key = std::move(key);
    k.offset = offset;
    k.kind = kind;
    k.minimum = minimum;
    k.maximum = maximum;
    k.unit = unit;
    return k;
}

t_settings_key FactoryNumber(int block, std::size_t offset) {
    t_settings_key k =
        Key(block, "nr_fabryczny", offset, K::Number16, kMinFactoryNumber, kMaxFactoryNumber, "");
    k.neverWritten = true;
    return k;
}

void AddConfiguration(std::vector<t_settings_key>& keys) {
    constexpr int b = protocol::kBlockConfiguration;
    keys.push_back(FactoryNumber(b, Conf::kFactoryNumber));
    keys.push_back(Key(b, "stala_napedu_w_gore", Conf::kDriveUp, K::Number16, kMinDriveConstant,
                       kMaxDriveConstant, "mm/impuls"));
    keys.push_back(Key(b, "stala_napedu_w_dol", Conf::kDriveDown, K::Number16, kMinDriveConstant,
                       kMaxDriveConstant, "mm/impuls"));
    keys.push_back(Key(b, "opis", Conf::kDescription, K::Text16, 0, kDescriptionMaxChars, ""));
    keys.push_back(Key(b, "dlugosc_trasy", Conf::kRouteLength, K::Number16, kMinPositionMetres,
                       kMaxMetres, "m"));
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<std::size_t>(i);
        keys.push_back(Key(b, Format("polozenie_punktu_kontrolnego_%d", i + 1),
                           Conf::kCheckPoints + 2 * n, K::Number16, kMinPositionMetres, kMaxMetres,
                           "m"));
        keys.push_back(Key(b, Format("we%d_punkt_kontrolny", i + 1), Conf::kCheckPointFlags + n,
                           K::Flag8, 0, 1, ""));
    }
    keys.push_back(Key(b, "szerokosc_strefy_kontroli", Conf::kZoneWidth, K::Number8, kMinZoneWidth,
                       kMaxZoneWidth, "m"));
    keys.push_back(Key(b, "poziom_niskiego_napiecia_zasilania", Conf::kVoltageLevel, K::Tenths8,
                       kMinLowSupplyTenths, kMaxLowSupplyTenths, "V"));
}

void AddInspections(std::vector<t_settings_key>& keys) {
    constexpr int b = protocol::kBlockInspections;
    for (int i = 0; i < Insp::kSlots; ++i) {
        keys.push_back(Key(b, Format("przeglad_%d_data", i + 1),
                           Insp::kFirstSlot + sizeof(t_device_time) * static_cast<std::size_t>(i),
                           K::DateTime, kFirstYear, kLastYear, ""));
    }
    keys.push_back(Key(b, "odstep_pomiedzy_przegladami", Insp::kInterval, K::Number16,
                       static_cast<unsigned>(kMinInterval), static_cast<unsigned>(kMaxInterval),
                       "dni"));
}

void AddRelays(std::vector<t_settings_key>& keys) {
    constexpr int b = protocol::kBlockRelays;
    for (int relay = 0; relay < Rel::kRelays; ++relay) {
        const std::size_t base =
            Rel::kFirstRelay + Rel::kRelaySize * static_cast<std::size_t>(relay);
        for (int range = 0; range < Rel::kRanges; ++range) {
            const std::size_t at = base + 4 * static_cast<std::size_t>(range);
            keys.push_back(Key(b, Format("pk%d_zakres_%d_min", relay + 1, range + 1), at,
                               K::Number16, kMinRangeMetres, kMaxMetres, "m"));
            keys.push_back(Key(b, Format("pk%d_zakres_%d_max", relay + 1, range + 1), at + 2,
                               K::Number16, kMinRangeMetres, kMaxMetres, "m"));
        }
        for (int n = 0; n < kConditionCount; ++n) {
            t_settings_key k = Key(b, Format("pk%d_%s", relay + 1, kConditionNames[n]),
                                   base + Rel::kConditions, K::Bit, 0, 1, "");
            k.bit = static_cast<std::uint8_t>(1u << n);
            keys.push_back(k);
        }
        for (int n = 0; n < kConditionCount; ++n) {
            t_settings_key k = Key(b, Format("pk%d_%s_negacja", relay + 1, kConditionNames[n]),
                                   base + Rel::kNegations, K::Bit, 0, 1, "");
            k.bit = static_cast<std::uint8_t>(1u << n);
            keys.push_back(k);
        }
    }
}

void AddProgrammer(std::vector<t_settings_key>& keys) {
    constexpr int b = protocol::kBlockProgrammer;
    keys.push_back(FactoryNumber(b, Prog::kFactoryNumber));
    keys.push_back(Key(b, "czas_automatycznego_wylaczenia", Prog::kPowerOffTime, K::Number16,
                       kMinPowerOffTime, kMaxPowerOffTime, "s"));
    keys.push_back(Key(b, "niskie_napiecie_zasilania", Prog::kVoltage, K::Number8,
                       kMinProgrammerVoltage, kMaxProgrammerVoltage, "V"));
    keys.push_back(Key(b, "opis", Prog::kDescription, K::Text16, 0, kDescriptionMaxChars, ""));
}

std::vector<t_settings_key> MakeKeys() {
    std::vector<t_settings_key> keys;
    AddConfiguration(keys);
    AddInspections(keys);
    AddRelays(keys);
    AddProgrammer(keys);
    return keys;
}

struct t_section {
    int block;
    std::string_view name;
};
constexpr t_section kSections[] = {
    {protocol::kBlockConfiguration, "konfiguracja"},
    {protocol::kBlockInspections, "przeglady"},
    {protocol::kBlockRelays, "przekazniki"},
    {protocol::kBlockProgrammer, "dane_programatora"},
};

} // namespace

const std::vector<t_settings_key>& SettingsKeys() {
    static const std::vector<t_settings_key> keys = MakeKeys();
    return keys;
}

const t_settings_key* FindSettingsKey(int block, std::string_view key) {
    for (const t_settings_key& k : SettingsKeys()) {
        if (k.block == block && k.key == key) {
            return &k;
        }
    }
    return nullptr;
}

const std::vector<int>& SettingsBlocks() {
    static const std::vector<int> blocks = [] {
        std::vector<int> ids;
        for (const t_section& s : kSections) {
            ids.push_back(s.block);
        }
        return ids;
    }();
    return blocks;
}

std::string_view SettingsSectionName(int block) {
    for (const t_section& s : kSections) {
        if (s.block == block) {
            return s.name;
        }
    }
    return {};
}

int SettingsBlockOfSection(std::string_view name) {
    for (const t_section& s : kSections) {
        if (s.name == name) {
            return s.block;
        }
    }
    return 0;
}

std::size_t SettingsKeyWidth(t_settings_kind kind) {
    switch (kind) {
    case K::Number16:
        return 2;
    case K::Text16:
        return kDescriptionField;
    case K::DateTime:
        return sizeof(t_device_time);
    case K::Number8:
    case K::Tenths8:
    case K::Flag8:
    case K::Bit:
        break;
    }
    return 1;
}

std::vector<std::uint8_t> SettingsCoverage(int block) {
    std::vector<std::uint8_t> mask(protocol::BlockSize(block), 0);
    for (const t_settings_key& k : SettingsKeys()) {
        if (k.block != block) {
            continue;
        }
        const std::size_t width = SettingsKeyWidth(k.kind);
        for (std::size_t i = k.offset; i < k.offset + width && i < mask.size(); ++i) {
            mask[i] |= k.kind == K::Bit ? k.bit : 0xFF;
        }
    }
    return mask;
}
