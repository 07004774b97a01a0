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

bool is_empty(const DataSource& s)
{
    return !s.title && !s.host && !s.remotePath && s.secure == 0 && s.required == 0 && s.selected == 0 &&
           s.enabled == 0 && s.downloadPath.empty() && s.targetPath.empty();
}

TEST_F(CatalogueTest, OtherVersionsUseTheirFileNamesAndLeaveVersion9SlotsEmpty)
{
    const Catalogue c = build_for("8.5.0.39");
    for (int i : {0, 2, 3, 12, 13, 14, 16}) EXPECT_TRUE(is_empty(c.slot[i])) << i;
    EXPECT_STREQ(c.slot[1].remotePath, "kestrl/awards/download/kestrl_awd.zip");
    EXPECT_EQ(c.slot[1].targetPath, "SAVE\\kestrl.awd");
    EXPECT_EQ(c.slot[1].downloadPath, "UPDATE\\kestrl_awd.zip");
    EXPECT_EQ(c.slot[5].targetPath, "SAVE\\kestrl.cty");
    EXPECT_EQ(c.slot[5].downloadPath, "UPDATE\\kestrl_cty.zip");
    EXPECT_EQ(c.slot[15].targetPath, "IMPORT\\adif.pmp");
    EXPECT_EQ(c.slot[15].remotePath, nullptr);
    EXPECT_TRUE(c.slot[15].downloadPath.empty());
    EXPECT_EQ(c.slot[4].targetPath, "SAVE\\KESTRL.CAL");
    EXPECT_EQ(c.slot[8].enabled, 1);
    EXPECT_EQ(c.slot[8].targetPath, "SAVE\\KESTRL.TCP");
    EXPECT_EQ(c.slot[17].downloadPath, "UPDATE\\KESTRL.TCP");
    EXPECT_EQ(c.slot[8].downloadPath, "UPDATE\\KESTRL.KCP");
    EXPECT_EQ(c.slot[10].targetPath, "KESTRL.MAS1");
    EXPECT_EQ(c.slot[11].targetPath, "KESTRL.MAS2");
    EXPECT_EQ(c.slot[18].targetPath, "SAVE\\KESTRL.WPX");
    EXPECT_EQ(c.slot[6].targetPath, "kstlupd.exe");
    EXPECT_EQ(c.slot[6].downloadPath, "UPDATE\\kstlupd.exe");
    EXPECT_EQ(c.slot[19].secure, 1);
    EXPECT_EQ(c.slot[19].downloadPath, "UPDATE\\clublog.scp.zip");
    EXPECT_EQ(c.slot[19].targetPath, "UPDATE\\clublog.scp");
    EXPECT_EQ(c.slot[20].downloadPath, "UPDATE\\MASTER.LIS");
    EXPECT_EQ(c.slot[21].downloadPath, "UPDATE\\AGMemberList.txt");
    EXPECT_EQ(c.slot[21].targetPath, c.slot[21].downloadPath);
    EXPECT_EQ(c.slot[25].downloadPath, "member.txt");
    EXPECT_EQ(c.slot[25].targetPath, "member.txt");
    EXPECT_EQ(c.slot[26].downloadPath, "UPDATE\\kestrl.php");
    EXPECT_EQ(c.mainList, (std::array<int, 9>{1, 4, 5, 7, 10, 11, 17, 8, 18}));
}

TEST_F(CatalogueTest, Version9UsesItsFileNamesAndSharedArchive)
{
    for (const char* v : {"9.0.0.0", "9"}) {
        const Catalogue c = build_for(v);
        EXPECT_TRUE(is_empty(c.slot[15])) << v;
        EXPECT_STREQ(c.slot[5].remotePath, "kestrl/download/kestrl9_cty.zip");
        for (int i : {0, 12, 13, 14, 16}) {
            EXPECT_EQ(c.slot[i].remotePath, c.slot[5].remotePath) << i;  // the same text
            EXPECT_EQ(c.slot[i].downloadPath, "UPDATE\\kestrl9_cty.zip") << i;
            EXPECT_EQ(c.slot[i].host, nullptr);
            EXPECT_EQ(c.slot[i].selected, c.slot[5].selected);
        }
        EXPECT_EQ(c.slot[0].targetPath, "CTYTexts\\address.txt");
        EXPECT_EQ(c.slot[2].targetPath, "SAVE\\awdmap.txt");
        EXPECT_EQ(c.slot[2].downloadPath, "UPDATE\\kestrl9_awd.zip");
        EXPECT_EQ(c.slot[1].targetPath, "SAVE\\custawds.dat");
        EXPECT_EQ(c.slot[5].targetPath, "SAVE\\country.dat");
        EXPECT_EQ(c.slot[4].targetPath, "SAVE\\calendar.dat");
        EXPECT_EQ(c.slot[8].enabled, 0);
        EXPECT_EQ(c.slot[17].targetPath, "SAVE\\clusters.txt");
        EXPECT_EQ(c.slot[10].targetPath, "SAVE\\mstrcals.dat");
        EXPECT_EQ(c.slot[11].targetPath, "SAVE\\members.dat");
        EXPECT_EQ(c.slot[18].targetPath, "SAVE\\wpxdeltd.txt");
        EXPECT_EQ(c.slot[18].downloadPath, "UPDATE\\KESTRL.WPX");
        EXPECT_EQ(c.mainList[4], 10);
    }
}

TEST_F(CatalogueTest, VersionRulesAreOnText)
{
    EXPECT_EQ(is_version9("9.0.0.0"), 1);
    EXPECT_EQ(is_version9(" 9.1"), 1);
    EXPECT_EQ(is_version9("10.0.0.1"), 0);
    EXPECT_EQ(is_version9(""), 0);
    EXPECT_EQ(is_version9("x9"), 0);

    // Older than "8" on text: no membership lists.
    Catalogue c = build_for("7.5.0.1");
    for (int i = 21; i <= 25; ++i) EXPECT_EQ(c.slot[i].selected, 0) << i;
    EXPECT_EQ(c.slot[11].selected, 0);
    EXPECT_EQ(c.slot[11].enabled, 0);
    EXPECT_EQ(c.mainList[4], 10);

    c = build_for("8.0.0.0");
    EXPECT_EQ(c.slot[21].selected, 'E');
    EXPECT_EQ(c.slot[22].selected, 'L');
    EXPECT_EQ(c.slot[23].selected, 'O');
    EXPECT_EQ(c.slot[11].selected, 1);
    EXPECT_EQ(c.slot[11].enabled, 1);

    c = build_for("10.0.0.1");  // lower than "8" and than "7.06" on text
    EXPECT_EQ(c.slot[11].enabled, 0);
    EXPECT_EQ(c.mainList, (std::array<int, 9>{1, 4, 5, 7, 9, 11, 17, 8, 18}));
    EXPECT_EQ(c.slot[9].selected, 1);
    EXPECT_EQ(c.slot[10].selected, 0);
}

TEST_F(CatalogueTest, DerivedDefaultsFollowTheirSources)
{
    const Catalogue c = build_for("8.5.0.39");
    std::vector<int> on;
    for (int i = 0; i < kSlotCount; ++i)
        if (c.slot[i].selected) on.push_back(i);
    EXPECT_EQ(on, (std::vector<int>{1, 4, 5, 6, 10, 11, 15, 17, 18, 19, 20, 21, 22, 23, 26}));
    EXPECT_EQ(c.slot[9].selected, 0);
}

}  // namespace
