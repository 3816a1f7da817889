#pragma once
// Files written by the program go to a temporary file beside their final name and are
// renamed over it only when every byte was written, so that a failed write never
// destroys the previous file. What a symbolic link at the final name means depends on
// who chose the name, and is decided here for every writer: in the data folder
// (data_folder.h) the names are the program's, so a link there is replaced by the new
// file and its target is left alone; anywhere else the name is one the user gave (the
// command line, a file dialog, the settings file) and the file the link points to is
// written. A final name that is not a regular file (a FIFO, a device) is refused.
#include <cstddef>
#include <cstdio>
#include <string>

struct ReplacingFile {
    std::FILE* file = nullptr;
    std::string tempPath;
    std::string finalPath;
    std::string name;  // as the caller gave it, for messages
    int error = 0;     // the system's reason of the first failed write
};

// Opens a temporary file beside `path` for binary writing (created exclusively, under an
// unpredictable name).
bool replacingOpen(ReplacingFile& f, const std::string& path);
// Writes to the temporary file; false (the reason kept for the commit) when not every
// byte could be written.
bool replacingWrite(ReplacingFile& f, const void* data, size_t size);
// Flushes, closes and renames over the final name; false (and the temporary file
// removed) when any write failed.
bool replacingCommit(ReplacingFile& f);
// Closes and removes the temporary file; the final name is left as it was.
void replacingAbandon(ReplacingFile& f);

bool writeFileReplacing(const std::string& path, const void* data, size_t size);

// Why the last of these operations failed, for the user: "X is a folder.", "X is not a
// regular file.", or "Cannot write X: " and the system's reason.
const std::string& replacingError();
