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
        {"8.5.0.39", kSlotNodesKeepAlive, "SAVE\\KESTRL.TCP", "UPDATE\\KESTRL.KCP"},
        {"8.5.0.39", kSlotMaster, "KESTRL.MAS1", ""},
        {"9.0.0.0", kSlotAddresses, "CTYTexts\\address.txt", "UPDATE\\kestrl9_cty.zip"},
        {"9.0.0.0", kSlotMaster, "SAVE\\mstrcals.dat", ""},
        {"9.0.0.0", kSlotNodes, "SAVE\\clusters.txt", "UPDATE\\KESTRL.TCP"},
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
    EXPECT_EQ(on, (std::vector<int>{kSlotAwards, kSlotCalendar, kSlotCountry, kSlotUpdater, kSlotMaster,
                                    kSlotMembership, kSlotPrefixMap, kSlotNodes, kSlotWpx, kSlotClubLog,
                                    kSlotSuperCheck, kSlotEqsl, kSlotLotw, kSlotOqrs, kSlotCalendarSource}));
    EXPECT_EQ((std::string{char(c.slot[kSlotEqsl].selected), char(c.slot[kSlotLotw].selected),
                           char(c.slot[kSlotOqrs].selected)}),
              "ELO");
    for (int i : {kSlotAddresses, kSlotAwardsMap, kSlotAwardsText, kSlotCallExceptions, kSlotEntities,
                  kSlotPrefixMappings, kSlotQslManagers})
        EXPECT_EQ(c.slot[i].title, nullptr) << i;
    EXPECT_EQ(c.slot[kSlotNodesKeepAlive].enabled, 1);

    // Version 9: the archives fill these slots, in this order; no keep-alive list.
    c = build_for("9");
    EXPECT_EQ(c.slot[kSlotPrefixMap].title, nullptr);
    EXPECT_EQ(c.slot[kSlotNodesKeepAlive].enabled, 0);
    const std::span<const int> texts = archive_members(kSlotCountry, true), awards = archive_members(kSlotAwards, true);
    EXPECT_EQ(
        std::vector<int>(texts.begin(), texts.end()),
        (std::vector<int>{kSlotEntities, kSlotPrefixMappings, kSlotCallExceptions, kSlotQslManagers, kSlotAddresses}));
    EXPECT_EQ(std::vector<int>(awards.begin(), awards.end()), (std::vector<int>{kSlotAwardsMap, kSlotAwardsText}));
    for (int i : texts) {
        EXPECT_EQ(c.slot[i].remotePath, c.slot[kSlotCountry].remotePath) << i;  // the same text
        EXPECT_EQ(c.slot[i].selected, c.slot[kSlotCountry].selected) << i;
    }
}

TEST_F(CatalogueTest, VersionRulesAreOnText)
{
    for (auto [text, v9] : {std::pair{"9.0.0.0", 1}, {" 9.1", 1}, {"10.0.0.1", 0}, {"", 0}})
        EXPECT_EQ(is_version9(text), v9) << text;

    Catalogue c = build_for("7.5.0.1");  // lower than "8": no membership lists
    for (int i : kMembershipSources) EXPECT_EQ(c.slot[i].selected, 0) << i;
    EXPECT_EQ(c.slot[kSlotMembership].selected + c.slot[kSlotMembership].enabled, 0);
    EXPECT_EQ(c.mainList[4], kSlotMaster);

    c = build_for("10.0.0.1");  // lower than "8" and than "7.06"
    EXPECT_EQ(c.slot[kSlotMembership].enabled, 0);
    EXPECT_EQ(c.mainList, (std::array<int, 9>{kSlotAwards, kSlotCalendar, kSlotCountry, kSlotIota, kSlotMasterOld,
                                              kSlotMembership, kSlotNodes, kSlotNodesKeepAlive, kSlotWpx}));
    EXPECT_EQ(std::pair(c.slot[kSlotMasterOld].selected, c.slot[kSlotMaster].selected),
              (std::pair<uint8_t, uint8_t>(1, 0)));
}

}  // namespace
