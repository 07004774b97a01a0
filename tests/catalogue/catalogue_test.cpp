#include "catalogue/catalogue.h"

#include "app/host_checks.h"
#include "support/app_fixture.h"

namespace {

using CatalogueTest = AppTest;

Catalogue build_for(const char* hostVersion)
{
    g_config.hostVersion = hostVersion;
    choose_master_slot(&g_config);
    Catalogue c;
    build_catalogue(&c);
    return c;
}

TEST_F(CatalogueTest, PathsOfBothColumns)
{
    struct Row {
        const char* version;
        int slot;
        const char* target;
        const char* download;  // "" = none
    };
    const Row rows[] = {
        {"8.5.0.39", 1, "SAVE\\kestrl.awd", "UPDATE\\kestrl_awd.zip"},
        {"8.5.0.39", 5, "SAVE\\kestrl.cty", "UPDATE\\kestrl_cty.zip"},
        {"8.5.0.39", 15, "IMPORT\\adif.pmp", ""},
        {"8.5.0.39", 4, "SAVE\\KESTRL.CAL", ""},
        {"8.5.0.39", 8, "SAVE\\KESTRL.TCP", "UPDATE\\KESTRL.KCP"},
        {"8.5.0.39", 10, "KESTRL.MAS1", ""},
        {"8.5.0.39", 6, "kstlupd.exe", "UPDATE\\kstlupd.exe"},
        {"8.5.0.39", 19, "UPDATE\\clublog.scp", "UPDATE\\clublog.scp.zip"},
        {"8.5.0.39", 20, "UPDATE\\MASTER.LIS", "UPDATE\\MASTER.LIS"},
        {"8.5.0.39", 21, "UPDATE\\AGMemberList.txt", "UPDATE\\AGMemberList.txt"},
        {"8.5.0.39", 25, "member.txt", "member.txt"},
        {"9.0.0.0", 0, "CTYTexts\\address.txt", "UPDATE\\kestrl9_cty.zip"},
        {"9.0.0.0", 2, "SAVE\\awdmap.txt", "UPDATE\\kestrl9_awd.zip"},
        {"9.0.0.0", 5, "SAVE\\country.dat", "UPDATE\\kestrl9_cty.zip"},
        {"9.0.0.0", 17, "SAVE\\clusters.txt", "UPDATE\\KESTRL.TCP"},
        {"9.0.0.0", 10, "SAVE\\mstrcals.dat", ""},
        {"9.0.0.0", 18, "SAVE\\wpxdeltd.txt", "UPDATE\\KESTRL.WPX"},
    };
    for (const Row& r : rows) {
        const Catalogue c = build_for(r.version);
        EXPECT_EQ(c.slot[r.slot].targetPath, r.target) << r.version << " slot " << r.slot;
        EXPECT_EQ(c.slot[r.slot].downloadPath, r.download) << r.version << " slot " << r.slot;
    }
}

TEST_F(CatalogueTest, EmptySlotsAndSharedArchives)
{
    Catalogue c = build_for("8.5.0.39");
    for (int i : {0, 2, 3, 12, 13, 14, 16}) {
        EXPECT_EQ(c.slot[i].title, nullptr) << i;
        EXPECT_TRUE(c.slot[i].targetPath.empty()) << i;
        EXPECT_EQ(c.slot[i].enabled + c.slot[i].selected + c.slot[i].required, 0) << i;
    }
    EXPECT_EQ(c.slot[19].secure, 1);
    EXPECT_EQ(c.slot[8].enabled, 1);

    c = build_for("9");
    EXPECT_EQ(c.slot[15].title, nullptr);
    EXPECT_EQ(c.slot[8].enabled, 0);
    for (int i : {0, 12, 13, 14, 16}) {
        EXPECT_EQ(c.slot[i].remotePath, c.slot[5].remotePath) << i;  // the same text
        EXPECT_EQ(c.slot[i].host, nullptr) << i;
        EXPECT_EQ(c.slot[i].selected, c.slot[5].selected) << i;
    }
}

TEST_F(CatalogueTest, VersionRulesAreOnText)
{
    EXPECT_EQ(is_version9("9.0.0.0"), 1);
    EXPECT_EQ(is_version9(" 9.1"), 1);
    EXPECT_EQ(is_version9("10.0.0.1"), 0);
    EXPECT_EQ(is_version9(""), 0);

    Catalogue c = build_for("7.5.0.1");  // lower than "8": no membership lists
    for (int i = 21; i <= 25; ++i) EXPECT_EQ(c.slot[i].selected, 0) << i;
    EXPECT_EQ(c.slot[11].selected + c.slot[11].enabled, 0);
    EXPECT_EQ(c.mainList[4], 10);

    c = build_for("10.0.0.1");  // lower than "8" and than "7.06"
    EXPECT_EQ(c.slot[11].enabled, 0);
    EXPECT_EQ(c.mainList, (std::array<int, 9>{1, 4, 5, 7, 9, 11, 17, 8, 18}));
    EXPECT_EQ(c.slot[9].selected, 1);
    EXPECT_EQ(c.slot[10].selected, 0);
}

TEST_F(CatalogueTest, DefaultSelectionsWithDerivedTargets)
{
    const Catalogue c = build_for("8.5.0.39");
    std::vector<int> on;
    for (int i = 0; i < kSlotCount; ++i)
        if (c.slot[i].selected) on.push_back(i);
    EXPECT_EQ(on, (std::vector<int>{1, 4, 5, 6, 10, 11, 15, 17, 18, 19, 20, 21, 22, 23, 26}));
    EXPECT_EQ(c.slot[21].selected, 'E');
    EXPECT_EQ(c.slot[22].selected, 'L');
    EXPECT_EQ(c.slot[23].selected, 'O');
    EXPECT_EQ(c.mainList, (std::array<int, 9>{1, 4, 5, 7, 10, 11, 17, 8, 18}));
}

}  // namespace
