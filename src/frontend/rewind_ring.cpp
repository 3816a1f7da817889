#include "frontend/rewind_ring.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "machine/snapshot.h"

namespace {

// An older state: the XOR of it and the state after it (both zero-extended to
// `xorLength`), packed, at `offset` in the arena.
struct Delta {
    size_t offset;
    uint32_t packedSize, xorLength, olderLength;
    long frame;
};

struct Ring {
    int interval = 0;
    size_t stateCapacity = 0;
    std::vector<uint8_t> newest, scratch, delta, packed;
    // Left uninitialised, so that the system gives it pages only as deltas fill them.
    std::unique_ptr<uint8_t[]> arena;
    size_t arenaSize = 0;
    std::vector<Delta> deltas;  // a circular list, oldest at `first`
    int first = 0, count = 0;
    size_t head = 0;  // where the next delta goes in the arena
    bool haveNewest = false, ranSinceNewest = false;
    long newestFrame = 0;
} ring;

lzo_align_t workMemory[(LZO1X_1_MEM_COMPRESS + sizeof(lzo_align_t) - 1) / sizeof(lzo_align_t)];

size_t packedBound(size_t n) { return n + n / 16 + 67; }

Delta& deltaAt(int age) { return ring.deltas[size_t((ring.first + age) % int(ring.deltas.size()))]; }

void dropOldest() {
    ring.first = (ring.first + 1) % int(ring.deltas.size());
    --ring.count;
}

// Room for n bytes in the arena, the oldest deltas giving way; false when n is more than
// the whole arena.
bool makeRoom(size_t n) {
    if (n > ring.arenaSize) return false;
    if (ring.head + n > ring.arenaSize) ring.head = 0;
    // Deltas lie in the arena in the order they came, so those in the way are the oldest.
    while (ring.count > 0) {
        const Delta& oldest = deltaAt(0);
        if (oldest.offset >= ring.head + n || oldest.offset + oldest.packedSize <= ring.head) break;
        dropOldest();
    }
    if (ring.count == int(ring.deltas.size())) dropOldest();
    return true;
}

// A difference is kept page by page: a bitmap of the pages in which the two states
// differ, then the XOR of those pages alone, packed. Comparing pages is a plain memory
// compare, and the packer only sees what changed, so a state costs little more than
// the copy that writes it.
constexpr size_t PAGE = 4096;

size_t pagesOf(size_t length) { return (length + PAGE - 1) / PAGE; }
size_t bitmapBytes(size_t length) { return (pagesOf(length) + 7) / 8; }

void xorBytes(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = a[i] ^ b[i];
}

// The difference of the newest state and the new one in `scratch` into `packed`; its size.
size_t packDifference(size_t length) {
    const size_t newSize = ring.scratch.size();
    ring.newest.resize(length, 0);  // both zero-extended to the longer
    ring.scratch.resize(length, 0);
    const size_t map = bitmapBytes(length);
    uint8_t* bitmap = ring.packed.data();
    std::fill_n(bitmap, map, 0);
    ring.delta.resize(length);
    uint8_t* out = ring.delta.data();
    size_t changed = 0;
    for (size_t page = 0; page < pagesOf(length); ++page) {
        size_t at = page * PAGE, n = std::min(PAGE, length - at);
        if (std::memcmp(ring.newest.data() + at, ring.scratch.data() + at, n) == 0) continue;
        bitmap[page / 8] |= uint8_t(1 << (page % 8));
        xorBytes(out + changed, ring.newest.data() + at, ring.scratch.data() + at, n);
        changed += n;
    }
    ring.scratch.resize(newSize);
    lzo_uint packedSize = 0;
    lzo1x_1_compress(out, changed, ring.packed.data() + map, &packedSize, workMemory);
    return map + packedSize;
}

void capture(long frame) {
    saveSnapshotToBuffer(ring.scratch, false);
    if (ring.scratch.size() > ring.stateCapacity) {
        // Only hard disks with many unwritten changes make a state this large: the ring
        // cannot hold it, and older states could not be reached past it.
        rewindClear();
        return;
    }
    if (ring.haveNewest) {
        const size_t olderLength = ring.newest.size();
        const size_t length = std::max(olderLength, ring.scratch.size());
        const size_t packedSize = packDifference(length);
        if (makeRoom(packedSize)) {
            std::copy_n(ring.packed.data(), packedSize, ring.arena.get() + ring.head);
            int at = (ring.first + ring.count) % int(ring.deltas.size());
            ring.deltas[size_t(at)] = {ring.head, uint32_t(packedSize), uint32_t(length), uint32_t(olderLength),
                                       ring.newestFrame};
            ++ring.count;
            ring.head += packedSize;
        } else {
            ring.count = 0;
        }
    }
    ring.newest.swap(ring.scratch);
    ring.newestFrame = frame;
    ring.haveNewest = true;
    ring.ranSinceNewest = false;
}

// The newest state becomes the one before it.
bool popDelta() {
    if (ring.count == 0) return false;
    const Delta& d = deltaAt(ring.count - 1);
    const size_t map = bitmapBytes(d.xorLength);
    const uint8_t* bitmap = ring.arena.get() + d.offset;
    ring.delta.resize(d.xorLength);
    lzo_uint produced = d.xorLength;
    if (lzo1x_decompress_safe(bitmap + map, d.packedSize - map, ring.delta.data(), &produced, nullptr) != LZO_E_OK)
        return false;
    ring.newest.resize(d.xorLength, 0);
    const uint8_t* in = ring.delta.data();
    size_t used = 0;
    for (size_t page = 0; page < pagesOf(d.xorLength); ++page) {
        if (!(bitmap[page / 8] & (1 << (page % 8)))) continue;
        size_t at = page * PAGE, n = std::min<size_t>(PAGE, d.xorLength - at);
        if (used + n > produced) return false;
        xorBytes(ring.newest.data() + at, ring.newest.data() + at, in + used, n);
        used += n;
    }
    ring.newest.resize(d.olderLength);
    ring.newestFrame = d.frame;
    --ring.count;
    ring.head = d.offset;
    return true;
}

}  // namespace

void rewindStart(int interval, int seconds, size_t memoryBound) {
    rewindStop();
    ring.interval = std::clamp(interval, REWIND_MIN_INTERVAL, REWIND_MAX_INTERVAL);
    seconds = std::clamp(seconds, REWIND_MIN_SECONDS, REWIND_MAX_SECONDS);
    ring.stateCapacity = snapshotMaxBytes();
    for (std::vector<uint8_t>* v : {&ring.newest, &ring.scratch, &ring.delta}) v->reserve(ring.stateCapacity);
    ring.packed.resize(bitmapBytes(ring.stateCapacity) + packedBound(ring.stateCapacity));
    ring.deltas.resize(size_t(std::max(1, seconds * 50 / ring.interval)));
    size_t buffers = 3 * ring.stateCapacity + ring.packed.size() + ring.deltas.size() * sizeof(Delta);
    ring.arenaSize = memoryBound > buffers ? memoryBound - buffers : 0;
    ring.arena.reset(new uint8_t[ring.arenaSize]);
    rewindClear();
}

void rewindStop() {
    ring = Ring{};
}

bool rewindOn() { return ring.interval > 0; }
int rewindInterval() { return ring.interval; }

void rewindClear() {
    ring.first = ring.count = 0;
    ring.head = 0;
    ring.haveNewest = ring.ranSinceNewest = false;
    ring.newest.clear();
}

void rewindFrameDone(long frame) {
    if (!rewindOn()) return;
    ring.ranSinceNewest = true;
    if (frame % ring.interval == 0) capture(frame);
}

bool rewindStepBack(long& frame) {
    if (!ring.haveNewest) return false;
    if (!ring.ranSinceNewest && !popDelta()) return false;
    if (!loadSnapshotFromBuffer(ring.newest.data(), ring.newest.size())) {
        rewindClear();
        return false;
    }
    ring.ranSinceNewest = false;
    frame = ring.newestFrame;
    return true;
}

bool rewindReloadNewest(long& frame) {
    ring.ranSinceNewest = true;
    return rewindStepBack(frame);
}

int rewindStates() { return ring.count + (ring.haveNewest ? 1 : 0); }

size_t rewindBytesInUse() {
    size_t bytes = ring.newest.size();
    for (int age = 0; age < ring.count; ++age) bytes += deltaAt(age).packedSize;
    return bytes;
}

size_t rewindBytesAllocated() {
    return ring.newest.capacity() + ring.scratch.capacity() + ring.delta.capacity() + ring.packed.capacity() +
           ring.deltas.capacity() * sizeof(Delta) + ring.arenaSize;
}
