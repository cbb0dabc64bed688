#include "measure/repeat_readout.h"

#include "base/device_time.h"
#include "base/readout_part_folder.h"
#include "base/text_format.h"
#include "device/device_session.h"
#include "link/protocol.h"
#include "link/transfer_rate.h"
#include "measure/recorder_end_marker.h"
#include "measure/repeat_readout_plan.h"

#include <atomic>
#include <cstring>
#include <random>

namespace {

std::atomic<std::uint32_t> g_seed{0};

std::uint32_t Seed() {
    const std::uint32_t seed = g_seed.load();
    return seed != 0 ? seed : std::random_device{}();
}

// Why the kept image cannot be built on at now, before anything is read; empty when it can.
std::string WhyNotRepeat(const t_kept_image& kept, std::int64_t now) {
    const std::string since = LocalTimeText(kept.readoutTime);
    if (now < kept.readoutTime) {
        return Format("Zegar komputera jest cofnięty względem odczytu z %s", since.c_str());
    }
    if (static_cast<std::uint64_t>(now - kept.readoutTime) * 3 >= protocol::kRecorderSize) {
        return Format("Od odczytu z %s minęło więcej czasu, niż mieści pamięć rejestratora",
                      since.c_str());
    }
    if (kept.repeats >= kMaxRepeatReadouts || now < kept.fullReadoutTime ||
        now - kept.fullReadoutTime >= kMaxRepeatSpanSeconds) {
        return Format("Od pełnego odczytu z %s minęło 7 dni lub było już %u odczytów nowych "
                      "pomiarów",
                      LocalTimeText(kept.fullReadoutTime).c_str(), kMaxRepeatReadouts);
    }
    if (!RecorderEndMarker(kept.image.data(), kept.image.size())) {
        return Format("Obraz z odczytu z %s nie ma znacznika końca pomiarów", since.c_str());
    }
    return {};
}

std::string WhyFull(RepeatVerdict verdict, const std::string& since) {
    switch (verdict) {
    case RepeatVerdict::Changed:
        return Format("Pamięć urządzenia różni się od obrazu z odczytu z %s nie tylko nowymi "
                      "pomiarami",
                      since.c_str());
    case RepeatVerdict::NoEndMarker:
        return "W pamięci urządzenia nie ma znacznika końca nowych pomiarów";
    case RepeatVerdict::TooMuchNew:
        return Format("Nowych danych jest więcej, niż urządzenie mogło zapisać od odczytu z %s",
                      since.c_str());
    default:
        return {};
    }
}

} // namespace

void SetRepeatReadoutSeedForTest(std::uint32_t seed) {
    g_seed = seed;
}

bool CKeptImageKeeper::Open(const t_readout_identity& identity, std::int64_t now) {
    const t_readout_part_folder folder = m_session.ReadoutPartFolder();
    const std::string path = KeptImagePath(folder.directory, identity.factoryNumber);
    // The part's keeper has said why, when images cannot be kept here.
    if (!PrepareReadoutPartFolder(folder).empty() || !ReadoutPartFileProblem(path).empty()) {
        return false;
    }
    RemoveStaleKeptImages(folder.directory, now);
    m_path = path;
    m_identity = identity;
    bool heldElsewhere = false;
    t_kept_image kept;
    if (!m_holder.Read(path, kept, heldElsewhere)) {
        if (heldElsewhere) {
            // Another readout of a device with this factory number is under way: neither
            // reads nor replaces the other's image.
            m_session.Notice(Format("Obraz %s jest używany przez inny odczyt: odczyt całości, "
                                    "obraz nie zostanie zachowany",
                                    path.c_str()));
            m_path.clear();
        }
        return false;
    }
    m_found = kept.identity == identity;
    if (m_found) {
        m_kept = std::move(kept);
    }
    return m_found;
}

void CKeptImageKeeper::Save(const std::vector<std::uint8_t>& image, std::int64_t now, bool repeat,
                            bool told) {
    if (m_path.empty()) {
        return;
    }
    t_kept_image kept;
    kept.identity = m_identity;
    kept.readoutTime = now;
    kept.fullReadoutTime = repeat ? m_kept.fullReadoutTime : now;
    kept.repeats = repeat ? m_kept.repeats + 1 : 0;
    kept.image = image;
    if (!CKeptImageHolder::Write(m_path, kept) && !told) {
        m_session.Notice(Format("Nie można zachować obrazu pamięci %s: %s", m_path.c_str(),
                                std::strerror(errno)));
    }
    m_holder.Release();
}

RepeatOutcome ReadOnlyWhatIsNew(CDeviceSession& session, const CKeptImageKeeper& keeper,
                                KeptImageUse use, std::int64_t now,
                                std::vector<std::uint8_t>& memory, std::uint32_t& bytesRead) {
    bytesRead = 0;
    const t_kept_image& kept = keeper.Kept();
    if (use == KeptImageUse::Ignore || !keeper.Found()) {
        return RepeatOutcome::Full;
    }
    const std::string since = LocalTimeText(kept.readoutTime);
    if (const std::string why = WhyNotRepeat(kept, now); !why.empty()) {
        session.ConsoleWrite(why + ": odczyt całości", 1);
        return RepeatOutcome::Full;
    }
    if (use == KeptImageUse::Ask &&
        !session.AskYesNo(Format("Odczytać tylko nowe pomiary od odczytu z %s?", since.c_str()))) {
        return RepeatOutcome::Full;
    }
    CRepeatReadoutPlan plan(kept.image.data(),
                            *RecorderEndMarker(kept.image.data(), kept.image.size()),
                            now - kept.readoutTime, Seed());
    std::vector<std::uint8_t> read(protocol::kRecorderSize);
    if (!session.ReadChunkList(protocol::kBlockRecorder, kept.image.data(), plan, read.data())) {
        return RepeatOutcome::Ended;
    }
    if (plan.Verdict() != RepeatVerdict::Same) {
        session.ConsoleWrite(WhyFull(plan.Verdict(), since) + ": odczyt całości", 1);
        return RepeatOutcome::Full;
    }
    bytesRead = plan.Planned();
    memory = std::move(read);
    session.ConsoleWrite(Format("Odczyt tylko nowych pomiarów od odczytu z %s: %s B", since.c_str(),
                                FormatByteCount(bytesRead).c_str()),
                         1);
    return RepeatOutcome::Done;
}
