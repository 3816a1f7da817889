// The ZIP reader over archives built by the tests: plain files, stored and deflated
// members, member choice by path, the two stores and the sticky errors.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>

#include "base/archive_file.h"
#include "support/test_machine.h"
#include "support/zip_writer.h"

namespace {

class ArchiveFileTest : public ::testing::Test {
protected:
    std::string dir = makeTempDir("archive");
    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::string zip(const std::vector<ZipMember>& members) const {
        writeBytes(path("t.zip"), buildZip(members));
        return path("t.zip");
    }
    // The whole member, read from the start after measuring it.
    static Bytes readAll(ArchiveFile* f) {
        Bytes out(archiveSeek(f, 0, 2) == 0 ? size_t(archiveTell(f)) : 0);
        archiveSeek(f, 0, 0);
        out.resize(archiveRead(out.data(), 1, out.size(), f));
        return out;
    }
    // Reading `size` bytes of the archive's first member fails, and so does closing.
    void expectReadFails(const Bytes& archive, size_t size) const {
        writeBytes(path("t.zip"), archive);
        ArchiveFile* f = archiveOpen(path("t.zip").c_str());
        ASSERT_NE(f, nullptr);
        Bytes out(size);
        EXPECT_EQ(archiveRead(out.data(), 1, size, f), 0u);
        EXPECT_NE(archiveClose(f), 0);
    }
};

}  // namespace

TEST_F(ArchiveFileTest, PlainFileReadsLikeTheFile) {
    Bytes data = testPattern(70000, 1, false);
    writeBytes(path("plain.st"), data);
    ArchiveFile* f = archiveOpenPath(path("plain.st").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(archiveIsMember(f));
    EXPECT_EQ(archiveMemberName(f), nullptr);
    EXPECT_EQ(readAll(f), data);
    ASSERT_EQ(archiveSeek(f, -10, 2), 0);
    uint8_t buffer[12];
    EXPECT_EQ(archiveRead(buffer, 3, 4, f), 3u);  // whole elements only, cut at the end
    EXPECT_EQ(archiveTell(f), int64_t(data.size() - 1));
    EXPECT_EQ(0, std::memcmp(buffer, &data[data.size() - 10], 9));
    EXPECT_EQ(archiveClose(f), 0);
    EXPECT_EQ(archiveOpenPath(path("missing.st").c_str()), nullptr);
    EXPECT_EQ(archiveOpenPath(dir.c_str()), nullptr);
}

TEST_F(ArchiveFileTest, WalksStoredAndDeflatedMembersToTheEnd) {
    Bytes first = testPattern(5000, 2, true), second = testPattern(9000, 3, false);
    ArchiveFile* f = archiveOpen(zip({{"first.st", first, false}, {"Second.MSA", second}}).c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(archiveIsMember(f));
    EXPECT_STREQ(archiveMemberName(f), "first.st");
    EXPECT_EQ(readAll(f), first);
    ASSERT_EQ(archiveNextMember(f), 0);
    EXPECT_STREQ(archiveMemberName(f), "Second.MSA");
    EXPECT_EQ(readAll(f), second);
    // The central directory follows: the walk ends there, in the error state.
    EXPECT_EQ(archiveNextMember(f), -1);
    EXPECT_EQ(archiveTell(f), -1);
    EXPECT_EQ(archiveSeek(f, 0, 0), -1);
    uint8_t byte;
    EXPECT_EQ(archiveRead(&byte, 1, 1, f), 0u);
    EXPECT_NE(archiveClose(f), 0);
}

TEST_F(ArchiveFileTest, PathChoosesMemberWithoutRegardToCase) {
    Bytes disk = testPattern(20000, 4, true), notes = testPattern(100, 5, true);
    writeBytes(path("Games.ZIP"), buildZip({{"readme.txt", notes}, {"folder/disk2.st", disk}, {"disk1.st", disk}}));
    ArchiveFile* f = archiveOpenPath(path("Games.ZIP/DISK1.ST").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(readAll(f), disk);
    EXPECT_EQ(archiveClose(f), 0);
    // Members inside a folder of the archive are not reached by a path.
    EXPECT_EQ(archiveOpenPath(path("Games.ZIP/disk2.st").c_str()), nullptr);
    EXPECT_EQ(archiveOpenPath(path("Games.ZIP/folder/disk2.st").c_str()), nullptr);
    f = archiveOpenPath(path("Games.ZIP").c_str());  // the archive itself: its first member
    EXPECT_EQ(readAll(f), notes);
    archiveClose(f);
    std::filesystem::create_directories(path("real.zip"));  // a folder named like an archive
    writeBytes(path("real.zip/disk.st"), disk);
    f = archiveOpenPath(path("real.zip/disk.st").c_str());
    EXPECT_EQ(readAll(f), disk);
    archiveClose(f);
}

TEST_F(ArchiveFileTest, LargeMembersGoToATemporaryFileAndDecodeOnlyAsFarAsRead) {
    Bytes small = testPattern(ARCHIVE_MEMORY_LIMIT - 1, 7, true), large = testPattern(300 * 1024, 8, true);
    ArchiveFile* f = archiveOpen(zip({{"small.st", small}, {"large.st", large}}).c_str());
    EXPECT_EQ(f->store, ArchiveStore::Memory);
    EXPECT_EQ(readAll(f), small);
    ASSERT_EQ(archiveNextMember(f), 0);
    EXPECT_EQ(f->store, ArchiveStore::TemporaryFile);
    ASSERT_EQ(archiveSeek(f, 100000, 0), 0);
    uint8_t piece[1000];
    ASSERT_EQ(archiveRead(piece, 1000, 1, f), 1u);
    EXPECT_EQ(0, std::memcmp(piece, &large[100000], 1000));
    EXPECT_LT(f->produced, large.size());
    EXPECT_EQ(readAll(f), large);
    EXPECT_EQ(archiveClose(f), 0);
}

TEST_F(ArchiveFileTest, SeekingStaysWithinTheMember) {
    Bytes data = testPattern(4000, 9, true);
    std::string archive = zip({{"a.st", data}});
    ArchiveFile* f = archiveOpen(archive.c_str());
    ASSERT_EQ(archiveSeek(f, 100, 0), 0);
    ASSERT_EQ(archiveSeek(f, 50, 1), 0);
    EXPECT_EQ(archiveTell(f), 150);
    ASSERT_EQ(archiveSeek(f, 0, 2), 0);
    uint8_t byte;
    EXPECT_EQ(archiveRead(&byte, 1, 1, f), 0u);  // at the end: nothing, and no error
    EXPECT_EQ(archiveTell(f), int64_t(data.size()));
    EXPECT_EQ(archiveSeek(f, 1, 2), -1);
    EXPECT_EQ(archiveTell(f), -1);
    archiveClose(f);
    for (auto [offset, origin] : {std::pair<int64_t, int>{-1, 0}, {0, 3}}) {
        f = archiveOpen(archive.c_str());
        EXPECT_EQ(archiveSeek(f, offset, origin), -1);
        archiveClose(f);
    }
}

TEST_F(ArchiveFileTest, DamagedMembersFail) {
    Bytes data = testPattern(50000, 10, true);
    // A wrong CRC-32 decodes completely, but closing reports it.
    ArchiveFile* f = archiveOpen(zip({{"a.st", data, true, 0x100}}).c_str());
    EXPECT_EQ(readAll(f), data);
    EXPECT_NE(archiveClose(f), 0);

    // Encrypted, an unknown method, a declared size off by one either way.
    const ZipMember odd[] = {{"enc.st", data, true, 0, 1}, {"bz.st", data, true, 0, 0, 12},
                             {"a.st", data, true, 0, 0, -1, int64_t(data.size() - 1)},
                             {"a.st", data, true, 0, 0, -1, int64_t(data.size() + 1)}};
    for (const ZipMember& m : odd) {
        SCOPED_TRACE(m.name);
        expectReadFails(buildZip({m}), m.uncompressedSize >= 0 ? size_t(m.uncompressedSize) : data.size());
    }
    Bytes cut = buildZip({{"a.st", data}});
    cut.resize(cut.size() / 2);
    expectReadFails(cut, data.size());
}

// Streaming writers put the CRC and sizes after the data (flag bit 3); the reader takes
// them from the central directory, still checks the CRC, and walks on past the data
// descriptor, with or without its signature.
TEST_F(ArchiveFileTest, StreamedMembersTakeTheirSizesFromTheCentralDirectory) {
    Bytes large = testPattern(300 * 1024, 11, true), small = testPattern(3000, 12, false);
    Bytes last = testPattern(900, 13, true);
    ZipMember first{"large.st", large}, second{"small.st", small, false}, third{"last.msa", last};
    first.streamed = second.streamed = true;
    second.descriptorSignature = false;
    std::string archive = zip({first, second, third});
    ArchiveFile* f = archiveOpen(archive.c_str());
    ASSERT_NE(f, nullptr);
    for (const ZipMember* m : {&first, &second, &third}) {
        EXPECT_STREQ(archiveMemberName(f), m->name.c_str());
        EXPECT_EQ(readAll(f), m->data) << m->name;
        if (m != &third) {
            ASSERT_EQ(archiveNextMember(f), 0) << "after " << m->name;
        }
    }
    EXPECT_EQ(archiveNextMember(f), -1);
    archiveClose(f);

    f = archiveOpenPath((archive + "/LAST.MSA").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(readAll(f), last);
    EXPECT_EQ(archiveClose(f), 0);

    first.crcXor = 0x10;
    f = archiveOpen(zip({first}).c_str());
    EXPECT_EQ(readAll(f), large);
    EXPECT_NE(archiveClose(f), 0) << "the directory's CRC is checked";

    // Without a central directory the sizes are unknown: the member cannot be read.
    Bytes cut = buildZip({second});
    cut.resize(cut.size() - 22 - 46 - second.name.size());
    expectReadFails(cut, 1);
}

// The central directory leads to a member only where the local header agrees with it;
// without a directory (or where it names something else) the members are walked.
TEST_F(ArchiveFileTest, MembersAreFoundByWalkingWhereTheDirectoryFailsThem) {
    Bytes a = testPattern(700, 14, true), b = testPattern(900, 15, true);
    Bytes archive = buildZip({{"a.st", a}, {"b.st", b}});
    Bytes lying = archive, noDirectory = archive;
    size_t firstEntry = archive.size() - 22 - 2 * (46 + 4);
    ASSERT_EQ(std::memcmp(&archive[firstEntry], "PK\1\2", 4), 0);
    lying[firstEntry + 46] = 'b';  // the first entry now says "b.st" for a's header
    noDirectory.resize(firstEntry);
    for (const Bytes* bytes : {&lying, &noDirectory}) {
        writeBytes(path("t.zip"), *bytes);
        ArchiveFile* f = archiveOpenPath(path("t.zip/B.ST").c_str());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(readAll(f), b);
        EXPECT_EQ(archiveClose(f), 0);
    }
}

// The directory is read once for the open archive, not once for every streamed member
// the walk passes: the last of 65,534 is found at once (the bound is on the process's
// processor time and leaves room for a slow sanitizer build; bench_floppy measures the
// time itself).
TEST_F(ArchiveFileTest, TheLastOfManyStreamedMembersOpensAtOnce) {
    std::vector<ZipMember> members(65534);
    for (size_t i = 0; i < members.size(); ++i) {
        members[i] = {"m" + std::to_string(i) + ".st", {uint8_t(i)}, false};
        members[i].streamed = true;
    }
    std::string archive = zip(members);
    std::clock_t start = std::clock();
    ArchiveFile* f = archiveOpenPath((archive + "/m65533.st").c_str());
    double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(readAll(f), Bytes{uint8_t(65533)});
    EXPECT_EQ(archiveClose(f), 0);
    EXPECT_LT(seconds, 5.0);
}
