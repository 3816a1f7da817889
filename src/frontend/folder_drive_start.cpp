#include "frontend/folder_drive_start.h"

#include <cstdio>
#include <filesystem>

#include "frontend/config.h"
#include "gemdos/folder_drive.h"
#include "machine/rom_images.h"

namespace fs = std::filesystem;

bool attachConfiguredFolderDrive(std::string& error) {
    if (config.folderDrive.empty()) {
        detachFolderDrive();
        return true;
    }
    return attachFolderDrive(config.folderDrive, int(config.folderDriveLetter), config.folderDriveProtected, error);
}

bool attachProgramFolder(const std::string& program, const std::string& arguments, int letter, bool writeProtect,
                         std::string& error) {
    std::error_code failed;
    fs::path path = fs::absolute(program, failed);
    if (failed || !fs::is_regular_file(path, failed)) {
        error = "Cannot run " + program + ": there is no such file.";
        return false;
    }
    std::string folder = path.parent_path().string();
    if (!attachFolderDrive(folder, letter, writeProtect, error)) return false;
    std::string name = folderDriveNameOf(folder, path.filename().string());
    if (name.empty()) {
        detachFolderDrive();
        error = "Cannot run " + program + ": the ST does not see files whose names start with a dot.";
        return false;
    }
    setFolderDriveStartProgram(name, arguments);
    return true;
}

// A folder named on the command line becomes the setting; the settings' own folder, when
// it is gone, leaves the run without the drive and says so.
bool attachStartupFolderDrive(const ProgramOptions& options, std::string& error) {
    int letter = int(config.folderDriveLetter);
    bool protect = config.folderDriveProtected;
    if (!options.programPath.empty())
        return attachProgramFolder(options.programPath, options.programArguments, letter, protect, error);
    if (!options.hdFolder.empty()) {
        if (!attachFolderDrive(options.hdFolder, letter, protect, error)) return false;
        config.folderDrive = options.hdFolder;
        return true;
    }
    std::string problem;
    if (!attachConfiguredFolderDrive(problem)) std::fprintf(stderr, "Warning: %s\n", problem.c_str());
    return true;
}

std::string programStartProblem() {
    if (tosHasGemdos()) return "";
    return "Running ST programs needs a TOS image such as EmuTOS: add it to the ROM list on the Options page "
           "and make it active, or give it with --rom FILE.";
}
