#include "pipeline/country_texts.h"

#include <filesystem>

#include "support/app_fixture.h"

namespace fs = std::filesystem;

namespace {

class CountryTexts : public AppTest {};

// Every table and twin, each with its own content and time, less the `missing` ones.
void make_texts(std::initializer_list<const char*> missing)
{
    make_dir("CTYTexts");
    long long t = 1500000000;
    for (const std::string name : {"cnty_coord.txt", "cnty_coord.dmp", "ctregion.txt", "ctregion.dmp", "iota.txt",
                                   "iota.dmp", "states.txt", "states.dmp", "SubDivisions.ini", "SubDivisions.dmp"}) {
        write_file("CTYTexts/" + name, "content of " + name);
        set_mtime("CTYTexts/" + name, t++);
    }
    for (const char* name : missing) fs::remove(std::string("CTYTexts/") + name);
}

}  // namespace

TEST_F(CountryTexts, AMissingTableIsCopiedFromItsTwinAndPresentOnesAreLeftAlone)
{
    make_texts({"iota.txt", "SubDivisions.ini"});
    EXPECT_EQ(restoreCountryTexts(nullptr), 1);
    EXPECT_EQ(read_file("CTYTexts/iota.txt"), "content of iota.dmp");
    EXPECT_EQ(mtime_of("CTYTexts/iota.txt"), mtime_of("CTYTexts/iota.dmp"));
    EXPECT_EQ(read_file("CTYTexts/SubDivisions.ini"), "content of SubDivisions.dmp");
    EXPECT_EQ(mtime_of("CTYTexts/states.txt"), 1500000006);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CountryTexts, AFailedCopyStopsBeforeTheLaterTables)
{
    make_texts({"cnty_coord.txt", "ctregion.txt", "ctregion.dmp", "iota.txt", "states.txt"});
    EXPECT_EQ(restoreCountryTexts(nullptr), 0);
    EXPECT_EQ(read_file("CTYTexts/cnty_coord.txt"), "content of cnty_coord.dmp");
    EXPECT_FALSE(path_exists("CTYTexts/ctregion.txt") || path_exists("CTYTexts/iota.txt"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Unable to copy CTYTexts\\ctregion.dmp to CTYTexts\\ctregion.txt, error code = 2");

    // A folder in place of a table counts as missing and is not replaced; unattended,
    // the failure goes to the log only.
    write_file("CTYTexts/ctregion.dmp", "content of ctregion.dmp");
    make_dir("CTYTexts/iota.txt");
    g_config.autoMode = 1;
    EXPECT_EQ(restoreCountryTexts(nullptr), 0);
    EXPECT_EQ(read_file("CTYTexts/ctregion.txt"), "content of ctregion.dmp");
    EXPECT_TRUE(fs::is_directory("CTYTexts/iota.txt"));
    EXPECT_FALSE(path_exists("CTYTexts/states.txt"));
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(log_text(), "ERROR:\tUnable to copy CTYTexts\\ctregion.dmp to CTYTexts\\ctregion.txt, error code = 2\n"
                          "ERROR:\tAccess denied: CTYTexts\\iota.txt\n");
}
