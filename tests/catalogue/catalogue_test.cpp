#include "catalogue/catalogue.h"

#include "support/run_fixture.h"

namespace {

class CatalogueTest : public RunTest {
protected:
    Catalogue build_for(const char* hostVersion)
    {
        use_host_version(hostVersion);
        return catalogue;
    }
};

// The rows themselves are the catalogue's table; what is checked here is what the
// host version decides: file names, shared archives, slots that exist, defaults.
TEST_F(CatalogueTest, TheHostVersionChoosesNamesSlotsAndDefaults)
{
    // clang-format off
    const struct {
        const char* version;
        int slot;
        const char* target;
        const char* download;  // "" = none
    } rows[] = {
        {"8.5.0.39", 8, "SAVE\\KESTRL.TCP", "UPDATE\\KESTRL.KCP"}, {"8.5.0.39", 10, "KESTRL.MAS1", ""},
        {"9.0.0.0", 0, "CTYTexts\\address.txt", "UPDATE\\kestrl9_cty.zip"}, {"9.0.0.0", 10, "SAVE\\mstrcals.dat", ""},
        {"9.0.0.0", 17, "SAVE\\clusters.txt", "UPDATE\\KESTRL.TCP"},
    };
    // clang-format on
    for (const auto& r : rows) {
        const Catalogue c = build_for(r.version);
        EXPECT_EQ(c.slot[r.slot].targetPath, r.target) << r.version << " slot " << r.slot;
        EXPECT_EQ(c.slot[r.slot].downloadPath, r.download) << r.version << " slot " << r.slot;
    }

    Catalogue c = build_for("8.5.0.39");
    std::vector<int> on;
    for (int i = 0; i < kSlotCount; ++i)
        if (c.slot[i].selected) on.push_back(i);
    EXPECT_EQ(on, (std::vector<int>{1, 4, 5, 6, 10, 11, 15, 17, 18, 19, 20, 21, 22, 23, 26}));
    EXPECT_EQ((std::string{char(c.slot[21].selected), char(c.slot[22].selected), char(c.slot[23].selected)}), "ELO");
    for (int i : {0, 2, 3, 12, 13, 14, 16}) EXPECT_EQ(c.slot[i].title, nullptr) << i;
    EXPECT_EQ(c.slot[8].enabled, 1);

    // Version 9: the archives fill these slots, in this order; no keep-alive list.
    c = build_for("9");
    EXPECT_EQ(c.slot[15].title, nullptr);
    EXPECT_EQ(c.slot[8].enabled, 0);
    const std::span<const int> texts = archive_members(5, true), awards = archive_members(1, true);
    EXPECT_EQ(std::vector<int>(texts.begin(), texts.end()), (std::vector<int>{13, 14, 12, 16, 0}));
    EXPECT_EQ(std::vector<int>(awards.begin(), awards.end()), (std::vector<int>{2, 3}));
    for (int i : texts) {
        EXPECT_EQ(c.slot[i].remotePath, c.slot[5].remotePath) << i;  // the same text
        EXPECT_EQ(c.slot[i].selected, c.slot[5].selected) << i;
    }
}

TEST_F(CatalogueTest, VersionRulesAreOnText)
{
    for (auto [text, v9] : {std::pair{"9.0.0.0", 1}, {" 9.1", 1}, {"10.0.0.1", 0}, {"", 0}})
        EXPECT_EQ(is_version9(text), v9) << text;

    Catalogue c = build_for("7.5.0.1");  // lower than "8": no membership lists
    for (int i = 21; i <= 25; ++i) EXPECT_EQ(c.slot[i].selected, 0) << i;
    EXPECT_EQ(c.slot[11].selected + c.slot[11].enabled, 0);
    EXPECT_EQ(c.mainList[4], 10);

    c = build_for("10.0.0.1");  // lower than "8" and than "7.06"
    EXPECT_EQ(c.slot[11].enabled, 0);
    EXPECT_EQ(c.mainList, (std::array<int, 9>{1, 4, 5, 7, 9, 11, 17, 8, 18}));
    EXPECT_EQ(c.slot[9].selected * 10 + c.slot[10].selected, 10);
}

}  // namespace
