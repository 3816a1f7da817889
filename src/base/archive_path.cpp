#include <strings.h>
#include <sys/stat.h>

#include <string>

#include "base/archive_file.h"
#include "base/input_file.h"

static std::string openError;

const std::string& archiveOpenError() { return openError; }

static ArchiveFile* open(const char* path) {
    ArchiveFile* f = archiveOpen(path);
    openError = f ? "" : inputFileError();
    return f;
}

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
            ArchiveFile* archive = open(directory.c_str());
            if (!archive) return nullptr;
            if (archiveFindMember(archive, member.c_str())) return archive;
            archiveClose(archive);
            openError = directory + " holds no readable member " + member + ".";
            return nullptr;
        }
    }
    return open(path);
}
