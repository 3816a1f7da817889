// The Deflate decoder against zlib: the same output for every kind of block fed in any
// piece size, and the same verdict on damaged streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

#include "base/inflate.h"
#include "support/zip_writer.h"

namespace {

struct Collector {
    Bytes out;
    size_t largestPiece = 0;
    bool refuse = false;
    static int sink(void* owner, const uint8_t* bytes, uint32_t count) {
        auto* c = static_cast<Collector*>(owner);
        c->out.insert(c->out.end(), bytes, bytes + count);
        c->largestPiece = std::max<size_t>(c->largestPiece, count);
        return c->refuse;
    }
};

int releases = 0;
void release(void* p) {
    ++releases;
    std::free(p);
}
InflateState* create(Collector& c) { return inflateCreate(&c, Collector::sink, std::malloc, release); }

// True when every piece and the finish succeed.
bool decodeAll(const Bytes& compressed, size_t piece, Collector& c) {
    InflateState* s = create(c);
    bool fed = true;
    for (size_t at = 0; at < compressed.size() && fed; at += piece)
        fed = inflateFeed(s, compressed.data() + at, uint32_t(std::min(piece, compressed.size() - at))) == 0;
    return inflateFinish(s) == 0 && fed;
}

}  // namespace

TEST(Inflate, MatchesZlibForEveryBlockKindAndPieceSize) {
    const Bytes inputs[] = {{}, testPattern(70000, 2, false), testPattern(300000, 3, true), Bytes(200000, 0xE5)};
    for (const Bytes& data : inputs)
        for (int level : {0, 1, 9})  // level 0: stored blocks
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
                Bytes compressed = deflateRaw(data, level, strategy);
                for (size_t piece : {size_t(7), size_t(8192), compressed.size() + 1}) {
                    Collector c;
                    ASSERT_TRUE(decodeAll(compressed, piece, c)) << data.size() << " " << level << " " << strategy;
                    ASSERT_EQ(c.out, data);
                    EXPECT_LE(c.largestPiece, INFLATE_WINDOW_SIZE);
                }
            }
}

// The last bytes reach the sink with the end of the final block: a reader that stops as
// soon as it has all the output has then also used all the input.
TEST(Inflate, HoldsBackOutputUntilTheEndOfTheData) {
    Bytes data = testPattern(INFLATE_WINDOW_SIZE * 2, 5, true), compressed = deflateRaw(data);
    Collector c;
    InflateState* s = create(c);
    ASSERT_EQ(inflateFeed(s, compressed.data(), uint32_t(compressed.size() - 1)), 0);
    EXPECT_LT(c.out.size(), data.size());
    ASSERT_EQ(inflateFeed(s, &compressed.back(), 1), 0);
    EXPECT_EQ(c.out, data);
    EXPECT_EQ(inflateFinish(s), 0);
}

TEST(Inflate, UnfinishedOverlongAndDamagedStreamsFail) {
    Bytes compressed = deflateRaw(testPattern(5000, 6, true));
    releases = 0;
    Collector early;
    InflateState* s = create(early);
    ASSERT_EQ(inflateFeed(s, compressed.data(), uint32_t(compressed.size() / 2)), 0);
    EXPECT_EQ(inflateFinish(s), 1);
    EXPECT_EQ(releases, 1);
    Bytes trailing = compressed;
    trailing.resize(compressed.size() + 2 * INFLATE_INPUT_SIZE);  // no longer fits the ring
    Collector late;
    s = create(late);
    EXPECT_EQ(inflateFeed(s, trailing.data(), uint32_t(trailing.size())), 1);
    EXPECT_EQ(inflateFinish(s), 1);
    Collector refusing;
    refusing.refuse = true;
    EXPECT_FALSE(decodeAll(deflateRaw(testPattern(100000, 7, true)), 8192, refusing));

    const Bytes damaged[] = {
        {0x07, 0x00},                    // reserved block type
        {0x01, 0x05, 0x00, 0x00, 0x00},  // stored length and complement disagree
        {0x03, 0x02, 0x00},              // fixed block opening with a match: nothing before it
        {0x1B, 0x03},                    // fixed block using length code 286
        {0xF5, 0x00, 0x00, 0x00},        // dynamic block declaring 287 length codes
    };
    for (const Bytes& stream : damaged) {
        Collector c;
        s = create(c);
        EXPECT_EQ(inflateFeed(s, stream.data(), uint32_t(stream.size())), 1);
        EXPECT_EQ(inflateFeed(s, stream.data(), 1), 1);  // the error sticks
        EXPECT_EQ(inflateFinish(s), 1);
    }
}

TEST(Inflate, BrokenGuardsAreRefusedAndLeftAlone) {
    Collector c;
    InflateState* s = create(c);
    s->guardEnd = 0;
    uint8_t stored[] = {0x01, 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(inflateFeed(s, stored, sizeof stored), 1);
    releases = 0;
    EXPECT_EQ(inflateFinish(s), 1);
    EXPECT_EQ(releases, 0);
    std::free(s);
    EXPECT_EQ(inflateFeed(nullptr, stored, 1), 1);
}

// Damaged copies of valid streams: whenever zlib accepts one, so do we with the same
// output, and the other way round.
TEST(Inflate, AgreesWithZlibOnMutatedStreams) {
    uint32_t x = 12345;
    auto next = [&] { return x ^= x << 13, x ^= x >> 17, x ^= x << 5; };
    const Bytes sources[] = {deflateRaw(testPattern(3000, 8, true)), deflateRaw(testPattern(3000, 9, true), 9, Z_FIXED),
                             deflateRaw(testPattern(600, 10, false), 0)};
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes stream = sources[round % 3];
        for (int flips = 1 + next() % 3; flips > 0; --flips) stream[next() % stream.size()] ^= uint8_t(1 << (next() % 8));
        if (next() % 4 == 0) stream.resize(next() % stream.size());
        Bytes reference;
        bool zlibAccepts = inflateRawReference(stream, reference);
        Collector c;
        ASSERT_EQ(decodeAll(stream, 1 + next() % 64, c), zlibAccepts) << "round " << round;
        if (zlibAccepts) {
            ASSERT_EQ(c.out, reference) << "round " << round;
        }
        accepted += zlibAccepts;
    }
    EXPECT_GT(accepted, 0);
}
