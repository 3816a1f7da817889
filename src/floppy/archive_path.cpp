#include <strings.h>
#include <sys/stat.h>

#include <string>

#include "floppy/archive_file.h"

// A path whose directory part is a ZIP archive names one of its members.
ArchiveFile* archiveOpenPath(const char* path) {
    std::string full(path);
    size_t slash = full.rfind('/');
    if (slash != std::string::npos) {
        std::string directory = full.substr(0, slash), member = full.substr(slash + 1);
        struct stat st;
        bool zipDirectory = directory.size() >= 4 && strcasecmp(directory.c_str() + directory.size() - 4, ".zip") == 0;
        // A real folder that happens to be called "something.zip" is just a folder.
        if (zipDirectory && stat(directory.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            ArchiveFile* archive = archiveOpen(directory.c_str(), "rb");
            if (!archive) return nullptr;
            for (int found = archiveIsMember(archive) ? 0 : -1; found == 0; found = archiveNextMember(archive)) {
                const char* name = archiveMemberName(archive);
                if (name && strcasecmp(name, member.c_str()) == 0) return archive;
            }
            archiveClose(archive);
            return nullptr;
        }
    }
    return archiveOpen(path, "rb");
}
