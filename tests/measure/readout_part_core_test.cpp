#include "measure/readout_part.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kNow = 1'700'000'000;
constexpr std::int64_t kHour = 3600;

const t_readout_identity kDevice = {17, "Rejestrator \xA3\xF3\x64\xBC", 3, 4711};
const t_readout_identity kOtherDevice = {17, "Rejestrator", 3, 4712};

// The recorder's content, different at every address.
Bytes Memory(std::size_t n) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

// --- The file format, spelled out independently of the writer --------------------------

std::uint32_t Crc32(const Bytes& data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const std::uint8_t b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
    }
    return ~c;
}

void Put(Bytes& out, std::uint64_t value, int n) {
    for (int i = 0; i < n; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

Bytes Record(char kind, const Bytes& payload) {
    Bytes record{static_cast<std::uint8_t>(kind)};
    Put(record, payload.size(), 2);
    record.insert(record.end(), payload.begin(), payload.end());
    Put(record, Crc32(record), 4);
    return record;
}

Bytes Header(const t_readout_identity& id) {
    Bytes payload{'R', 'E', '2', 'P', 1, id.address, id.version};
    Put(payload, id.factoryNumber, 2);
    payload.push_back(static_cast<std::uint8_t>(id.name.size()));
    payload.insert(payload.end(), id.name.begin(), id.name.end());
    return Record('H', payload);
}

// A chunk record of memory [address, address + n).
Bytes Chunk(std::uint32_t address, std::size_t n) {
    static const Bytes memory = Memory(protocol::kRecorderSize + 8192);
    Bytes payload;
    Put(payload, address, 4);
    payload.insert(payload.end(), memory.begin() + address, memory.begin() + address + n);
    return Record('C', payload);
}

Bytes End(std::int64_t time) {
    Bytes payload;
    Put(payload, static_cast<std::uint64_t>(time), 8);
    return Record('E', payload);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

void SetModificationTime(const std::string& path, std::int64_t time) {
    const timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::size_t FileSize(const std::string& path) {
    return static_cast<std::size_t>(fs::file_size(path));
}

class ReadoutPart : public ::testing::Test {
protected:
    TemporaryDirectory m_temporary{"re2_part_"};
    const std::string m_path = m_temporary.PathOf("odczyt-4711.part");
};

// --- Writing and reading back ----------------------------------------------------------

TEST_F(ReadoutPart, WrittenPartReadsBackWithItsIdentityTimeAndBytes) {
    const Bytes memory = Memory(57 * 40);
    CReadoutPartWriter writer;
    ASSERT_TRUE(writer.Create(m_path, kDevice));
    struct stat info;
    ASSERT_EQ(stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    const std::size_t headerOnly = FileSize(m_path);

    // A chunk every 100 ms: the file grows only when a second has passed since the last
    // write, and never loses what it had.
    std::size_t writes = 0;
    std::size_t lastSize = headerOnly;
    for (std::uint32_t i = 0; i < 40; ++i) {
        ASSERT_TRUE(writer.Append(i * 57, memory.data() + i * 57, 57, 5000 + i * 100));
        const std::size_t size = FileSize(m_path);
        EXPECT_GE(size, lastSize);
        writes += size > lastSize ? 1 : 0;
        lastSize = size;
    }
    EXPECT_EQ(writes, 3u); // at 6000, 7000 and 8000 ms
    EXPECT_EQ(writer.Held(), memory.size());
    EXPECT_FALSE(writer.Append(57 * 41, memory.data(), 57, 9000)) << "a gap is refused";
    EXPECT_TRUE(writer.End(kNow));

    t_readout_part part;
    ASSERT_TRUE(ReadReadoutPart(m_path, part));
    EXPECT_EQ(part.identity, kDevice);
    EXPECT_TRUE(part.ended);
    EXPECT_EQ(part.cutTime, kNow);
    EXPECT_EQ(part.bytes, memory);
    EXPECT_EQ(part.chunksEnd, FileSize(m_path) - End(0).size());
}

// --- Untrusted parts ---------------------------------------------------------------------

TEST_F(ReadoutPart, DamagedPartGivesItsValidPrefix) {
    const Bytes header = Header(kDevice);
    const Bytes three = Join({header, Chunk(0, 57), Chunk(57, 57), Chunk(114, 57)});
    Bytes flipped = three;
    flipped[header.size() + Chunk(0, 57).size() + 20] ^= 0x01;
    Bytes longLength = Join({header, Chunk(0, 57), Chunk(57, 57)});
    longLength[header.size() + Chunk(0, 57).size() + 1] = 0xFF;
    Bytes nearEnd = header;
    for (std::uint32_t a = 0; a < protocol::kRecorderSize; a += 4096) {
        nearEnd = Join({nearEnd, Chunk(a, 4096)});
    }
    Bytes badMagic = three;
    badMagic[3] = 'X';
    const t_readout_identity longName = {1, std::string(kPartNameMaxBytes + 1, 'x'), 1, 1};

    struct Case {
        const char* name;
        Bytes file;
        bool isPart;
        std::size_t prefix;
        bool ended;
    };
    const Case cases[] = {
        {"whole", Join({three, End(kNow)}), true, 171, true},
        {"no end record", three, true, 171, false},
        {"empty file", {}, false, 0, false},
        {"truncated in the header", Bytes(header.begin(), header.end() - 1), false, 0, false},
        {"header of another format", badMagic, false, 0, false},
        {"name longer than a frame holds", Header(longName), false, 0, false},
        {"truncated mid-record", Bytes(three.begin(), three.end() - 5), true, 114, false},
        {"flipped byte in a record", flipped, true, 57, false},
        {"length past the end of the file", longLength, true, 57, false},
        {"gap in addresses", Join({header, Chunk(0, 57), Chunk(57, 57), Chunk(200, 57)}), true, 114,
         false},
        {"chunk read twice", Join({header, Chunk(0, 57), Chunk(57, 57), Chunk(57, 57)}), true, 114,
         false},
        {"not from the first byte", Join({header, Chunk(57, 57)}), true, 0, false},
        {"empty chunk", Join({header, Chunk(0, 57), Chunk(57, 0)}), true, 57, false},
        {"oversize count", Join({header, Chunk(0, 57), Chunk(57, kPartChunkMaxBytes + 1)}), true,
         57, false},
        {"up to the recorder's end", nearEnd, true, protocol::kRecorderSize, false},
        {"a record past 475,136 bytes", Join({nearEnd, Chunk(protocol::kRecorderSize, 1)}), true,
         protocol::kRecorderSize, false},
        {"end record of the wrong size", Join({three, Record('E', Bytes(7, 0)), Chunk(171, 57)}),
         true, 171, false},
        {"nothing after the end counts", Join({three, End(kNow), Chunk(171, 57)}), true, 171, true},
        {"second header", Join({three, header, Chunk(171, 57)}), true, 171, false},
    };
    const Bytes memory = Memory(protocol::kRecorderSize);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(m_path, c.file);
        SetModificationTime(m_path, kNow - kHour);
        t_readout_part part;
        part.bytes = {1, 2, 3};
        ASSERT_EQ(ReadReadoutPart(m_path, part), c.isPart);
        if (!c.isPart) {
            EXPECT_EQ(part.bytes, (Bytes{1, 2, 3})) << "untouched";
            continue;
        }
        EXPECT_EQ(part.identity, kDevice);
        ASSERT_EQ(part.bytes.size(), c.prefix);
        EXPECT_TRUE(std::equal(part.bytes.begin(), part.bytes.end(), memory.begin()));
        EXPECT_EQ(part.ended, c.ended);
        EXPECT_EQ(part.cutTime, c.ended ? kNow : kNow - kHour);
    }
}

TEST_F(ReadoutPart, NameThatIsNotARegularFileIsNeitherReadNorWritten) {
    const Bytes good = Join({Header(kDevice), Chunk(0, 57)});
    const std::string target = m_temporary.PathOf("elsewhere.part");
    WriteBytes(target, good);
    ASSERT_EQ(symlink(target.c_str(), m_path.c_str()), 0);
    const std::string fifo = m_temporary.PathOf("odczyt-1.part");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = m_temporary.PathOf("odczyt-2.part");
    fs::create_directory(folder);

    for (const std::string& path : {m_path, fifo, folder}) {
        SCOPED_TRACE(path);
        t_readout_part part;
        EXPECT_FALSE(ReadReadoutPart(path, part));
        CReadoutPartWriter writer;
        EXPECT_FALSE(writer.Create(path, kDevice));
        EXPECT_FALSE(writer.Continue(path, kDevice, part));
    }
    EXPECT_EQ(ReadBytes(target), good) << "the link's target is left alone";
}

// --- Continuing ----------------------------------------------------------------------------

TEST_F(ReadoutPart, ContinuedPartCutsOffItsTornTailAndEndsWhole) {
    const Bytes memory = Memory(57 * 30);
    {
        CReadoutPartWriter writer;
        ASSERT_TRUE(writer.Create(m_path, kDevice));
        for (std::uint32_t i = 0; i < 10; ++i) {
            ASSERT_TRUE(writer.Append(i * 57, memory.data() + i * 57, 57, i * 100));
        }
        ASSERT_TRUE(writer.End(kNow - 60));
    }
    {
        // Continued once, then killed in the middle of a record.
        CReadoutPartWriter writer;
        t_readout_part part;
        ASSERT_TRUE(writer.Continue(m_path, kDevice, part));
        EXPECT_EQ(part.bytes.size(), 570u);
        ASSERT_TRUE(writer.Append(570, memory.data() + 570, 57 * 10, 0));
        ASSERT_TRUE(writer.Flush());
    }
    const Bytes whole = ReadBytes(m_path);
    // The last record loses its last three bytes.
    const Bytes full = Join({whole, Chunk(1140, 57)});
    const Bytes torn(full.begin(), full.end() - 3);
    WriteBytes(m_path, torn);

    const std::size_t before = FileSize(m_path);
    t_readout_part part;
    CReadoutPartWriter other;
    EXPECT_FALSE(other.Continue(m_path, kOtherDevice, part)) << "another device's part";
    EXPECT_EQ(FileSize(m_path), before) << "is left as it was";

    CReadoutPartWriter writer;
    ASSERT_TRUE(writer.Continue(m_path, kDevice, part));
    EXPECT_EQ(FileSize(m_path), whole.size()) << "the torn record is cut off";
    EXPECT_EQ(part.bytes, Bytes(memory.begin(), memory.begin() + 1140));
    EXPECT_FALSE(part.ended);
    ASSERT_EQ(writer.Held(), 1140u);
    ASSERT_TRUE(writer.Append(1140, memory.data() + 1140, memory.size() - 1140, 0));
    ASSERT_TRUE(writer.End(kNow));

    ASSERT_TRUE(ReadReadoutPart(m_path, part));
    EXPECT_EQ(part.bytes, memory);
    EXPECT_EQ(part.cutTime, kNow);
}

// --- Where and how long --------------------------------------------------------------------

TEST_F(ReadoutPart, APartInUseIsRefusedToASecondWriterAndLeftAsItIs) {
    const Bytes memory = Memory(57 * 4);
    CReadoutPartWriter first;
    ASSERT_TRUE(first.Create(m_path, kDevice));
    ASSERT_TRUE(first.Append(0, memory.data(), memory.size(), 0));
    ASSERT_TRUE(first.Flush());
    const Bytes held = ReadBytes(m_path);
    EXPECT_TRUE(IsReadoutPartInUse(m_path));
    // The other readout may be another process or another writer of this one alike.
    CReadoutPartWriter second;
    t_readout_part part;
    for (const bool continued : {false, true}) {
        EXPECT_FALSE(continued ? second.Continue(m_path, kDevice, part)
                               : second.Create(m_path, kDevice))
            << continued;
        EXPECT_EQ(second.Error(), EWOULDBLOCK) << continued;
        EXPECT_TRUE(ReadBytes(m_path) == held) << continued;
    }
    ASSERT_TRUE(first.End(kNow));
    EXPECT_FALSE(IsReadoutPartInUse(m_path));
    EXPECT_TRUE(second.Continue(m_path, kDevice, part));
    EXPECT_EQ(part.bytes, memory);
}

TEST(ReadoutPartFolder, PartsOlderThanADayAreRemovedWhicheverDeviceYoungOnesAndOtherFilesAreKept) {
    TemporaryDirectory folder{"re2_parts_"};
    const struct {
        const char* name;
        Bytes bytes;
        std::int64_t modified;
        bool stale;
    } files[] = {
        {"odczyt-1.part", Join({Header(kDevice), End(kNow - 25 * kHour)}), kNow, true},
        {"odczyt-2.part", Join({Header(kOtherDevice), Chunk(0, 57)}), kNow - 23 * kHour, false},
        {"odczyt-3.part", Join({Header(kOtherDevice), Chunk(0, 57)}), kNow - 25 * kHour, true},
        {"odczyt-4.part", Join({Header(kDevice), End(kNow - 1)}), kNow - 30 * kHour, false},
        {"odczyt-5.part", Join({Header(kDevice), End(kNow + 25 * kHour)}), kNow, true},
        {"odczyt-6.part", Bytes{'x'}, kNow - 25 * kHour, false}, // no part: not ours to remove
        {"odczyt-7.part", Bytes{'x'}, kNow - kHour, false},
        {"notes.txt", Bytes{'x'}, kNow - 90 * kHour, false},
        {".part", Bytes{'x'}, kNow - 90 * kHour, false},
    };
    for (const auto& f : files) {
        WriteBytes(folder.PathOf(f.name), f.bytes);
        SetModificationTime(folder.PathOf(f.name), f.modified);
    }
    fs::create_directory(folder.PathOf("odczyt-8.part"));
    SetModificationTime(folder.PathOf("odczyt-8.part"), kNow - 90 * kHour);
    ASSERT_EQ(symlink("notes.txt", folder.PathOf("odczyt-9.part").c_str()), 0);

    std::vector<std::string> expected;
    for (const auto& f : files) {
        if (f.stale) {
            expected.push_back(folder.PathOf(f.name));
        }
    }
    EXPECT_EQ(StaleReadoutParts(folder.Path(), kNow), expected);
    EXPECT_EQ(RemoveStaleReadoutParts(folder.Path() + "/", kNow), 3);
    for (const auto& f : files) {
        EXPECT_EQ(fs::exists(folder.PathOf(f.name)), !f.stale) << f.name;
    }
    EXPECT_TRUE(fs::is_directory(folder.PathOf("odczyt-8.part")));
    EXPECT_TRUE(fs::is_symlink(folder.PathOf("odczyt-9.part")));

    EXPECT_EQ(ReadoutPartPath(folder.Path() + "/", 2), folder.PathOf("odczyt-2.part"));
    EXPECT_TRUE(RemoveReadoutPart(folder.PathOf("odczyt-2.part")));
    EXPECT_FALSE(fs::exists(folder.PathOf("odczyt-2.part")));
    EXPECT_TRUE(RemoveReadoutPart(folder.PathOf("odczyt-2.part"))) << "already gone";
    EXPECT_FALSE(RemoveReadoutPart(folder.PathOf("odczyt-8.part"))) << "a folder stays";
}

} // namespace
