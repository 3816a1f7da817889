#pragma once
// Writing changed sectors back into a hard disk image without ever leaving it half
// written. An image can be far too large to copy to a temporary file at each write-back,
// so the changed sectors go first, whole, into a journal beside the image
// ("<image>.journal", written to a temporary name and renamed); only then are they
// written into the image, which is synchronised before the journal is removed. A journal
// found when the image is next attached is a write-back that did not finish: it is
// completed first. A host write that fails before the journal is in place leaves the
// image as it was; one that fails after it leaves the journal to complete it.
#include <cstdint>
#include <string>
#include <vector>

struct JournalSector {
    uint32_t lba;
    const uint8_t* bytes;  // 512 bytes, in file order
};

std::string journalPath(const std::string& image);
// False with the reason when the image could not be changed completely.
bool journalWriteBack(const std::string& image, const std::vector<JournalSector>& sectors, std::string& error);
// Completes the journal an earlier write-back left; true when there was none or it was
// applied. A damaged journal, or one that names sectors beyond the image, is refused.
bool journalComplete(const std::string& image, std::string& error);
