#include "catalogue/selections.h"

#include <cstring>
#include <set>

#include "support/run_fixture.h"

namespace {

// The catalogue of version 8.5.0.39 unless a test chooses another.
using SelectionsTest = RunTest;

std::string record_bytes(const Selections& s)
{
    uint8_t raw[kSelectionsSize];
    encode_selections(s, raw);
    return std::string(reinterpret_cast<char*>(raw), kSelectionsSize);
}

// The main window's boxes: the ones in `checked` are checked.
CheckBoxReader boxes_of(std::set<int>* checked)
{
    return {checked, [](void* ids, int id) { return int(static_cast<std::set<int>*>(ids)->count(id)); }};
}

TEST_F(SelectionsTest, DefaultsHaveTheLayoutAndTheCatalogueSelection)
{
    auto s = new_status(catalogue);
    std::string sel;
    for (int i = 0; i < kSlotCount; ++i) sel += char(catalogue.slot[i].selected);
    EXPECT_EQ(record_bytes(*s), std::string("KSTLUPD\0"
                                            "9.6\0\0\0\0\0"
                                            "INI\0",
                                            20) +
                                    std::string(27, '\0') + std::string("SEL\0", 4) + sel + std::string("UPD\0", 4) +
                                    std::string(27, '\0'));
    EXPECT_EQ(log_text(), "");  // no debug lines without -debug

    g_config.debug = 1;
    new_status(catalogue);
    const std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\tnew_status(): 1 - Custom Awards (AWD)\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\tnew_status():   - IOTA Islands (XML)\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 2), "\n\n");
}

TEST_F(SelectionsTest, ReadAcceptsTheSameMajorVersionElseFallsBackToDefaults)
{
    auto s = new_status(catalogue);
    s->sel[kSlotIota] = 1;  // not a default
    const std::string good = record_bytes(*s);
    auto with = [&](std::string bytes, size_t at, const std::string& part) {
        return bytes.replace(at, part.size(), part);
    };
    // clang-format off
    const struct {
        std::string file;
        bool accepted;
    } cases[] = {
        // The minor version may differ; tags and bytes after the record are not looked at.
        {with(with(with(good, 8, std::string("9.2\0", 4)), 16, "XXXX"), 78, "????") + "trailing bytes", true},
        {good.substr(0, 108), false}, {with(good, 8, std::string("8.1\0", 4)), false}, {with(good, 0, "X"), false},
    };
    // clang-format on
    g_config.debug = 1;
    for (const auto& c : cases) {
        write_file("kstlupd.ini", c.file);
        dialogs.shown.clear();
        EXPECT_EQ(load_selections(catalogue)->sel[kSlotIota], c.accepted ? 1 : 0);
        ASSERT_EQ(dialogs.shown.size(), c.accepted ? 0u : 1u);
        if (c.accepted) continue;
        EXPECT_EQ(dialogs.shown[0].text, "Saved selections are not valid, using defaults.");
        EXPECT_EQ(dialogs.shown[0].title, "Invalid settings");
    }
    EXPECT_NE(log_text().find("DEBUG:\tread_ini(): E - eQSL\n"), std::string::npos);
    // Missing file: defaults, silently; a folder in its place: reported, defaults.
    std::remove("kstlupd.ini");
    dialogs.shown.clear();
    load_selections(catalogue);
    EXPECT_TRUE(dialogs.shown.empty());
    make_dir("kstlupd.ini");
    EXPECT_EQ(load_selections(catalogue)->sel[kSlotAwards], 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "File Open");
}

TEST_F(SelectionsTest, CopySelectionsFollowsCountryBoxInOnePass)
{
    use_host_version("9.0.0.0");
    auto s = new_status(catalogue);
    s->sel[kSlotEqsl] = 'Z';
    // The country group, the IOTA box, the updater (no box of its own), Club Log (set by
    // a settings window, untouched), the prefix map and a membership ID.
    auto sel_of = [&] {
        std::string bytes;
        for (int i : {kSlotAddresses, kSlotCountry, kSlotCallExceptions, kSlotEntities, kSlotPrefixMappings,
                      kSlotQslManagers, kSlotIota, kSlotUpdater, kSlotClubLog, kSlotPrefixMap, kSlotEqsl})
            bytes += char(s->sel[i] < 10 ? '0' + s->sel[i] : s->sel[i]);
        return bytes;
    };
    std::set<int> checked{kControlIdBase + kSlotIota};
    CopySelections(boxes_of(&checked), s.get(), catalogue, g_config.hostVersion);
    EXPECT_EQ(sel_of(), "0000001010Z");
    checked.insert(kControlIdBase + kSlotCountry);
    CopySelections(boxes_of(&checked), s.get(), catalogue, g_config.hostVersion);
    EXPECT_EQ(sel_of(), "1111111010Z");

    use_host_version("8.5.0.39");  // the country texts are unchanged in other versions
    s->sel[kSlotPrefixMap] = 0;
    s->sel[kSlotAddresses] = 1;
    CopySelections(boxes_of(&checked), s.get(), catalogue, g_config.hostVersion);
    EXPECT_EQ(s->sel[kSlotPrefixMap], 1);
    EXPECT_EQ(s->sel[kSlotAddresses], 1);
}

TEST_F(SelectionsTest, WriteOnlyWhenChangedAndThroughATemporaryFile)
{
    auto s = new_status(catalogue);
    ASSERT_EQ(write_selections(nullptr, s.get(), catalogue), 1);  // defaults differ from ini
    const std::string first = read_file("kstlupd.ini");
    ASSERT_EQ(first.size(), 109u);
    EXPECT_EQ(first.substr(20, 27), first.substr(51, 27));  // ini equals sel in the file
    EXPECT_EQ(temp_files_in("."), "");

    // Unchanged: the file is not touched.
    set_mtime("kstlupd.ini", 1000);
    ASSERT_EQ(write_selections(nullptr, s.get(), catalogue), 1);
    EXPECT_EQ(mtime_of("kstlupd.ini"), 1000);

    // Written by another version: rewritten with ours.
    std::memcpy(s->version, "9.2\0", 4);
    ASSERT_EQ(write_selections(nullptr, s.get(), catalogue), 1);
    EXPECT_EQ(read_file("kstlupd.ini").substr(8, 4), std::string("9.6\0", 4));

    // A failed write keeps the old file and is reported.
    s->sel[kSlotIota] = 1;
    g_platform.replace_file = [](const char*, const char*) { return 0; };
    EXPECT_EQ(write_selections(nullptr, s.get(), catalogue), 0);
    EXPECT_EQ(read_file("kstlupd.ini").substr(51 + 7, 1), std::string(1, '\0'));
    EXPECT_EQ(temp_files_in("."), "");
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().title, "File Open");
}

}  // namespace
