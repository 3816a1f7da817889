#pragma once
// One section of a snapshot file (machine/snapshot.h), for each part of the machine to
// keep beside its state. A section is a struct with its `version` (a u32, the first field
// in the file) and
//   template <class S> void fields(S& s);  the fields in file order, through s.num, s.raw,
//                                          s.text, s.count and s.block
//   bool acceptVersion() const;            whether a file's version can be read
//   void capture();                        the machine's state into the fields
//   void apply() const;                    the fields into the machine
// and optionally `bool valid() const` (a file's fields the machine could have written)
// and `static void whenAbsent()` (the state a whole snapshot without the section leaves).
// Written and read through the same field list, a section is read exactly as it is
// written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "base/little_endian.h"

// Every integer is 32-bit little-endian whatever the width of the state it holds. The
// two streams share each section's field list (`fields`), so that a section is read
// exactly as it is written.

// A block whose compressed length is this holds its bytes as they are: states kept in
// memory (rewind, a front end's own save states) are written so, which is a plain copy
// and leaves the comparison of neighbouring states to whoever keeps them.
constexpr uint32_t SNAPSHOT_RAW_BLOCK = 0xFFFFFFFF;

struct SnapshotSaver {
    std::vector<uint8_t>& out;
    bool packBlocks = true;
    void put32(uint32_t v) { appendLittle32(out, v); }
    template <class T>
    void num(T& v) { put32(uint32_t(v)); }
    // The length of a list whose items take at least `itemBytes` each.
    void count(uint32_t& n, size_t) { put32(n); }
    void raw(void* p, size_t n) { out.insert(out.end(), static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + n); }
    // Count including the terminating zero, then the bytes.
    void text(std::string& s, size_t) {
        put32(uint32_t(s.size() + 1));
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    // Uncompressed length, compressed length, LZO1X-1 bytes (or SNAPSHOT_RAW_BLOCK and
    // the bytes).
    void block(uint8_t* data, uint32_t capacity, uint32_t& length);
};

// Reads within one section body; any field that does not fit clears `ok`.
struct SnapshotParser {
    const uint8_t* p;
    const uint8_t* end;
    bool ok = true;

    bool take(size_t n) {
        if (!ok || size_t(end - p) < n) return ok = false;
        return true;
    }
    uint32_t get32() {
        if (!take(4)) return 0;
        uint32_t v = little32(p);
        p += 4;
        return v;
    }
    template <class T>
    void num(T& v) {
        uint32_t raw = get32();
        if constexpr (std::is_same_v<T, bool>)
            v = raw != 0;
        else
            v = T(raw);
    }
    // A list can hold no more items than the bytes left could.
    void count(uint32_t& n, size_t itemBytes) {
        n = get32();
        if (n > size_t(end - p) / itemBytes) ok = false;
        if (!ok) n = 0;
    }
    void raw(void* dest, size_t n) {
        if (!take(n)) return;
        std::memcpy(dest, p, n);
        p += n;
    }
    // A string longer than its destination is cut to the destination's size.
    void text(std::string& s, size_t keep) {
        uint32_t count = get32();
        if (!take(count)) return;
        size_t length = strnlen(reinterpret_cast<const char*>(p), count);
        s.assign(reinterpret_cast<const char*>(p), length < keep ? length : keep - 1);
        p += count;
    }
    // The block must decompress to exactly its stated length, within `capacity`.
    void block(uint8_t* data, uint32_t capacity, uint32_t& length);
};

struct SectionEntry {
    char tag[5];
    bool addedLater;  // files written before the section existed lack it and still load
    bool (*parse)(SnapshotParser&);  // into the section's staging data
    void (*apply)();
    void (*save)(SnapshotSaver&);
    void (*absent)();  // for such a file: what the section's state becomes without it
};

template <class Section>
Section& stagedSection() {
    static Section section;
    return section;
}

template <class Section>
bool parseSection(SnapshotParser& p) {
    Section& s = stagedSection<Section>();
    s = Section{};
    p.num(s.version);
    if (!p.ok || !s.acceptVersion()) return false;
    s.fields(p);
    if constexpr (requires { s.valid(); }) return p.ok && s.valid();
    return p.ok;
}

template <class Section>
void applySection() { stagedSection<Section>().apply(); }

template <class Section>
void absentSection() {
    if constexpr (requires { Section::whenAbsent(); }) Section::whenAbsent();
}

template <class Section>
void saveSection(SnapshotSaver& out) {
    Section s;
    s.capture();
    out.num(s.version);
    s.fields(out);
}

enum SectionAge : bool { FROM_THE_FIRST = false, ADDED_LATER = true };

template <class Section>
SectionEntry sectionEntry(const char (&tag)[5], SectionAge age = FROM_THE_FIRST) {
    SectionEntry e{{}, age, parseSection<Section>, applySection<Section>, saveSection<Section>, absentSection<Section>};
    std::memcpy(e.tag, tag, 5);
    return e;
}
