#include "pipeline/country_texts.h"

#include <filesystem>

#include "support/app_fixture.h"

namespace {

class CountryTexts : public AppTest {
protected:
    // Every table and twin, each with its own content and time.
    void make_all()
    {
        make_dir("CTYTexts");
        long long t = 1500000000;
        for (const char* base : {"cnty_coord", "ctregion", "iota", "states"}) {
            write_text(std::string(base) + ".txt", t++);
            write_text(std::string(base) + ".dmp", t++);
        }
        write_text("SubDivisions.ini", t++);
        write_text("SubDivisions.dmp", t++);
    }
    void write_text(const std::string& name, long long time)
    {
        write_file("CTYTexts/" + name, "content of " + name);
        set_mtime("CTYTexts/" + name, time);
    }
    std::string text(const std::string& name) { return read_file("CTYTexts/" + name); }
};

}  // namespace

TEST_F(CountryTexts, PresentTablesAreLeftAlone)
{
    make_all();
    EXPECT_EQ(restoreCountryTexts(nullptr), 1);
    EXPECT_EQ(text("iota.txt"), "content of iota.txt");
    EXPECT_EQ(text("SubDivisions.ini"), "content of SubDivisions.ini");
    EXPECT_EQ(mtime_of("CTYTexts/states.txt"), 1500000006);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "");
}

TEST_F(CountryTexts, AMissingTableIsCopiedFromItsTwin)
{
    make_all();
    std::filesystem::remove("CTYTexts/iota.txt");
    std::filesystem::remove("CTYTexts/SubDivisions.ini");
    EXPECT_EQ(restoreCountryTexts(nullptr), 1);
    EXPECT_EQ(text("iota.txt"), "content of iota.dmp");
    EXPECT_EQ(mtime_of("CTYTexts/iota.txt"), mtime_of("CTYTexts/iota.dmp"));
    EXPECT_EQ(text("SubDivisions.ini"), "content of SubDivisions.dmp");
    EXPECT_EQ(text("ctregion.txt"), "content of ctregion.txt");
    EXPECT_EQ(text("states.txt"), "content of states.txt");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "");
}

TEST_F(CountryTexts, AFailedCopyStopsBeforeTheLaterTables)
{
    make_all();
    for (const char* name : {"cnty_coord.txt", "ctregion.txt", "ctregion.dmp", "iota.txt", "states.txt"})
        std::filesystem::remove(std::string("CTYTexts/") + name);
    EXPECT_EQ(restoreCountryTexts(nullptr), 0);
    EXPECT_EQ(text("cnty_coord.txt"), "content of cnty_coord.dmp");
    EXPECT_FALSE(path_exists("CTYTexts/ctregion.txt"));
    EXPECT_FALSE(path_exists("CTYTexts/iota.txt"));
    EXPECT_FALSE(path_exists("CTYTexts/states.txt"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Unable to copy CTYTexts\\ctregion.dmp to CTYTexts\\ctregion.txt, error code = 2");
    EXPECT_EQ(dialogs.shown[0].title, "CopyFileEx");
    EXPECT_EQ(dialogs.shown[0].style, 0x40010u);
    EXPECT_EQ(log_text(), "ERROR:\tUnable to copy CTYTexts\\ctregion.dmp to CTYTexts\\ctregion.txt, error code = 2\n");
}

TEST_F(CountryTexts, ADirectoryInPlaceOfATableCountsAsMissingAndCannotBeReplaced)
{
    make_all();
    std::filesystem::remove("CTYTexts/iota.txt");
    make_dir("CTYTexts/iota.txt");
    std::filesystem::remove("CTYTexts/states.txt");
    g_config.autoMode = 1;
    EXPECT_EQ(restoreCountryTexts(nullptr), 0);
    EXPECT_TRUE(std::filesystem::is_directory("CTYTexts/iota.txt"));
    EXPECT_FALSE(path_exists("CTYTexts/states.txt"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "ERROR:\tAccess denied: CTYTexts\\iota.txt\n");
}
