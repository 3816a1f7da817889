#include "base/archive_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>
#include <vector>

#include "base/crc32.h"
#include "base/input_file.h"
#include "base/little_endian.h"


static bool seekHost(FILE* file, uint64_t offset) {
    return offset <= uint64_t(INT64_MAX) && fseeko(file, off_t(offset), SEEK_SET) == 0;
}

static bool readHost(FILE* file, uint64_t offset, void* destination, size_t count) {
    return seekHost(file, offset) && fread(destination, 1, count, file) == count;
}

// The decoder's output: checked against the declared size, added to the running CRC and
// stored at the current end of the member.
static int storeOutput(void* owner, const uint8_t* bytes, uint32_t count) {
    auto* f = static_cast<ArchiveFile*>(owner);
    if (uint64_t(f->produced) + count > f->header.uncompressedSize) return 1;
    f->crc = crc32Update(f->crc, bytes, count);
    if (f->store == ArchiveStore::TemporaryFile) {
        if (!seekHost(f->temporary, f->produced) || fwrite(bytes, 1, count, f->temporary) != count) return 1;
        f->produced += count;
        return 0;
    }
    while (count > 0) {
        uint32_t index = f->produced / ARCHIVE_CHUNK_SIZE, at = f->produced % ARCHIVE_CHUNK_SIZE;
        if (index >= ARCHIVE_MAX_CHUNKS) return 1;
        if (!f->chunks[index] && !(f->chunks[index] = new (std::nothrow) uint8_t[ARCHIVE_CHUNK_SIZE])) return 1;
        uint32_t n = std::min(count, ARCHIVE_CHUNK_SIZE - at);
        std::memcpy(f->chunks[index] + at, bytes, n);
        bytes += n;
        count -= n;
        f->produced += n;
    }
    return 0;
}

static void releaseStore(ArchiveFile* f) {
    for (uint8_t*& chunk : f->chunks) {
        delete[] chunk;
        chunk = nullptr;
    }
    if (f->temporary) fclose(f->temporary);
    f->temporary = nullptr;
    f->store = ArchiveStore::HostFile;
}

static void prepareDeflated(ArchiveFile* f) {
    // Every member is decompressed into our own store, so a member whose size could
    // fill the host's disk is refused like one too large for memory.
    if (f->header.uncompressedSize > ARCHIVE_MAX_MEMBER) {
        f->error = true;
        return;
    }
    if (f->header.uncompressedSize < ARCHIVE_MEMORY_LIMIT) {
        f->store = ArchiveStore::Memory;
    } else {
        f->store = ArchiveStore::TemporaryFile;
        if (!(f->temporary = tmpfile())) {
            f->error = true;
            return;
        }
    }
    f->inflate = inflateCreate(f, storeOutput, std::malloc, std::free);
    if (!f->inflate) f->error = true;
}

// The central directory, once for the open archive, so that walking an archive of many
// members stays linear.
static void readDirectory(ArchiveFile* f) {
    f->directoryRead = true;
    FILE* host = f->host;
    if (fseeko(host, 0, SEEK_END) != 0) return;
    off_t length = ftello(host);
    if (length < off_t(ZIP_END_RECORD_SIZE)) return;
    // The end record is the last thing in the archive but for a comment of up to 64 KB.
    size_t tailSize = size_t(std::min<off_t>(length, ZIP_END_RECORD_SIZE + 0xFFFF));
    std::vector<uint8_t> tail(tailSize);
    if (!readHost(host, uint64_t(length) - tailSize, tail.data(), tailSize)) return;
    size_t end = tailSize - ZIP_END_RECORD_SIZE + 1;
    while (end > 0 && little32(&tail[end - 1]) != ZIP_END_SIGNATURE) --end;
    if (end == 0) return;
    const uint8_t* record = &tail[end - 1];
    uint32_t directorySize = little32(record + 12), directoryOffset = little32(record + 16);
    if (uint64_t(directoryOffset) + directorySize > uint64_t(length)) return;
    std::vector<uint8_t> bytes(directorySize);
    if (!readHost(host, directoryOffset, bytes.data(), directorySize)) return;
    for (size_t at = 0; at + ZIP_CENTRAL_HEADER_SIZE <= directorySize;) {
        const uint8_t* e = &bytes[at];
        if (little32(e) != ZIP_CENTRAL_SIGNATURE) break;
        uint32_t nameLength = little16(e + 28);
        if (at + ZIP_CENTRAL_HEADER_SIZE + nameLength > directorySize) break;
        f->directory.push_back({little32(e + 42), little32(e + 16), little32(e + 20), little32(e + 24),
                                std::string(reinterpret_cast<const char*>(e + ZIP_CENTRAL_HEADER_SIZE), nameLength)});
        at += ZIP_CENTRAL_HEADER_SIZE + nameLength + little16(e + 30) + little16(e + 32);
    }
    std::stable_sort(f->directory.begin(), f->directory.end(),
                     [](const ZipDirectoryEntry& a, const ZipDirectoryEntry& b) { return a.headerOffset < b.headerOffset; });
}

// A member written by a streaming tool (flag bit 3) has zeros where its local header
// would give the CRC-32 and sizes; they follow its data in a data descriptor, and the
// directory entry that points back at the local header at `headerOffset` repeats them.
static bool readCentralEntry(ArchiveFile* f, uint64_t headerOffset, ZipLocalHeader& h) {
    if (!f->directoryRead) readDirectory(f);
    auto e = std::lower_bound(f->directory.begin(), f->directory.end(), headerOffset,
                              [](const ZipDirectoryEntry& d, uint64_t offset) { return d.headerOffset < offset; });
    if (e == f->directory.end() || e->headerOffset != headerOffset) return false;
    h.crc32 = e->crc32;
    h.compressedSize = e->compressedSize;
    h.uncompressedSize = e->uncompressedSize;
    return true;
}

// The data descriptor after a streamed member's data: CRC-32 and the two sizes, usually
// with a signature of its own in front.
static uint64_t descriptorLength(FILE* host, uint64_t offset) {
    uint8_t first[4];
    return readHost(host, offset, first, 4) && little32(first) == ZIP_DESCRIPTOR_SIGNATURE ? 16 : 12;
}

static void readHeader(ArchiveFile* f, uint64_t offset) {
    f->error = false;
    f->name = nullptr;
    f->store = ArchiveStore::HostFile;
    f->consumed = f->produced = 0;
    f->position = 0;
    f->crc = 0xFFFFFFFF;
    f->headerOffset = offset;
    f->dataOffset = offset;  // past the end, moving on stays there
    f->header = ZipLocalHeader{};
    uint8_t* raw = f->input;
    if (readHost(f->host, offset, raw, ZIP_LOCAL_HEADER_SIZE)) f->header.signature = little32(raw);

    if (f->header.signature != ZIP_LOCAL_SIGNATURE) {
        if (offset != 0) {  // past the last member
            f->error = true;
            return;
        }
        // Not an archive: the file itself is the one member.
        off_t length = -1;
        if (fseeko(f->host, 0, SEEK_END) == 0) length = ftello(f->host);
        if (length < 0 || length > off_t(UINT32_MAX)) {
            f->error = true;
            return;
        }
        f->dataOffset = 0;
        f->header.compressedSize = f->header.uncompressedSize = uint32_t(length);
        return;
    }

    ZipLocalHeader& h = f->header;
    h.version = little16(raw + 4);
    h.flags = little16(raw + 6);
    h.method = little16(raw + 8);
    h.time = little16(raw + 10);
    h.date = little16(raw + 12);
    h.crc32 = little32(raw + 14);
    h.compressedSize = little32(raw + 18);
    h.uncompressedSize = little32(raw + 22);
    h.nameLength = little16(raw + 26);
    h.extraLength = little16(raw + 28);
    f->dataOffset = offset + ZIP_LOCAL_HEADER_SIZE + h.nameLength + h.extraLength;

    f->name = new (std::nothrow) char[h.nameLength + 1];
    if (!f->name || fread(f->name, 1, h.nameLength, f->host) != h.nameLength) {
        delete[] f->name;
        f->name = nullptr;
        f->error = true;
        return;
    }
    f->name[h.nameLength] = 0;

    bool encrypted = h.flags & ZIP_FLAG_ENCRYPTED;
    bool sized = !(h.flags & ZIP_FLAG_DATA_DESCRIPTOR) || readCentralEntry(f, offset, h);
    if (!sized || encrypted || (h.method != ZIP_STORED && h.method != ZIP_DEFLATED)) {
        f->error = true;
    } else if (h.method == ZIP_STORED) {
        // The member's bytes are read straight from the archive; sizes that disagree
        // would read into the next header.
        if (h.compressedSize != h.uncompressedSize) f->error = true;
    } else {
        prepareDeflated(f);
    }
}

// Ends the current member: the decoder must have reached the end of its data, and a
// member whose compressed bytes were all decoded must match its CRC-32.
static void finishMember(ArchiveFile* f) {
    delete[] f->name;
    f->name = nullptr;
    if (f->inflate) {
        if (inflateFinish(f->inflate) != 0) f->error = true;
        f->inflate = nullptr;
        if (f->consumed == f->header.compressedSize && ~f->crc != f->header.crc32) f->error = true;
    }
    releaseStore(f);
}

// Decodes until the first `end` bytes of the member are stored.
static bool makeAvailable(ArchiveFile* f, uint64_t end) {
    if (end > f->header.uncompressedSize) return false;
    while (f->produced < end) {
        uint32_t remaining = f->header.compressedSize - f->consumed;
        if (remaining == 0) return false;
        uint32_t n = std::min(remaining, ARCHIVE_INPUT_SIZE);
        if (!readHost(f->host, f->dataOffset + f->consumed, f->input, n)) return false;
        f->consumed += n;
        if (inflateFeed(f->inflate, f->input, n) != 0) return false;
    }
    return true;
}

static bool copyOut(ArchiveFile* f, uint8_t* destination, uint32_t count) {
    switch (f->store) {
    case ArchiveStore::HostFile: return readHost(f->host, f->dataOffset + f->position, destination, count);
    case ArchiveStore::TemporaryFile: return readHost(f->temporary, f->position, destination, count);
    case ArchiveStore::Memory: break;
    }
    uint32_t at = f->position;
    while (count > 0) {
        uint32_t offset = at % ARCHIVE_CHUNK_SIZE, n = std::min(count, ARCHIVE_CHUNK_SIZE - offset);
        std::memcpy(destination, f->chunks[at / ARCHIVE_CHUNK_SIZE] + offset, n);
        destination += n;
        at += n;
        count -= n;
    }
    return true;
}

ArchiveFile* archiveOpen(const char* path) {
    FILE* host = openInputFile(path);
    if (!host) return nullptr;
    auto* f = new (std::nothrow) ArchiveFile{};
    if (!f) {
        fclose(host);
        return nullptr;
    }
    f->host = host;
    readHeader(f, 0);
    return f;
}

size_t archiveRead(void* destination, size_t size, size_t count, ArchiveFile* f) {
    if (!f || f->error || size == 0) return 0;
    uint64_t left = f->header.uncompressedSize - f->position;
    uint64_t elements = std::min<uint64_t>(count, left / size);
    uint32_t n = uint32_t(elements * size);
    if (n < 1) return 0;
    if ((f->inflate && !makeAvailable(f, uint64_t(f->position) + n)) ||
        !copyOut(f, static_cast<uint8_t*>(destination), n)) {
        f->error = true;
        return 0;
    }
    f->position += n;
    return size_t(elements);
}

int archiveSeek(ArchiveFile* f, int64_t offset, int origin) {
    if (!f || f->error) return -1;
    int64_t base;
    switch (origin) {
    case 0: base = 0; break;
    case 1: base = f->position; break;
    case 2: base = f->header.uncompressedSize; break;
    default: f->error = true; return -1;
    }
    if (offset > INT64_MAX - base || base + offset < 0 || base + offset > int64_t(f->header.uncompressedSize)) {
        f->error = true;
        return -1;
    }
    f->position = uint32_t(base + offset);
    return 0;
}

int64_t archiveTell(const ArchiveFile* f) {
    if (!f || f->error) return -1;
    return f->position;
}

int archiveClose(ArchiveFile* f) {
    if (!f) return 1;
    finishMember(f);
    fclose(f->host);
    bool failed = f->error;
    delete f;
    return failed ? 1 : 0;
}

const char* archiveMemberName(const ArchiveFile* f) { return f ? f->name : nullptr; }

int archiveNextMember(ArchiveFile* f) {
    if (!f) return -1;
    finishMember(f);
    uint64_t next = f->dataOffset + f->header.compressedSize;
    if (f->header.flags & ZIP_FLAG_DATA_DESCRIPTOR) next += descriptorLength(f->host, next);
    readHeader(f, next);
    return f->name ? 0 : -1;
}

static bool currentNameIs(const ArchiveFile* f, const char* name) { return f->name && strcasecmp(f->name, name) == 0; }

// The directory is trusted only as far as the local header it leads to agrees with it.
bool archiveFindMember(ArchiveFile* f, const char* name) {
    if (!f || !archiveIsMember(f)) return false;
    if (!f->directoryRead) readDirectory(f);
    for (const ZipDirectoryEntry& e : f->directory) {
        if (strcasecmp(e.name.c_str(), name) != 0) continue;
        finishMember(f);
        readHeader(f, e.headerOffset);
        if (currentNameIs(f, name)) return true;
        break;
    }
    finishMember(f);
    readHeader(f, 0);
    for (int found = archiveIsMember(f) ? 0 : -1; found == 0; found = archiveNextMember(f))
        if (currentNameIs(f, name)) return true;
    return false;
}

bool archiveIsMember(const ArchiveFile* f) { return f && f->header.signature == ZIP_LOCAL_SIGNATURE; }
