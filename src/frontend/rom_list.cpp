#include "frontend/rom_list.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "base/input_file.h"
#include "bus/memory_map.h"

RomList romList;

// The file names of the list in lower case: a name is refused when the list holds it in
// any letter case, and a list of many thousand entries is read without comparing each
// new name with every one before it.
static std::unordered_set<std::string> namesInList;

static std::string lowerCase(const char* name) {
    std::string s = name;
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

static uint32_t bigEndianLong(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

static RomRecord* findRecord(uint32_t id) {
    for (RomRecord* r = romList.head; r; r = r->next)
        if (r->id == id) return r;
    return nullptr;
}

void romListClear() {
    while (RomRecord* r = romList.head) {
        romList.head = r->next;
        delete r;
    }
    namesInList.clear();
}

// The branch at the start of every TOS image, or one of the two cartridge signatures.
static int32_t classify(const uint8_t* header) {
    uint32_t first = bigEndianLong(header);
    uint32_t word = first >> 16;
    if (word == 0x602E || word == 0x601E) return ROM_KIND_TOS;
    if (first == 0xFA52235F) return ROM_KIND_DIAGNOSTIC;
    if (first == 0xABCDEF42) return ROM_KIND_APPLICATION;
    return -1;
}

int32_t romListAdd(const char* fileName) {
    if (namesInList.count(lowerCase(fileName))) return -1;
    std::FILE* f = openInputFile(fileName);
    if (!f) return -1;
    RomRecord* record = new RomRecord{};
    size_t got = std::fread(record->header, 1, sizeof record->header, f);
    std::fclose(f);
    record->kind = classify(record->header);
    if (got < 4 || record->kind < 0) {
        delete record;
        return -1;
    }
    std::snprintf(record->fileName, sizeof record->fileName, "%s", fileName);
    namesInList.insert(lowerCase(record->fileName));
    record->id = romList.nextId++;
    record->next = romList.head;
    romList.head = record;
    return int32_t(record->id);
}

void romListRemove(uint32_t id) {
    for (RomRecord** link = &romList.head; *link; link = &(*link)->next)
        if ((*link)->id == id) {
            RomRecord* r = *link;
            *link = r->next;
            namesInList.erase(lowerCase(r->fileName));
            delete r;
            return;
        }
}

const uint8_t* romListHeader(uint32_t id) {
    RomRecord* r = findRecord(id);
    return r ? r->header : nullptr;
}

int32_t romListKind(uint32_t id) {
    RomRecord* r = findRecord(id);
    return r ? r->kind : -1;
}

int romListCount() {
    int n = 0;
    for (RomRecord* r = romList.head; r; r = r->next) ++n;
    return n;
}

int32_t romListIdAt(int position) {
    RomRecord* r = romList.head;
    for (int i = 0; r && i < position; ++i) r = r->next;
    return r && position >= 0 ? int32_t(r->id) : -1;
}

const char* romListName(uint32_t id) {
    RomRecord* r = findRecord(id);
    return r ? r->fileName : nullptr;
}

uint32_t romListIsActive(uint32_t id) {
    RomRecord* r = findRecord(id);
    return r ? r->active : 0;
}

static bool isCartridge(const RomRecord* r) { return r->kind != ROM_KIND_TOS; }

// A TOS image becomes active, a cartridge toggles; the others of the same class go off.
void romListSetActive(uint32_t id) {
    RomRecord* chosen = findRecord(id);
    if (!chosen) return;
    chosen->active = isCartridge(chosen) ? !chosen->active : 1;
    for (RomRecord* r = romList.head; r; r = r->next)
        if (r != chosen && isCartridge(r) == isCartridge(chosen)) r->active = 0;
}

int32_t romListFindActive(bool cartridge) {
    for (RomRecord* r = romList.head; r; r = r->next)
        if (r->active && isCartridge(r) == cartridge) return int32_t(r->id);
    return -1;
}

const char* romKindName(int32_t kind) {
    static const char* const names[3] = {"TOS ROM", "Diagnostic", "Application"};
    return kind >= 0 && kind < 3 ? names[kind] : "";
}

std::string romCountryText(const uint8_t* header) {
    static const char* const countries[17] = {
        "USA", "Germany", "France", "United Kingdom", "Spain", "Italy", "Sweden", "Switzerland - French)",
        "Switzerland - German)", "Turkey", "Finland", "Norway", "Denmark", "Saudi Arabia", "Holland",
        "Czechoslovakia", "Hungary"};
    unsigned configuration = header[28] << 8 | header[29];
    unsigned country = configuration >> 1;
    std::string name = country < 17 ? countries[country] : "?";
    return name + " (" + ((configuration & 1) ? "PAL" : "NTSC") + ")";
}

static std::string format(const char* pattern, unsigned a, unsigned b = 0, unsigned c = 0, unsigned d = 0) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

// The year's two BCD bytes are shown as four digits: the second byte keeps its leading
// zero (2005 is $20 $05).
RomRowTexts romRowTexts(uint32_t id) {
    RomRowTexts row;
    RomRecord* r = findRecord(id);
    if (!r) return row;
    const uint8_t* h = r->header;
    const char* slash = std::strrchr(r->fileName, '/');
    row.fileName = slash ? slash + 1 : r->fileName;
    row.type = romKindName(r->kind);
    row.active = r->active ? "Yes" : "";
    if (isCartridge(r)) {
        row.base = format("$%X", CARTRIDGE_BASE);
        return row;
    }
    row.base = format("$%X", bigEndianLong(h + 8));
    row.version = format("%X.%X", h[2], h[3]);
    row.date = format("%X/%X/%X%02X", h[25], h[24], h[26], h[27]);
    row.country = romCountryText(h);
    return row;
}
