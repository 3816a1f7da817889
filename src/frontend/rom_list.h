#pragma once
// The registered TOS and cartridge images, recognised by their 64-byte header, of which
// the active ones are loaded into the machine (machine/rom_images.h).
#include <cstdint>
#include <string>

enum RomKind : int32_t { ROM_KIND_TOS = 0, ROM_KIND_DIAGNOSTIC = 1, ROM_KIND_APPLICATION = 2 };

struct RomRecord {
    uint32_t active;
    uint32_t id;
    int32_t kind;
    char fileName[256];
    uint8_t header[64];  // as stored in the file (big-endian)
    RomRecord* next;
};

struct RomList {
    uint32_t nextId;
    RomRecord* head;  // newest first
};

extern RomList romList;

void romListClear();
int32_t romListAdd(const char* fileName);  // new id, or -1
void romListRemove(uint32_t id);
const uint8_t* romListHeader(uint32_t id);
int32_t romListKind(uint32_t id);  // -1 for an unknown id
int romListCount();
int32_t romListIdAt(int position);  // -1 past the end
const char* romListName(uint32_t id);
uint32_t romListIsActive(uint32_t id);
void romListSetActive(uint32_t id);
int32_t romListFindActive(bool cartridge);

// Texts of the ROM list page.
const char* romKindName(int32_t kind);
// "Germany (PAL)" from the header's configuration word; "?" for an unknown country.
std::string romCountryText(const uint8_t* header);
// One row of the ROM list page: the file name without its folder, the kind, the base
// ("$FC0000"; "$FA0000" for a cartridge) and, for TOS images only, version ("1.0"), build
// date ("20/11/1985") and country; "Yes" for an active record.
struct RomRowTexts {
    std::string fileName, type, base, version, date, country, active;
};
RomRowTexts romRowTexts(uint32_t id);
