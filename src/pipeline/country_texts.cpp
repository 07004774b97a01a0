#include "pipeline/country_texts.h"

#include "base/path_text.h"
#include "files/file_ops.h"

namespace {

struct TextTable {
    const char* table;
    const char* twin;
};

// The tables the country archive does not carry, each with the copy it is rebuilt from.
constexpr TextTable kTextTables[] = {
    {"cnty_coord.txt", "cnty_coord.dmp"}, {"ctregion.txt", "ctregion.dmp"},         {"iota.txt", "iota.dmp"},
    {"states.txt", "states.dmp"},         {"SubDivisions.ini", "SubDivisions.dmp"},
};

constexpr const char* kTextFolder = "CTYTexts";

}  // namespace

int restoreCountryTexts(AppWindow* owner)
{
    for (const TextTable& pair : kTextTables) {
        const std::string table = join_path(kTextFolder, pair.table);
        if (fileExists(table.c_str())) continue;
        const std::string twin = join_path(kTextFolder, pair.twin);
        if (!copyFileReported(owner, twin.c_str(), table.c_str())) return 0;
    }
    return 1;
}
