#pragma once
// Read-only access to a plain file or to the members of a ZIP archive, one member at
// a time. Members are walked through their local file headers from the start of the
// archive. The central directory is read once for the open archive, when a member is
// looked up by name or a member's sizes follow its data (streamed archives): an index
// of names and sizes, so that an archive of tens of thousands of members opens at once. Deflated members are decompressed by our own decoder as far as
// reads need, into 32 KB memory chunks when small and into an anonymous temporary file
// from 256 KB on. Any failure sets a sticky error flag: reads then return nothing,
// seeks and tells -1, close non-zero.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/inflate.h"

constexpr uint32_t ZIP_LOCAL_SIGNATURE = 0x04034B50;  // "PK\3\4"
constexpr uint32_t ZIP_LOCAL_HEADER_SIZE = 30;
constexpr uint32_t ZIP_CENTRAL_SIGNATURE = 0x02014B50;     // "PK\1\2"
constexpr uint32_t ZIP_CENTRAL_HEADER_SIZE = 46;
constexpr uint32_t ZIP_END_SIGNATURE = 0x06054B50;         // "PK\5\6"
constexpr uint32_t ZIP_END_RECORD_SIZE = 22;
constexpr uint32_t ZIP_DESCRIPTOR_SIGNATURE = 0x08074B50;  // "PK\7\8"
constexpr uint16_t ZIP_FLAG_ENCRYPTED = 1;
constexpr uint16_t ZIP_FLAG_DATA_DESCRIPTOR = 8;  // CRC and sizes follow the data
constexpr uint32_t ARCHIVE_INPUT_SIZE = 8192;         // compressed bytes read at a time
constexpr uint32_t ARCHIVE_CHUNK_SIZE = 32768;
constexpr uint32_t ARCHIVE_MAX_CHUNKS = 2048;         // 64 MB
constexpr uint32_t ARCHIVE_MEMORY_LIMIT = 0x40000;    // members this large go to a temporary file
constexpr uint32_t ARCHIVE_MAX_MEMBER = ARCHIVE_CHUNK_SIZE * ARCHIVE_MAX_CHUNKS;

enum ZipMethod : uint16_t { ZIP_STORED = 0, ZIP_DEFLATED = 8 };

struct ZipLocalHeader {
    uint32_t signature;
    uint16_t version, flags, method, time, date;
    uint32_t crc32, compressedSize, uncompressedSize;
    uint16_t nameLength, extraLength;
};

// A member as the central directory gives it: where its local header starts, its
// CRC-32, sizes and name.
struct ZipDirectoryEntry {
    uint64_t headerOffset;
    uint32_t crc32, compressedSize, uncompressedSize;
    std::string name;
};

// Where a member's bytes are read from: the host file itself (stored members and plain
// files), the memory chunks, or the temporary file.
enum class ArchiveStore { HostFile, Memory, TemporaryFile };

struct ArchiveFile {
    bool error;
    uint8_t input[ARCHIVE_INPUT_SIZE];  // also receives each local header as read
    ArchiveStore store;
    uint8_t* chunks[ARCHIVE_MAX_CHUNKS];
    FILE* temporary;
    uint32_t consumed;  // compressed bytes fed to the decoder
    uint32_t produced;  // decompressed bytes stored
    uint64_t headerOffset, dataOffset;
    ZipLocalHeader header;
    char* name;  // the member's name; null for a plain file
    FILE* host;
    InflateState* inflate;  // deflated members only
    uint32_t position;
    uint32_t crc;
    // Read when first needed, sorted by header offset; empty when the archive has no
    // readable directory.
    bool directoryRead;
    std::vector<ZipDirectoryEntry> directory;
};

// Null when the record or the host file cannot be had; only what base/input_file.h
// accepts is opened (inputFileError() says why not).
ArchiveFile* archiveOpen(const char* path);
// Opens the file a disk path names: "dir/games.zip/DISK1.ST" opens the member of
// games.zip whose name is disk1.st (case ignored; members inside folders of the archive
// are not matched); any other path is opened as it is, which for an archive reads its
// first member. Null when the file or the member cannot be found.
ArchiveFile* archiveOpenPath(const char* path);
// Why the last archiveOpenPath gave null, for the user.
const std::string& archiveOpenError();
// Whole elements read, cut at the member's end; 0 on failure.
size_t archiveRead(void* destination, size_t size, size_t count, ArchiveFile* file);
// origin 0 = start, 1 = current, 2 = end; 0, or -1 for a bad origin or a position
// outside 0..size.
int archiveSeek(ArchiveFile* file, int64_t offset, int origin);
int64_t archiveTell(const ArchiveFile* file);
// Finishes the member (decoder end and CRC check) and frees the record: the error flag.
int archiveClose(ArchiveFile* file);
const char* archiveMemberName(const ArchiveFile* file);
// Moves to the next member: 0 when one was found, -1 at the end (error state).
int archiveNextMember(ArchiveFile* file);
// Moves to the first member, in archive order, whose name is `name` (case ignored):
// through the central directory, or by walking the members where the directory does
// not have it. False (error state) when there is none.
bool archiveFindMember(ArchiveFile* file, const char* name);
bool archiveIsMember(const ArchiveFile* file);
