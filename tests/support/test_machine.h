#pragma once
// Helpers shared by the tests: a machine with its memory map built, and paths to the
// programs assembled at build time.
#include <cstdint>
#include <string>
#include <vector>

// Allocates host memory and builds the address and I/O tables (idempotent; clears RAM).
void setUpMemoryMap();
// Path of an assembled 68000 program (build/m68k/<name>.bin).
std::string m68kProgramPath(const std::string& name);
std::vector<uint8_t> readFileBytes(const std::string& path);
// A fresh empty folder for a test's files.
std::string makeTempDir(const std::string& tag);
