#include "frontend/rewind_ring.h"

#include <lzo/lzo1x.h>

#include <algorithm>
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

// state[i] ^= with[i] for the first n bytes of `with`.
void xorInto(std::vector<uint8_t>& state, const uint8_t* with, size_t n) {
    uint8_t* p = state.data();
    for (size_t i = 0; i < n; ++i) p[i] ^= with[i];
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
        size_t length = std::max(ring.newest.size(), ring.scratch.size());
        ring.delta.assign(ring.newest.begin(), ring.newest.end());
        ring.delta.resize(length, 0);
        xorInto(ring.delta, ring.scratch.data(), ring.scratch.size());
        lzo_uint packedSize = 0;
        lzo1x_1_compress(ring.delta.data(), length, ring.packed.data(), &packedSize, workMemory);
        if (makeRoom(packedSize)) {
            std::copy_n(ring.packed.data(), packedSize, ring.arena.get() + ring.head);
            int at = (ring.first + ring.count) % int(ring.deltas.size());
            ring.deltas[size_t(at)] = {ring.head, uint32_t(packedSize), uint32_t(length),
                                       uint32_t(ring.newest.size()), ring.newestFrame};
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
    lzo_uint produced = d.xorLength;
    ring.delta.resize(d.xorLength);
    if (lzo1x_decompress_safe(ring.arena.get() + d.offset, d.packedSize, ring.delta.data(), &produced, nullptr) !=
            LZO_E_OK ||
        produced != d.xorLength)
        return false;
    ring.newest.resize(d.xorLength, 0);
    xorInto(ring.newest, ring.delta.data(), d.xorLength);
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
    ring.packed.resize(packedBound(ring.stateCapacity));
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
