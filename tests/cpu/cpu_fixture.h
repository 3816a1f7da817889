#pragma once
// A processor on 1 MB of plain RAM rows of its own, for tests that run a few
// instructions: programs are placed as words, vectors and the stack set up, and a test
// may add a row of handlers to watch the accesses.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "cpu/cpu_core.h"

class CpuTest : public testing::Test {
protected:
    static constexpr uint32_t RAM_SIZE = 0x100000;
    static constexpr uint32_t CODE = 0x1000;
    static constexpr uint32_t STACK = 0x8000;

    // As the host block, the RAM has a few bytes of slack after its last row.
    std::vector<uint8_t> ram = std::vector<uint8_t>(RAM_SIZE + 16);
    FetchRow fetchRows[4] = {};
    ReadRow readRows[4] = {};
    WriteRow writeRows[4] = {};

    void SetUp() override {
        static bool built = cpuBuildDispatchTable() == 0;
        ASSERT_TRUE(built);
        fetchRows[0] = {0, RAM_SIZE - 1, intptr_t(ram.data())};
        readRows[0] = {0, RAM_SIZE - 1, nullptr, ram.data()};
        writeRows[0] = {0, RAM_SIZE - 1, nullptr, ram.data()};
        fetchRows[1] = {MAP_END, MAP_END, 0};
        readRows[1] = {MAP_END, MAP_END, nullptr, nullptr};
        writeRows[1] = {MAP_END, MAP_END, nullptr, nullptr};
        cpuSetMaps({fetchRows, readRows, readRows, writeRows, writeRows});
        cpu.resetOperation = nullptr;
        putLong(0, STACK);
        putLong(4, CODE);
        for (int vector = 2; vector < 64; ++vector) putLong(vector * 4, 0x4000 + vector * 16);
        ASSERT_EQ(cpuReset(), 0);
        cpu.odometer = 0;
    }

    // A row of handlers in both read and write tables, before the terminator.
    void addHandlerRow(uint32_t start, uint32_t end, ReadHandler read, WriteHandler write) {
        readRows[1] = {start, end, read, nullptr};
        writeRows[1] = {start, end, write, nullptr};
        readRows[2] = {MAP_END, MAP_END, nullptr, nullptr};
        writeRows[2] = {MAP_END, MAP_END, nullptr, nullptr};
        cpuSetMaps({fetchRows, readRows, readRows, writeRows, writeRows});
    }

    void put(uint32_t a, std::initializer_list<uint16_t> words) {
        for (uint16_t w : words) stWriteWord(ram.data(), a, w), a += 2;
    }
    void putLong(uint32_t a, uint32_t v) { stWriteLong(ram.data(), a, v); }
    uint16_t word(uint32_t a) const { return stReadWord(ram.data(), a); }
    uint32_t longAt(uint32_t a) const { return stReadLong(ram.data(), a); }
    // Where exception `vector` jumps to (set up by SetUp).
    static uint32_t handler(int vector) { return 0x4000 + vector * 16; }

    // Runs the program at CODE from supervisor mode with the given SR.
    void start(uint16_t sr = 0x2700, uint32_t pc = CODE) {
        cpu.sr = sr;
        cpu.pc = pc;
    }
};
