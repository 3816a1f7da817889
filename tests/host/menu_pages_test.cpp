// The menu's pages driven as a user would, by clicking their controls in the window:
// what they leave in the settings file, the snapshot files and the other files they
// write, and what the running machine then is.
#include <gtest/gtest.h>

#include <filesystem>

#include "frontend/ini_file.h"
#include "support/disk_builders.h"
#include "support/hard_disk_builder.h"
#include "support/test_machine.h"
#include "window_harness.h"

namespace fs = std::filesystem;

namespace {

constexpr int F12 = 69;  // SDL scancode

// Steps a few passes apart, so that each click finds the page or dialog it aims at
// drawn (a click presses 2 passes after its step and releases 2 passes later).
struct Script {
    long pass = 20;
    std::string text;
    Script& then(const std::string& step, int passes = 7) {
        text += std::to_string(pass) + " " + step + ";";
        pass += passes;
        return *this;
    }
    Script& click(const std::string& label) { return then("click " + label); }
    Script& key(int scancode) {
        then("press " + std::to_string(scancode), 2);
        return then("release " + std::to_string(scancode), 10);
    }
    Script& wait(int passes) {
        pass += passes;
        return *this;
    }
};

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// What the settings file holds after the run.
struct Settings {
    IniFile ini;
    explicit Settings(const std::string& path) {
        std::string problem;
        EXPECT_EQ(iniLoad(path, ini, problem), IniLoad::Ok) << problem;
    }
    uint32_t number(const char* section, const char* name) const { return iniReadNumber(ini, section, name, 999); }
    std::string text(const char* section, const char* name) const {
        std::string value = "(missing)";
        iniReadString(ini, section, name, value);
        return value;
    }
};

// The machine a snapshot file describes: machine type flags, disk and ROM of its "MAIN"
// section, RAM size index of its "RAM!" section.
struct SnapshotFacts {
    uint32_t machineFlags = 0, ramIndex = 99;
    std::string diskPath, romName;
};

SnapshotFacts readSnapshot(const std::string& path) {
    std::vector<uint8_t> b = readFileBytes(path);
    SnapshotFacts facts;
    size_t at = 0;
    auto u32 = [&](size_t& p) {
        uint32_t v = b[p] | b[p + 1] << 8 | b[p + 2] << 16 | uint32_t(b[p + 3]) << 24;
        p += 4;
        return v;
    };
    auto text = [&](size_t& p) {
        uint32_t n = u32(p);
        std::string s(reinterpret_cast<const char*>(&b[p]), n > 0 ? n - 1 : 0);
        p += n;
        return s;
    };
    while (at + 8 <= b.size()) {
        std::string tag(reinterpret_cast<const char*>(&b[at]), 4);
        at += 4;
        uint32_t size = u32(at);
        size_t p = at + 4;  // after the version
        if (tag == "MAIN") {
            facts.machineFlags = u32(p);
            text(p);
            facts.diskPath = text(p);
            u32(p);
            facts.romName = text(p);
        } else if (tag == "RAM!") {
            facts.ramIndex = u32(p);
        }
        at += size;
    }
    return facts;
}

class MenuPages : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display.started()) GTEST_SKIP() << "Xvfb cannot start here; the window is not tested";
    }
    // The script ends with the window's close request unless it quits by itself.
    WindowRun newRun(const std::string& tag, const Script& script, bool closeAtEnd = true) {
        WindowRun run;
        run.folder = makeTempDir(tag);
        run.script = script.text + (closeAtEnd ? std::to_string(script.pass) + " quit" : "");
        run.arguments = {"--rom", m68kProgramPath("host_screen")};
        return run;
    }
    // Runs to the end; the window's errors are on its standard error.
    std::string runToEnd(const WindowRun& run) {
        EXPECT_EQ(runQuarvWindow(display, run), 0);
        std::string errors = readFileText(run.folder + "/stderr.txt");
        EXPECT_EQ(errors.find("test script"), std::string::npos) << errors;
        return errors;
    }
    VirtualDisplay display;
};

}  // namespace

// A disk that cannot be used at start leaves the drive empty and the menu open on the
// disks page with the loader's reason. Then a folder of the tree, a member of a
// streamed archive inserted on selection, an eject, a refused insert, and an insert
// with the button; slot files record the drive between the steps.
TEST_F(MenuPages, DisksPageInsertsAndEjects) {
    Script script;
    script.then("shot error.png").click("OK").click("disks").click("games.zip/disk1.st").then("shot disks.png");
    script.click("Snapshots").click("Slot 1").click("Overwrite Slot").click("OK").click("Disks").click("Eject");
    script.click("Snapshots").click("Slot 2").click("Overwrite Slot").click("OK").click("Disks");
    script.click("Auto-insert image in drive A:").click("bad.msa").click("Insert").click("OK");
    script.click("games.zip/disk2.st").click("Insert").click("Write protected");
    WindowRun run = newRun("window_disks", script);
    std::string disks = run.folder + "/disks";
    fs::create_directories(disks);
    Bytes image = rawImageWithBootSector(80, 2, 9);
    ZipMember first{"disk1.st", image}, second{"disk2.st", image, false};
    first.streamed = true;
    writeBytes(disks + "/games.zip", buildZip({first, second}));
    Bytes msa = msaImage(image, 80, 2, 9, {});
    msa.resize(30000);
    writeBytes(disks + "/bad.msa", msa);
    run.settings = "[Disks]\nDirectory=" + run.folder + "\n";
    run.arguments.insert(run.arguments.end(), {"--disk", disks + "/bad.msa"});

    std::string errors = runToEnd(run);
    std::string refused = "Disk Error: Cannot use the disk image " + disks + "/bad.msa: MSA image is truncated.";
    EXPECT_EQ(occurrences(errors, refused), 2) << errors;
    EXPECT_EQ(readSnapshot(run.folder + "/MemoryShot/QuarvMemoryShot_1.Quarv").diskPath, disks + "/games.zip/disk1.st");
    EXPECT_EQ(readSnapshot(run.folder + "/MemoryShot/QuarvMemoryShot_2.Quarv").diskPath, "");
    Settings settings(run.folder + "/quarv.ini");
    EXPECT_EQ(settings.text("Disks", "DriveA"), disks + "/games.zip/disk2.st");
    EXPECT_EQ(settings.text("Disks", "Directory"), disks);
    EXPECT_EQ(settings.number("Disks", "AutoInsertDiskA"), 0u);
    EXPECT_EQ(settings.number("Disks", "FloppyAProtected"), 1u);
}

// The hard disk rows: the folder chosen in the tree becomes the folder drive, write
// protected, as D:; the settings file keeps them.
TEST_F(MenuPages, DisksPageMakesTheChosenFolderADrive) {
    Script script;
    script.key(F12).click("Disks").click("Use Chosen Folder").click("Folder write protected");
    script.click("Drive letter").click("D:").then("shot folder.png");
    WindowRun run = newRun("window_folder_drive", script);
    std::string drive = run.folder + "/drive";
    fs::create_directories(drive);
    run.settings = "[Disks]\nDirectory=" + drive + "\n";
    run.arguments.push_back("--no-disk");
    runToEnd(run);
    Settings settings(run.folder + "/quarv.ini");
    EXPECT_EQ(settings.text("Disks", "FolderDrive"), drive);
    EXPECT_EQ(settings.number("Disks", "FolderDriveProtected"), 1u);
    EXPECT_EQ(settings.number("Disks", "FolderDriveLetter"), 3u);
}

// A hard disk image refused at start leaves its device empty, with the reason; the file
// dialog attaches another (a refused one first), and the settings keep it and the
// write-back switch.
TEST_F(MenuPages, DisksPageAttachesHardDiskImages) {
    Script script;
    script.click("OK").click("Attach...").click("File name:").then("type GARBAGE").click("Open").click("OK");
    script.click("Attach...").click("File name:").then("type IMAGE").click("Open");
    script.click("Write changes back to the image files").then("shot hard_disk.png");
    WindowRun run = newRun("window_hard_disk", script);
    std::string cut = run.folder + "/cut.img", garbage = run.folder + "/garbage.img", image = run.folder + "/hd.img";
    Bytes disk = hardDiskImage(PartitionTable::Atari, 8400, {});
    writeBytes(image, disk);
    writeBytes(garbage, testPattern(disk.size(), 3, false));
    disk.resize(disk.size() / 2);
    writeBytes(cut, disk);
    run.script.replace(run.script.find("GARBAGE"), 7, garbage);
    run.script.replace(run.script.find("IMAGE"), 5, image);
    run.arguments.insert(run.arguments.end(), {"--acsi", cut});

    std::string errors = runToEnd(run);
    for (const std::string& refused :
         {"Disk Error: Cannot use the hard disk image " + cut + ": it is smaller than its partition table says",
          "Disk Error: Cannot use the hard disk image " + garbage + ": it holds neither"})
        EXPECT_EQ(occurrences(errors, refused), 1) << refused << "\n" << errors;
    Settings settings(run.folder + "/quarv.ini");
    EXPECT_EQ(settings.text("Disks", "AcsiImage0"), image);
    EXPECT_EQ(settings.text("Disks", "AcsiImage1"), "");
    EXPECT_EQ(settings.number("Disks", "AcsiWriteBack"), 1u);
}

// Machine type, RAM and other options reach the running machine and the settings file;
// a ROM added through the file dialog (a TOS 2.06 header: the warning, then the note)
// is made active, which restarts the machine on it. Quitting then asks first.
TEST_F(MenuPages, OptionsPageChangesTheMachineAndTheRomList) {
    Script script;
    script.key(F12).click("Options").click("Set Active").click("OK");
    script.click("STE").click("OK").click("512K").click("Ultra Fast").click("Use arrow keys as joystick");
    script.click("Low Pass filter").click("Run Quarv in fullscreen").click("OK").then("shot options.png");
    script.click("Add").click("File name:").then("type TOS_PATH").click("Open").click("OK").then("shot note.png");
    script.click("OK").click("Set Active").click("Confirm Quit").click("Quit").click("Yes");
    WindowRun run = newRun("window_options", script, false);
    std::string tos = run.folder + "/tos206.img";
    Bytes rom = readFileBytes(m68kProgramPath("host_screen"));
    rom[2] = 0x02, rom[3] = 0x06, rom[28] = 0x00, rom[29] = 0x03;
    writeBytes(tos, rom);
    run.script.replace(run.script.find("TOS_PATH"), 8, tos);

    std::string errors = runToEnd(run);
    for (const char* message : {
             "Note: Please select a line in the ROM-List before clicking on the SET-Active button.",
             "Quarv Message: Quarv STE mode is far to be perfect.",
             "Quarv Message: You must restart Quarv to validate that change.",
             "TOS Warning !: Quarv prefer TOS 1.00 version.",
             "Note: Don't forget to activate the new ROM by clicking on the Set-Active button",
         })
        EXPECT_NE(errors.find(message), std::string::npos) << message;
    SnapshotFacts running = readSnapshot(run.folder + "/MemoryShot/DefaultSnapshot.Quarv");
    EXPECT_EQ(running.machineFlags & 1, 1u) << "an STE";
    EXPECT_EQ(running.ramIndex, 0u) << "512 KB";
    EXPECT_EQ(running.romName, tos);
    Settings settings(run.folder + "/quarv.ini");
    EXPECT_EQ(settings.number("Machine", "Machine"), 1u);
    EXPECT_EQ(settings.number("Machine", "RAMSize"), 0u);
    EXPECT_EQ(settings.number("Machine", "FastDisk"), 1u);
    EXPECT_EQ(settings.number("Machine", "bArrowForJoystick"), 0u);
    EXPECT_EQ(settings.number("Machine", "bLowPass"), 0u);
    EXPECT_EQ(settings.number("Graphics", "bFullscreen"), 1u);
    EXPECT_EQ(settings.number("Graphics", "bConfirmQuit"), 1u);
    // The new ROM above the bundled EmuTOS images that the first start listed.
    EXPECT_EQ(settings.number("ROMS", "Count"), 3u);
    EXPECT_EQ(settings.text("ROMS", "ROM0"), tos);
    EXPECT_EQ(settings.number("ROMS", "Active0"), 1u);
    EXPECT_EQ(fs::path(settings.text("ROMS", "ROM1")).filename(), "etos192uk.img");
    EXPECT_EQ(fs::path(settings.text("ROMS", "ROM2")).filename(), "etos256uk.img");
    EXPECT_EQ(settings.number("ROMS", "Active1") + settings.number("ROMS", "Active2"), 0u);
    EXPECT_EQ(settings.number("Machine", "bEmuTosOffered"), 1u);
}

// Screenshots in both formats, a WAV recording over some running frames, slots saved,
// erased and loaded (which runs the machine again).
TEST_F(MenuPages, SnapshotsPageSavesPicturesSoundAndSlots) {
    Script script;
    script.wait(10).key(F12).click("Snapshots").click("Save Screenshot").click("OK").click("GIF");
    script.click("Save Screenshot").click("OK").click("Start Recording").then("shot recording.png").click("Run");
    script.wait(50).key(F12).click("Stop Recording").click("Slot 3").click("Overwrite Slot").click("OK");
    script.click("Erase Slot").click("Slot 4").click("Overwrite Slot").click("OK").click("Load & Run Slot !");
    script.wait(10).then("dump running.png");
    WindowRun run = newRun("window_snapshots", script);

    std::string errors = runToEnd(run);
    for (const char* message : {"shot/Quarv_000.tga saved.", "shot/Quarv_000.gif saved.",
                                "Slot 3 has been overwritten.", "Slot 4 has been overwritten."})
        EXPECT_NE(errors.find(message), std::string::npos) << message;
    EXPECT_GT(fs::file_size(run.folder + "/shot/Quarv_000.tga"), 18u);
    EXPECT_EQ(readFileText(run.folder + "/shot/Quarv_000.gif").substr(0, 6), "GIF87a");

    Bytes wav = readFileBytes(run.folder + "/sound/song_000.wav");
    ASSERT_GT(wav.size(), 44u);
    auto le32 = [&](size_t at) { return uint32_t(wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | wav[at + 3] << 24); };
    uint32_t data = le32(40);
    EXPECT_EQ(data, wav.size() - 44);
    EXPECT_EQ(le32(4), data + 36);
    EXPECT_EQ(data % (881 * 4), 0u) << "whole frames";
    EXPECT_GE(data, 30u * 881 * 4) << "the frames that ran while recording";

    EXPECT_FALSE(fs::exists(run.folder + "/MemoryShot/QuarvMemoryShot_3.Quarv"));
    EXPECT_TRUE(fs::exists(run.folder + "/MemoryShot/QuarvMemoryShot_4.Quarv"));
    EXPECT_TRUE(fs::exists(run.folder + "/running.png")) << "the loaded slot did not run";
}
