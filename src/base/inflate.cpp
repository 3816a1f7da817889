#include "base/inflate.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t INPUT_MASK = INFLATE_INPUT_SIZE - 1;
constexpr uint32_t WINDOW_MASK = INFLATE_WINDOW_SIZE - 1;
constexpr uint32_t FAST_MASK = (1u << HUFFMAN_FAST_BITS) - 1;

constexpr uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                       193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block lists the lengths of the code-length code.
constexpr uint8_t codeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

enum BuildResult { CODE_COMPLETE, CODE_INCOMPLETE, CODE_OVERSUBSCRIBED };

// Builds the canonical code of `n` symbols from their code lengths (0 = unused).
BuildResult buildHuffman(HuffmanTable& t, const uint8_t* lengths, uint32_t n) {
    std::memset(t.count, 0, sizeof t.count);
    for (uint32_t s = 0; s < n; ++s) t.count[lengths[s]]++;
    std::memset(t.fast, 0, sizeof t.fast);
    if (t.count[0] == n) return CODE_COMPLETE;  // no codes: any decode fails

    int left = 1;
    for (int len = 1; len < 16; ++len) {
        left = (left << 1) - t.count[len];
        if (left < 0) return CODE_OVERSUBSCRIBED;
    }
    uint16_t offset[16];
    uint32_t nextCode[16];
    offset[1] = 0;
    nextCode[1] = 0;
    for (int len = 1; len < 15; ++len) {
        offset[len + 1] = uint16_t(offset[len] + t.count[len]);
        nextCode[len + 1] = (nextCode[len] + t.count[len]) << 1;
    }
    for (uint32_t s = 0; s < n; ++s) {
        uint32_t len = lengths[s];
        if (len == 0) continue;
        t.symbol[offset[len]++] = uint16_t(s);
        if (len > HUFFMAN_FAST_BITS) continue;
        // Codes are sent most significant bit first, the bit buffer is read from its
        // least significant end: the table index is the code reversed.
        uint32_t code = nextCode[len]++, reversed = 0;
        for (uint32_t b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
        for (uint32_t i = reversed; i <= FAST_MASK; i += 1u << len) t.fast[i] = uint16_t(len << 12 | s);
    }
    return left > 0 ? CODE_INCOMPLETE : CODE_COMPLETE;
}

const HuffmanTable& fixedLiteralCode() {
    static const HuffmanTable table = [] {
        HuffmanTable t;
        uint8_t lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        buildHuffman(t, lengths, 288);
        return t;
    }();
    return table;
}

const HuffmanTable& fixedDistanceCode() {
    static const HuffmanTable table = [] {
        HuffmanTable t;
        uint8_t lengths[30];
        std::fill(lengths, lengths + 30, 5);
        buildHuffman(t, lengths, 30);
        return t;
    }();
    return table;
}

enum DecodeResult { DECODED, NEED_INPUT, BAD_CODE };

// Decodes one symbol from the `available` low bits of `bits`; nothing is consumed.
inline DecodeResult decodeSymbol(const HuffmanTable& t, uint64_t bits, uint32_t available, uint32_t& symbol,
                                 uint32_t& length) {
    if (uint32_t entry = t.fast[bits & FAST_MASK]) {
        length = entry >> 12;
        if (length > available) return NEED_INPUT;
        symbol = entry & 0xFFF;
        return DECODED;
    }
    int code = 0, first = 0, index = 0;
    for (uint32_t len = 1; len < 16; ++len) {
        if (len > available) return NEED_INPUT;
        code |= int(bits >> (len - 1)) & 1;
        int count = t.count[len];
        if (code - first < count) {
            symbol = t.symbol[index + code - first];
            length = len;
            return DECODED;
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return BAD_CODE;
}

inline uint32_t lowBits(uint64_t bits, uint32_t n) { return uint32_t(bits & ((uint64_t(1) << n) - 1)); }

inline void refill(InflateState* s) {
    while (s->bitCount <= 56 && s->inputCount > 0) {
        s->bitBuffer |= uint64_t(s->input[s->inputRead]) << s->bitCount;
        s->bitCount += 8;
        s->inputRead = (s->inputRead + 1) & INPUT_MASK;
        s->inputCount--;
    }
}

inline void consume(InflateState* s, uint32_t n) {
    s->bitBuffer >>= n;
    s->bitCount -= n;
}

// Passes the undelivered part of the window to the sink, in at most two pieces.
bool flush(InflateState* s) {
    uint32_t start = (s->windowFill - s->windowPending) & WINDOW_MASK;
    while (s->windowPending > 0) {
        uint32_t n = std::min(s->windowPending, INFLATE_WINDOW_SIZE - start);
        if (s->sink(s->owner, s->window + start, n) != 0) return false;
        s->windowPending -= n;
        start = (start + n) & WINDOW_MASK;
    }
    return true;
}

// The window keeps the last 32 KB as history; it is flushed only when a new byte needs
// a place that has not been delivered yet, so the last bytes of the data reach the sink
// together with the end of the final block.
inline bool putByte(InflateState* s, uint8_t byte) {
    if (s->windowPending == INFLATE_WINDOW_SIZE && !flush(s)) return false;
    s->window[s->windowFill] = byte;
    s->windowFill = (s->windowFill + 1) & WINDOW_MASK;
    s->windowPending++;
    s->totalOut++;
    return true;
}

bool copyMatch(InflateState* s, uint32_t length, uint32_t distance) {
    for (uint32_t i = 0; i < length; ++i)
        if (!putByte(s, s->window[(s->windowFill - distance) & WINDOW_MASK])) return false;
    return true;
}

bool endBlock(InflateState* s) {
    if (!s->lastBlock) {
        s->mode = InflateMode::BlockHeader;
        return true;
    }
    s->mode = InflateMode::Finished;
    return flush(s);
}

// Only a code of a single symbol, sent as one bit, may leave part of the code space
// unused.
bool acceptable(BuildResult r, const HuffmanTable& t, uint32_t n) {
    if (r == CODE_OVERSUBSCRIBED) return false;
    return r == CODE_COMPLETE || (n - t.count[0] == 1 && t.count[1] == 1);
}

enum StepResult { STEP_ON, STEP_WAIT, STEP_FAIL };

StepResult blockHeader(InflateState* s) {
    refill(s);
    if (s->bitCount < 3) return STEP_WAIT;
    s->lastBlock = s->bitBuffer & 1;
    uint32_t type = (s->bitBuffer >> 1) & 3;
    consume(s, 3);
    switch (type) {
    case 0:
        consume(s, s->bitCount & 7);  // stored data starts on a byte boundary
        s->mode = InflateMode::StoredLength;
        return STEP_ON;
    case 1:
        s->literalCode = &fixedLiteralCode();
        s->distanceCode = &fixedDistanceCode();
        s->mode = InflateMode::Codes;
        return STEP_ON;
    case 2:
        s->mode = InflateMode::DynamicCounts;
        return STEP_ON;
    default:
        return STEP_FAIL;  // reserved block type
    }
}

StepResult storedLength(InflateState* s) {
    refill(s);
    if (s->bitCount < 32) return STEP_WAIT;
    uint32_t length = lowBits(s->bitBuffer, 16), complement = lowBits(s->bitBuffer >> 16, 16);
    if (length != (~complement & 0xFFFF)) return STEP_FAIL;
    consume(s, 32);
    s->storedLeft = length;
    s->mode = InflateMode::StoredCopy;
    return STEP_ON;
}

StepResult storedCopy(InflateState* s) {
    // Whole bytes already taken into the bit buffer come first, then the ring.
    while (s->storedLeft > 0 && s->bitCount >= 8) {
        if (!putByte(s, uint8_t(s->bitBuffer))) return STEP_FAIL;
        consume(s, 8);
        s->storedLeft--;
    }
    while (s->storedLeft > 0 && s->inputCount > 0) {
        if (!putByte(s, s->input[s->inputRead])) return STEP_FAIL;
        s->inputRead = (s->inputRead + 1) & INPUT_MASK;
        s->inputCount--;
        s->storedLeft--;
    }
    if (s->storedLeft > 0) return STEP_WAIT;
    return endBlock(s) ? STEP_ON : STEP_FAIL;
}

StepResult dynamicCounts(InflateState* s) {
    refill(s);
    if (s->bitCount < 14) return STEP_WAIT;
    s->literalCount = 257 + lowBits(s->bitBuffer, 5);
    s->distanceCount = 1 + lowBits(s->bitBuffer >> 5, 5);
    s->codeLengthCount = 4 + lowBits(s->bitBuffer >> 10, 4);
    consume(s, 14);
    if (s->literalCount > 286 || s->distanceCount > 30) return STEP_FAIL;
    std::memset(s->lengths, 0, 19);
    s->lengthIndex = 0;
    s->mode = InflateMode::DynamicCodeLengthCodes;
    return STEP_ON;
}

StepResult dynamicCodeLengthCodes(InflateState* s) {
    while (s->lengthIndex < s->codeLengthCount) {
        refill(s);
        if (s->bitCount < 3) return STEP_WAIT;
        s->lengths[codeLengthOrder[s->lengthIndex++]] = uint8_t(lowBits(s->bitBuffer, 3));
        consume(s, 3);
    }
    if (buildHuffman(s->codeLengthCode, s->lengths, 19) != CODE_COMPLETE) return STEP_FAIL;
    s->lengthIndex = 0;
    s->mode = InflateMode::DynamicLengths;
    return STEP_ON;
}

StepResult dynamicLengths(InflateState* s) {
    uint32_t total = s->literalCount + s->distanceCount;
    while (s->lengthIndex < total) {
        refill(s);
        uint32_t symbol, length;
        switch (decodeSymbol(s->codeLengthCode, s->bitBuffer, s->bitCount, symbol, length)) {
        case NEED_INPUT: return STEP_WAIT;
        case BAD_CODE: return STEP_FAIL;
        case DECODED: break;
        }
        if (symbol < 16) {
            consume(s, length);
            s->lengths[s->lengthIndex++] = uint8_t(symbol);
            continue;
        }
        // 16 repeats the previous length 3-6 times, 17 and 18 give runs of zeros.
        uint32_t extra = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        if (length + extra > s->bitCount) return STEP_WAIT;
        uint32_t repeat = lowBits(s->bitBuffer >> length, extra) + (symbol == 16 ? 3 : symbol == 17 ? 3 : 11);
        uint8_t value = 0;
        if (symbol == 16) {
            if (s->lengthIndex == 0) return STEP_FAIL;
            value = s->lengths[s->lengthIndex - 1];
        }
        if (s->lengthIndex + repeat > total) return STEP_FAIL;
        consume(s, length + extra);
        std::memset(s->lengths + s->lengthIndex, value, repeat);
        s->lengthIndex += repeat;
    }
    if (s->lengths[256] == 0) return STEP_FAIL;  // no end-of-block code
    if (!acceptable(buildHuffman(s->literalTable, s->lengths, s->literalCount), s->literalTable, s->literalCount))
        return STEP_FAIL;
    const uint8_t* distanceLengths = s->lengths + s->literalCount;
    if (!acceptable(buildHuffman(s->distanceTable, distanceLengths, s->distanceCount), s->distanceTable,
                    s->distanceCount))
        return STEP_FAIL;
    s->literalCode = &s->literalTable;
    s->distanceCode = &s->distanceTable;
    s->mode = InflateMode::Codes;
    return STEP_ON;
}

// A length/distance pair with all its extra bits needs at most 48 bits, and refill
// keeps at least 57 while input lasts, so a symbol is only ever cut short by the end
// of the input; nothing is consumed until the whole of it is there.
StepResult codes(InflateState* s) {
    const HuffmanTable& literal = *s->literalCode;
    const HuffmanTable& distance = *s->distanceCode;
    for (;;) {
        refill(s);
        uint64_t bits = s->bitBuffer;
        uint32_t available = s->bitCount, symbol, length;
        switch (decodeSymbol(literal, bits, available, symbol, length)) {
        case NEED_INPUT: return STEP_WAIT;
        case BAD_CODE: return STEP_FAIL;
        case DECODED: break;
        }
        if (symbol < 256) {
            consume(s, length);
            if (!putByte(s, uint8_t(symbol))) return STEP_FAIL;
            continue;
        }
        if (symbol == 256) {
            consume(s, length);
            return endBlock(s) ? STEP_ON : STEP_FAIL;
        }
        if (symbol > 285) return STEP_FAIL;
        uint32_t used = length + lengthExtra[symbol - 257];
        if (used > available) return STEP_WAIT;
        uint32_t matchLength = lengthBase[symbol - 257] + lowBits(bits >> length, lengthExtra[symbol - 257]);

        uint32_t distanceSymbol, distanceLength;
        switch (decodeSymbol(distance, bits >> used, available - used, distanceSymbol, distanceLength)) {
        case NEED_INPUT: return STEP_WAIT;
        case BAD_CODE: return STEP_FAIL;
        case DECODED: break;
        }
        if (distanceSymbol > 29) return STEP_FAIL;
        used += distanceLength;
        uint32_t extra = distanceExtra[distanceSymbol];
        if (used + extra > available) return STEP_WAIT;
        uint32_t matchDistance = distanceBase[distanceSymbol] + lowBits(bits >> used, extra);
        if (matchDistance > s->totalOut) return STEP_FAIL;
        consume(s, used + extra);
        if (!copyMatch(s, matchLength, matchDistance)) return STEP_FAIL;
    }
}

// Runs the decoder until it waits for input or has finished. False on an error.
bool decode(InflateState* s) {
    for (;;) {
        StepResult r;
        switch (s->mode) {
        case InflateMode::BlockHeader: r = blockHeader(s); break;
        case InflateMode::StoredLength: r = storedLength(s); break;
        case InflateMode::StoredCopy: r = storedCopy(s); break;
        case InflateMode::DynamicCounts: r = dynamicCounts(s); break;
        case InflateMode::DynamicCodeLengthCodes: r = dynamicCodeLengthCodes(s); break;
        case InflateMode::DynamicLengths: r = dynamicLengths(s); break;
        case InflateMode::Codes: r = codes(s); break;
        default: return true;  // finished: later input stays unused
        }
        if (r == STEP_FAIL) return false;
        if (r == STEP_WAIT) return true;
    }
}

bool guardsIntact(const InflateState* s) { return s && s->guardStart == INFLATE_GUARD && s->guardEnd == INFLATE_GUARD; }

}  // namespace

InflateState* inflateCreate(void* owner, InflateSink sink, InflateAllocate allocate, InflateRelease release) {
    auto* s = static_cast<InflateState*>(allocate(sizeof(InflateState)));
    if (!s) return nullptr;
    s->guardStart = s->guardEnd = INFLATE_GUARD;
    s->error = false;
    s->mode = InflateMode::BlockHeader;
    s->lastBlock = false;
    s->bitBuffer = 0;
    s->bitCount = 0;
    s->inputRead = s->inputCount = 0;
    s->windowFill = s->windowPending = 0;
    s->totalOut = 0;
    s->storedLeft = 0;
    s->literalCode = s->distanceCode = nullptr;
    s->owner = owner;
    s->sink = sink;
    s->allocate = allocate;
    s->release = release;
    return s;
}

int inflateFeed(InflateState* s, const uint8_t* bytes, uint32_t count) {
    if (!guardsIntact(s) || s->error) return 1;
    do {
        uint32_t n = std::min(count, INFLATE_INPUT_SIZE - s->inputCount);
        uint32_t at = (s->inputRead + s->inputCount) & INPUT_MASK;
        uint32_t first = std::min(n, INFLATE_INPUT_SIZE - at);
        std::memcpy(s->input + at, bytes, first);
        std::memcpy(s->input, bytes + first, n - first);
        s->inputCount += n;
        bytes += n;
        count -= n;
        // A full ring that the decoder no longer drains means input beyond the end.
        if (!decode(s) || (count > 0 && s->inputCount == INFLATE_INPUT_SIZE)) {
            s->error = true;
            return 1;
        }
    } while (count > 0);
    return 0;
}

int inflateFinish(InflateState* s) {
    if (!guardsIntact(s)) return 1;
    bool complete = !s->error && s->mode == InflateMode::Finished && s->inputCount == 0 && s->bitCount < 8;
    s->release(s);
    return complete ? 0 : 1;
}
