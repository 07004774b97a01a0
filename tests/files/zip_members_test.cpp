#include "files/zip_members.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <sys/stat.h>

#include "support/app_fixture.h"
#include "support/zip_maker.h"

namespace fs = std::filesystem;

namespace {

class ZipMembers : public AppTest {};

// Text that deflates well but spans several read chunks.
std::string long_text(size_t size, unsigned seed)
{
    std::string out;
    unsigned x = seed;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        out += "line " + std::to_string(x % 100000) + " of the table\r\n";
    }
    out.resize(size);
    return out;
}

unsigned mode_of(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0u;
}

bool writable(const std::string& path)
{
    return (mode_of(path) & 0222) != 0;
}

// Every entry under the current folder with its bytes, time and mode, except the
// paths the caller expects to change.
std::map<std::string, std::string> snapshot(const std::vector<std::string>& except)
{
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(".")) {
        const std::string path = entry.path().lexically_normal().string();
        bool skip = false;
        for (const std::string& e : except) skip = skip || path == e;
        if (skip) continue;
        std::string state = std::to_string(mtime_of(path)) + " " + std::to_string(mode_of(path));
        if (entry.is_regular_file()) state += " " + read_file(path);
        out[path] = state;
    }
    return out;
}

// Runs the test's time conversions in a fixed zone three hours east of UTC.
struct FixedZone {
    std::string saved;
    bool had = false;
    FixedZone()
    {
        if (const char* tz = std::getenv("TZ")) {
            saved = tz;
            had = true;
        }
        ::setenv("TZ", "XST-3", 1);
        ::tzset();
    }
    ~FixedZone()
    {
        if (had) ::setenv("TZ", saved.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
};

}  // namespace

TEST_F(ZipMembers, InfoZipArchivesGiveBytesExtendedTimeAndReadOnlyBit)
{
    make_dir("stage/sub");
    make_dir("UPDATE");
    make_dir("SAVE");
    const std::string cty = long_text(70000, 1);
    write_file("stage/sub/kestrl.cty", "the one in a folder");
    write_file("stage/kestrl.cty", cty);
    write_file("stage/adif.pmp", "adif map");
    // An odd second: only the extended timestamp can carry it, the DOS time cannot.
    set_mtime("stage/kestrl.cty", 1700000001);
    set_mtime("stage/adif.pmp", 1600000003);
    ::chmod("stage/adif.pmp", 0444);
    const std::vector<std::string> files{"sub/kestrl.cty", "kestrl.cty", "adif.pmp"};
    ASSERT_TRUE(info_zip("UPDATE/deflated.zip", "stage", files));
    ASSERT_TRUE(info_zip("UPDATE/stored.zip", "stage", files, true));

    write_file("SAVE/kestrl.cty", "last year's table");
    // The second archive replaces what the first one left, read-only file included.
    for (const char* archive : {"UPDATE\\deflated.zip", "UPDATE\\stored.zip"}) {
        SCOPED_TRACE(archive);
        extractMember(archive, "SAVE\\kestrl.cty");
        extractMember(archive, "IMPORT\\adif.pmp");
        EXPECT_EQ(read_file("SAVE/kestrl.cty"), cty);
        EXPECT_EQ(mtime_of("SAVE/kestrl.cty"), 1700000001);
        EXPECT_TRUE(writable("SAVE/kestrl.cty"));
        EXPECT_EQ(read_file("IMPORT/adif.pmp"), "adif map");
        EXPECT_EQ(mtime_of("IMPORT/adif.pmp"), 1600000003);
        EXPECT_EQ(mode_of("IMPORT/adif.pmp") & 0222, 0u);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("SAVE"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator("IMPORT"), fs::directory_iterator()), 1);
    EXPECT_EQ(log_text(), "");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ZipMembers, WithoutExtendedTimesTheDosTimeIsLocalAndAttributesFollowTheHost)
{
    FixedZone zone;
    make_dir("UPDATE");
    const uint32_t unix_ro = 0100444u << 16;
    const uint32_t unix_rw = 0100644u << 16;
    ASSERT_TRUE(python_zip("UPDATE/py.zip",
                           {
                               {"kestrl.cty", long_text(40000, 2), true, 0, 0x21, {2023, 11, 14, 22, 13, 21}},
                               {"adif.pmp", "stored map", false, 0, 0x20, {2001, 2, 3, 4, 5, 6}},
                               {"dos_ro", "x", true, 0, unix_rw | 0x01, {1999, 12, 31, 23, 59, 58}},
                               {"ntfs_ro", "x", true, 11, unix_rw | 0x01, {1999, 12, 31, 23, 59, 58}},
                               {"unix_ro", "x", true, 3, unix_ro, {1999, 12, 31, 23, 59, 58}},
                               {"unix_rw", "x", true, 3, unix_rw | 0x01, {1999, 12, 31, 23, 59, 58}},
                           }));

    extractMember("UPDATE\\py.zip", "SAVE\\kestrl.cty");
    extractMember("UPDATE\\py.zip", "SAVE\\adif.pmp");
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), long_text(40000, 2));
    // 22:13:21 local in a zone three hours east, kept by the archive as 22:13:20.
    EXPECT_EQ(mtime_of("SAVE/kestrl.cty"), 1699989200);
    EXPECT_FALSE(writable("SAVE/kestrl.cty"));
    EXPECT_EQ(read_file("SAVE/adif.pmp"), "stored map");
    EXPECT_EQ(mtime_of("SAVE/adif.pmp"), 981162306);
    EXPECT_TRUE(writable("SAVE/adif.pmp"));

    for (const char* name : {"dos_ro", "ntfs_ro", "unix_ro", "unix_rw"})
        extractMember("UPDATE\\py.zip", (std::string("SAVE\\") + name).c_str());
    EXPECT_EQ(mtime_of("SAVE/unix_rw"), 946673998);
    EXPECT_FALSE(writable("SAVE/dos_ro"));
    EXPECT_FALSE(writable("SAVE/ntfs_ro"));
    EXPECT_FALSE(writable("SAVE/unix_ro"));
    EXPECT_TRUE(writable("SAVE/unix_rw"));
    EXPECT_EQ(log_text(), "");
}

TEST_F(ZipMembers, StrippingDropsDrivesLeadingSeparatorsAndUpSteps)
{
    EXPECT_EQ(stripped_member_name("kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("C:\\data\\..\\kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("C:kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("/kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("\\\\server\\share\\..\\kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("/C:/x"), "x");
    EXPECT_EQ(stripped_member_name("x\\../kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("x/..\\kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("a/../b/../kestrl.cty"), "kestrl.cty");
    EXPECT_EQ(stripped_member_name("../../x/../kestrl.cty"), "kestrl.cty");
    // "\..\" is looked for before "/..\": here it decides, although it starts later.
    EXPECT_EQ(stripped_member_name("a/..\\..\\b"), "b");
    EXPECT_EQ(stripped_member_name("sub/kestrl.cty"), "sub/kestrl.cty");
    EXPECT_EQ(stripped_member_name("../kestrl.cty"), "../kestrl.cty");
    EXPECT_EQ(stripped_member_name("..\\kestrl.cty"), "..\\kestrl.cty");
    EXPECT_EQ(stripped_member_name("a/../../kestrl.cty"), "../kestrl.cty");
    EXPECT_EQ(stripped_member_name("D:"), "");
}

TEST_F(ZipMembers, OnlyTheFirstExactMatchIsExtracted)
{
    make_dir("UPDATE");
    ASSERT_TRUE(python_zip("UPDATE/names.zip", {
                                                   {"Kestrl.cty", "case differs"},
                                                   {"sub/kestrl.cty", "in a folder"},
                                                   {"../kestrl.cty", "up, slash"},
                                                   {"..\\kestrl.cty", "up, backslash"},
                                                   {"C:\\data\\..\\kestrl.cty", "first"},
                                                   {"/kestrl.cty", "second"},
                                                   {"kestrl.cty", "third"},
                                                   {"Only.Case", "case only"},
                                               }));
    extractMember("UPDATE\\names.zip", "SAVE\\kestrl.cty");
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "first");
    extractMember("UPDATE\\names.zip", "SAVE\\only.case");
    extractMember("UPDATE\\names.zip", "SAVE\\absent.txt");
    EXPECT_FALSE(path_exists("SAVE/only.case"));
    EXPECT_FALSE(path_exists("SAVE/absent.txt"));
    // A target without a folder lands in the working folder.
    extractMember("UPDATE\\names.zip", "kestrl.cty");
    EXPECT_EQ(read_file("kestrl.cty"), "first");
    EXPECT_EQ(log_text(), "");
}

TEST_F(ZipMembers, HostileNamesNeverWriteOutsideTheDestinationFolder)
{
    make_dir("a/b/SAVE");
    make_dir("outside");
    make_dir("UPDATE");
    write_file("kestrl.cty", "top");
    write_file("a/kestrl.cty", "a");
    write_file("a/b/kestrl.cty", "b");
    write_file("outside/kestrl.cty", "outside");
    const std::string absolute = fs::current_path().string() + "/outside/kestrl.cty";
    const std::string above = fs::current_path().parent_path().string() + "/kestrl.cty";
    const bool above_existed = path_exists(above);
    // None of these strips to the plain name.
    ASSERT_TRUE(python_zip("UPDATE/escapes.zip", {
                                                     {"../kestrl.cty", "1"},
                                                     {"..\\..\\..\\kestrl.cty", "2"},
                                                     {"a/../../kestrl.cty.~new", "3"},
                                                     {absolute, "4"},
                                                     {"..", "5"},
                                                     {".", "6"},
                                                     {"C:", "7"},
                                                     {"/", "8"},
                                                     {"../../../outside/kestrl.cty", "9"},
                                                 }));
    // Each of these does, the first one wins, and it is written inside.
    ASSERT_TRUE(python_zip("UPDATE/climbers.zip", {
                                                      {"../kestrl.cty", "not this"},
                                                      {"../../../../kestrl.cty", "first climber"},
                                                      {"a/../../../kestrl.cty", "2"},
                                                      {"x\\..\\..\\..\\kestrl.cty", "3"},
                                                      {"C:/../kestrl.cty", "4"},
                                                  }));
    const auto before = snapshot({"a/b/SAVE", "a/b/SAVE/kestrl.cty", "test.log"});

    for (const char* target : {"a\\b\\SAVE\\kestrl.cty", "a\\b\\SAVE\\", "a\\b\\SAVE\\..", "a\\b\\SAVE\\.",
                               "a\\b\\SAVE\\kestrl.cty.~new"})
        extractMember("UPDATE\\escapes.zip", target);
    EXPECT_TRUE(fs::is_directory("a/b/SAVE"));
    EXPECT_TRUE(fs::is_empty("a/b/SAVE"));

    extractMember("UPDATE\\climbers.zip", "a\\b\\SAVE\\kestrl.cty");
    EXPECT_EQ(read_file("a/b/SAVE/kestrl.cty"), "first climber");
    EXPECT_EQ(std::distance(fs::directory_iterator("a/b/SAVE"), fs::directory_iterator()), 1);

    EXPECT_EQ(snapshot({"a/b/SAVE", "a/b/SAVE/kestrl.cty", "test.log"}), before);
    EXPECT_EQ(path_exists(above), above_existed);
    EXPECT_EQ(log_text(), "");
}

TEST_F(ZipMembers, DamagedArchivesAndMembersLeaveTheTargetAndLogOneError)
{
    make_dir("stage");
    make_dir("UPDATE");
    make_dir("SAVE");
    write_file("SAVE/kestrl.cty", "good old table");
    set_mtime("SAVE/kestrl.cty", 1000000000);
    const auto target_unchanged = [] {
        return read_file("SAVE/kestrl.cty") == "good old table" && mtime_of("SAVE/kestrl.cty") == 1000000000 &&
               std::distance(fs::directory_iterator("SAVE"), fs::directory_iterator()) == 1;
    };
    const std::string big = long_text(100000, 3);
    write_file("stage/kestrl.cty", big);
    ASSERT_TRUE(info_zip("UPDATE/good.zip", "stage", {"kestrl.cty"}));

    extractMember("UPDATE\\missing.zip", "SAVE\\kestrl.cty");
    EXPECT_TRUE(target_unchanged());
    EXPECT_EQ(log_text(), "");

    std::string expected_log;
    const std::string good = read_file("UPDATE/good.zip");
    write_file("UPDATE/cut.zip", good.substr(0, good.size() / 2));
    extractMember("UPDATE\\cut.zip", "SAVE\\kestrl.cty");
    EXPECT_TRUE(target_unchanged());
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\cut.zip: damaged archive\n";
    EXPECT_EQ(log_text(), expected_log);

    write_file("UPDATE/text.zip", "<html>Not found</html>");
    extractMember("UPDATE\\text.zip", "SAVE\\kestrl.cty");
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\text.zip: damaged archive\n";
    EXPECT_EQ(log_text(), expected_log);

    // Stored data reads through untroubled; only the checksum at the end tells.
    ASSERT_TRUE(python_zip("UPDATE/stored.zip", {{"kestrl.cty", "stored table with a bad byte", false}}));
    flip_byte("UPDATE/stored.zip", find_in_file("UPDATE/stored.zip", "bad byte"));
    extractMember("UPDATE\\stored.zip", "SAVE\\kestrl.cty");
    EXPECT_TRUE(target_unchanged());
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\stored.zip: damaged member\n";
    EXPECT_EQ(log_text(), expected_log);

    // Several chunks are written before the damage near the end shows.
    std::string flipped = good;
    const size_t central = flipped.rfind("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    flipped[central - 40] = char(~flipped[central - 40]);
    write_file("UPDATE/flipped.zip", flipped);
    extractMember("UPDATE\\flipped.zip", "SAVE\\kestrl.cty");
    EXPECT_TRUE(target_unchanged());
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\flipped.zip: damaged member\n";
    EXPECT_EQ(log_text(), expected_log);

    // Headers that promise more than the deflate stream holds: the stream ends
    // cleanly, short of the promised length.
    ASSERT_TRUE(python_zip("UPDATE/short.zip", {{"kestrl.cty", big}}));
    const long local = find_in_file("UPDATE/short.zip", "PK\x03\x04");
    const long entry = find_in_file("UPDATE/short.zip", "PK\x01\x02");
    ASSERT_EQ(local, 0);
    ASSERT_GT(entry, 0);
    put_u32_at("UPDATE/short.zip", local + 22, uint32_t(big.size() + 1));
    put_u32_at("UPDATE/short.zip", entry + 24, uint32_t(big.size() + 1));
    extractMember("UPDATE\\short.zip", "SAVE\\kestrl.cty");
    EXPECT_TRUE(target_unchanged());
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\short.zip: damaged member\n";
    EXPECT_EQ(log_text(), expected_log);

    // The intact archive still installs.
    extractMember("UPDATE\\good.zip", "SAVE\\kestrl.cty");
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), big);
    EXPECT_EQ(log_text(), expected_log);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ZipMembers, TargetsThatCannotBeWrittenStayAsTheyWere)
{
    make_dir("UPDATE");
    make_dir("SAVE");
    ASSERT_TRUE(python_zip("UPDATE/a.zip", {{"kestrl.cty", "new table"}}));
    write_file("SAVE/kestrl.cty", "old table");
    std::string expected_log;
    {
        PlatformOverride scope;
        g_platform.open_file = [](const char*, const char*) -> FILE* { return nullptr; };
        extractMember("UPDATE\\a.zip", "SAVE\\kestrl.cty");
    }
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\a.zip: can't write SAVE\\kestrl.cty\n";
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "old table");
    EXPECT_EQ(log_text(), expected_log);
    {
        PlatformOverride scope;
        g_platform.move_file = [](const char*, const char*) { return 0; };
        extractMember("UPDATE\\a.zip", "SAVE\\kestrl.cty");
    }
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\a.zip: can't write SAVE\\kestrl.cty\n";
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "old table");
    EXPECT_EQ(std::distance(fs::directory_iterator("SAVE"), fs::directory_iterator()), 1);
    EXPECT_EQ(log_text(), expected_log);

    // The folder is made one level deep only.
    extractMember("UPDATE\\a.zip", "none\\deeper\\kestrl.cty");
    expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\a.zip: can't write none\\deeper\\kestrl.cty\n";
    EXPECT_FALSE(path_exists("none"));
    make_dir("SAVE/kestrl.dir/kestrl.cty");
    extractMember("UPDATE\\a.zip", "SAVE\\kestrl.dir\\kestrl.cty");
    expected_log +=
        "ERROR:\tCan't extract kestrl.cty from UPDATE\\a.zip: can't write SAVE\\kestrl.dir\\kestrl.cty\n";
    EXPECT_TRUE(fs::is_directory("SAVE/kestrl.dir/kestrl.cty"));
    EXPECT_EQ(std::distance(fs::directory_iterator("SAVE/kestrl.dir"), fs::directory_iterator()), 1);
    EXPECT_EQ(log_text(), expected_log);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ZipMembers, ExtractMembersFillsEachSlotsTargetFromTheSharedArchive)
{
    make_dir("UPDATE");
    make_dir("SAVE");
    ASSERT_TRUE(python_zip("UPDATE/kestrl_cty.zip", {{"adif.pmp", "map"}, {"kestrl.cty", "countries"}}));
    Catalogue catalogue;
    catalogue.slot[kSlotCountry].downloadPath = "UPDATE\\kestrl_cty.zip";
    catalogue.slot[kSlotCountry].targetPath = "SAVE\\kestrl.cty";
    catalogue.slot[kSlotPrefixMap].targetPath = "IMPORT\\adif.pmp";
    const int members[] = {kSlotCountry, kSlotPrefixMap};

    extractMembers(catalogue, catalogue.slot[kSlotCountry], members);
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "countries");
    EXPECT_EQ(read_file("IMPORT/adif.pmp"), "map");
    EXPECT_EQ(log_text(), "");

    g_config.debug = 1;
    extractMembers(catalogue, catalogue.slot[kSlotCountry], members);
    EXPECT_EQ(log_text(),
              "DEBUG:\tcreating SAVE\\kestrl.cty from UPDATE\\kestrl_cty.zip\n"
              "DEBUG:\tcreating IMPORT\\adif.pmp from UPDATE\\kestrl_cty.zip\n");
}
