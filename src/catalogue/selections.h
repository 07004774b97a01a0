// The user's selections: one 109-byte record that is also the whole of kstlupd.ini.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "catalogue/data_source.h"

struct AppWindow;

constexpr size_t kSelectionsSize = 109;

struct Selections {
    char id[8] = {};               // "KSTLUPD"
    char version[8] = {};          // version text of the updater that wrote it
    char iniTag[4] = {};           // "INI"
    uint8_t ini[kSlotCount] = {};  // as last saved
    char selTag[4] = {};           // "SEL"
    uint8_t sel[kSlotCount] = {};  // current selection: 0, 1 or a list ID
    char updTag[4] = {};           // "UPD"
    uint8_t upd[kSlotCount] = {};  // must be installed in this run
};

// Reads the state of a slot's check box (identifier 1400 + slot) for CopySelections.
struct CheckBoxReader {
    void* context = nullptr;
    // Non-zero when the box with this identifier exists and is checked.
    int (*is_checked)(void* context, int id) = nullptr;
};

// Fresh record from the catalogue's defaults; logs the defaults with -debug.
std::unique_ptr<Selections> new_status(const Catalogue& catalogue);

// Record from an open file, or nullptr when the content is not valid (short, wrong
// id, or another major version). Logs the selections with -debug.
std::unique_ptr<Selections> read_ini(FILE* file, const Catalogue& catalogue);

// Start-up: the record from g_config.iniFile or from defaults, with the reports for
// an unreadable or invalid file. Never fails.
std::unique_ptr<Selections> load_selections(const Catalogue& catalogue);

// Copies the main window's check boxes into sel, each slot from the box that chooses
// it in the logging program's version (an archive member from its archive's box).
void CopySelections(const CheckBoxReader& boxes, Selections* selections, const Catalogue& catalogue,
                    const std::string& hostVersion);

// Saves the record when anything changed since the last save (or it was written by
// another version). Returns 1 when the file is current afterwards, 0 after a
// reported failure (the old file is then unchanged).
[[nodiscard]] int write_selections(AppWindow* owner, Selections* selections, const Catalogue& catalogue);

// The 109 bytes of a record, and back.
void encode_selections(const Selections& s, uint8_t out[kSelectionsSize]);
void decode_selections(const uint8_t in[kSelectionsSize], Selections* s);
