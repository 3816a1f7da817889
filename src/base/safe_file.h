#pragma once
// Files written by the program go to a temporary file beside their final name and are
// renamed over it only when every byte was written, so that a failed write never
// destroys the previous file. A final name that is a symbolic link is written through to
// the file it points to; one that is not a regular file (a FIFO, a device) is refused.
#include <cstddef>
#include <cstdio>
#include <string>

struct ReplacingFile {
    std::FILE* file = nullptr;
    std::string tempPath;
    std::string finalPath;
};

// Opens a temporary file beside `path` for binary writing (created exclusively, under an
// unpredictable name).
bool replacingOpen(ReplacingFile& f, const std::string& path);
// Flushes, closes and renames over the final name; false (and the temporary file
// removed) when any write failed.
bool replacingCommit(ReplacingFile& f);
// Closes and removes the temporary file; the final name is left as it was.
void replacingAbandon(ReplacingFile& f);

bool writeFileReplacing(const std::string& path, const void* data, size_t size);

// Why the last of these operations failed, for the user.
const std::string& replacingError();
