#pragma once
// Every file the program reads (disk images, TOS and cartridge images, snapshots, the
// settings file, and the paths these name) is opened here. Only a regular file, or a
// device that can be read, is taken: opening a FIFO for reading waits for a writer and
// a socket never opens, so a path that names one would hang the program for good. The
// open itself never blocks: it is made non-blocking, the file's kind is checked, and
// only then is the file read as usual.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The file for binary reading, or null with the reason in inputFileError(): "X is a
// folder.", "X is not a regular file.", or "Cannot open X: " and the system's reason.
std::FILE* openInputFile(const std::string& path);
const std::string& inputFileError();
// The whole file, read no further than `limit` bytes (a device named in a file's place
// may never end): false, with the reason in inputFileError(), when it cannot be opened
// or read, or is longer.
bool readInputFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes);
