#pragma once
// The folder drive's state in a memory snapshot: the folder, the open files by name and
// position, the searches, the program loads under way and the current path. Files are
// opened again by name when the snapshot is resumed; those the folder no longer has are
// reported, and their handles stay open but lost (reads and writes get EIHNDL).
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t FILE_SLOTS = 32;
constexpr uint32_t SEARCH_SLOTS = 16;
constexpr uint32_t LOAD_SLOTS = 8;

struct FolderDriveSnapshot {
    struct File {
        uint32_t slot, position, writable, owner;
        std::string path;
    };
    struct Search {
        uint32_t slot, generation, attributes, next;
        std::string folder, pattern;
    };
    struct Load {
        uint32_t slot, stage, mode, stack, trapAddress, basepage, result, resident, startArguments;
        uint8_t callerArguments[16];
        std::string path;
    };
    std::string folder;  // empty: no drive
    uint32_t letter, protect;
    std::string currentPath;
    uint32_t startServed, startArgumentsGiven, nextGeneration;
    std::vector<File> files;
    std::vector<Search> searches;
    std::vector<Load> loads;
};

void saveFolderDrive(FolderDriveSnapshot& state);
// Attaches the snapshot's folder and opens its files again; what is gone is reported on
// standard error and over the picture. A snapshot without a drive leaves the attached
// one, with nothing open.
void restoreFolderDrive(const FolderDriveSnapshot& state);
// Whether the state is one the drive can have: a letter of C: to Z:, search patterns of
// 11 characters, loads in one of their stages.
bool folderDriveSnapshotValid(const FolderDriveSnapshot& state);

// The drive's snapshot section ("GEMD"), written with or without a drive attached.
struct SectionEntry;
SectionEntry folderDriveSnapshotSection();
