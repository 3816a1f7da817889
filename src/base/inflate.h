#pragma once
// Streaming Deflate decoder (RFC 1951: stored, fixed-code and dynamic-code blocks).
// Compressed bytes are fed in pieces of any size; the decoder goes as far as the input
// allows and hands the output to a sink in pieces of up to 32 KB, the size of its
// history window. The state block lives on the heap through the caller's allocator
// and is framed by two guard words, so a block that was overwritten or never created
// is refused rather than decoded from.
#include <cstddef>
#include <cstdint>

// Output sink: 0 when the bytes were taken, anything else stops the decoder.
using InflateSink = int (*)(void* owner, const uint8_t* bytes, uint32_t count);
using InflateAllocate = void* (*)(size_t size);
using InflateRelease = void (*)(void* block);

constexpr uint32_t INFLATE_GUARD = 0xABCDABCD;
constexpr uint32_t INFLATE_INPUT_SIZE = 16384;   // input ring, indexed modulo its size
constexpr uint32_t INFLATE_WINDOW_SIZE = 32768;  // history window, the longest distance
constexpr int HUFFMAN_FAST_BITS = 10;

// A canonical Huffman code: codes up to HUFFMAN_FAST_BITS long are found with one
// lookup of the next input bits, longer ones by walking the code lengths.
struct HuffmanTable {
    uint16_t fast[1 << HUFFMAN_FAST_BITS];  // code length << 12 | symbol; 0: longer or unused
    uint16_t count[16];                     // number of codes of each length
    uint16_t symbol[288];                   // symbols in code order
};

enum class InflateMode : uint32_t {
    BlockHeader,
    StoredLength,
    StoredCopy,
    DynamicCounts,
    DynamicCodeLengthCodes,
    DynamicLengths,
    Codes,
    Finished,
};

struct InflateState {
    uint32_t guardStart;
    bool error;
    InflateMode mode;
    bool lastBlock;
    uint64_t bitBuffer;  // input bits not yet used, least significant first
    uint32_t bitCount;
    uint8_t input[INFLATE_INPUT_SIZE];
    uint32_t inputRead;   // ring index of the oldest unused input byte
    uint32_t inputCount;  // unused bytes in the ring
    uint8_t window[INFLATE_WINDOW_SIZE];
    uint32_t windowFill;     // where the next output byte goes
    uint32_t windowPending;  // bytes before windowFill not yet passed to the sink
    uint64_t totalOut;       // output so far, to refuse distances reaching before it
    uint32_t storedLeft;
    uint32_t literalCount, distanceCount, codeLengthCount, lengthIndex;
    uint8_t lengths[286 + 30];
    HuffmanTable codeLengthCode, literalTable, distanceTable;
    const HuffmanTable* literalCode;
    const HuffmanTable* distanceCode;
    void* owner;
    InflateSink sink;
    InflateAllocate allocate;
    InflateRelease release;
    uint32_t guardEnd;
};

// Null when the allocator gives nothing.
InflateState* inflateCreate(void* owner, InflateSink sink, InflateAllocate allocate, InflateRelease release);
// Decodes as far as the input allows. 0, or 1 on error (bad guard, reserved block
// type, invalid codes or lengths, a distance before the start, a sink failure, or
// input arriving after the end of the data that no longer fits): the error is sticky.
int inflateFeed(InflateState* state, const uint8_t* bytes, uint32_t count);
// 0 only when no error occurred, the last block has been decoded and every input byte
// was used; 1 otherwise. Releases the state either way, unless its guards are wrong.
int inflateFinish(InflateState* state);
