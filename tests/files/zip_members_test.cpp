#include "files/zip_members.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#include "support/app_fixture.h"

namespace fs = std::filesystem;

// Archives are made at test time by real tools: the Info-ZIP command (which writes
// extended timestamps) and Python's zipfile (which does not, and lets a test choose
// names, host system and attributes freely).
namespace {

class ZipMembers : public AppTest {};

// `zip` run in "stage" over `files` into UPDATE/`name`.
bool info_zip(const std::string& name, const std::string& files)
{
    make_dir("UPDATE");
    return std::system(("cd stage && zip -q ../UPDATE/" + name + " " + files).c_str()) == 0;
}

struct PyMember {
    std::string name, data;  // the name stored exactly as given
    int host = 3;            // 0 MS-DOS, 3 Unix, 11 NTFS
    uint32_t attr = 0100644u << 16;
    bool deflated = true;
};

std::string hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
}

// The members in order, all dated 2023-11-14 22:13:21, into UPDATE/`name`.
bool python_zip(const std::string& name, const std::vector<PyMember>& members)
{
    std::string script = "import sys, warnings, zipfile\nwarnings.simplefilter('ignore')\n"
                         "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n";
    for (const PyMember& m : members)
        script += " i = zipfile.ZipInfo(bytes.fromhex('" + hex(m.name) +
                  "').decode('latin-1'),(2023,11,14,22,13,21))\n"
                  " i.compress_type, i.create_system, i.external_attr = " +
                  (m.deflated ? "8, " : "0, ") + std::to_string(m.host) + ", " + std::to_string(m.attr) + "\n" +
                  " z.writestr(i, bytes.fromhex('" + hex(m.data) + "'))\n";
    make_dir("UPDATE");
    write_file("zip.py", script);
    return std::system(("python3 zip.py UPDATE/" + name).c_str()) == 0;
}

// Text that deflates well but spans several read chunks.
std::string long_text()
{
    std::string out;
    for (unsigned x = 1; out.size() < 100000; x = x * 1103515245u + 12345u) out += std::to_string(x) + " of a table\n";
    return out;
}

bool writable(const std::string& path)
{
    return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

long entries(const std::string& folder)
{
    return long(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST_F(ZipMembers, RealArchivesGiveBytesTimesAndReadOnlyBit)
{
    make_dir("stage");
    make_dir("SAVE");
    const std::string cty = long_text();
    write_file("stage/kestrl.cty", cty);
    write_file("stage/adif.pmp", "adif map");
    // Odd seconds: only the extended timestamp can carry them, the DOS time cannot. An
    // access time in the future: no read moves it, so the archive's copy of it shows.
    const struct timespec times[2] = {{2000000003, 0}, {1700000001, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, "stage/kestrl.cty", times, 0), 0);
    set_mtime("stage/adif.pmp", 1600000003);
    fs::permissions("stage/adif.pmp", fs::perms(0444));
    ASSERT_TRUE(info_zip("deflated.zip", "kestrl.cty adif.pmp"));
    // Without extended times, each member's data says whether it should come out writable.
    const uint32_t unix_rw = 0100644u << 16;
    // clang-format off
    const std::vector<PyMember> rows = {{"dos_ro", "ro", 0, unix_rw | 0x01}, {"dos_rw", "rw", 0, 0x20},
                                        {"ntfs_ro", "ro", 11, unix_rw | 0x01}, {"unix_ro", "ro", 3, 0100444u << 16},
                                        {"unix_rw", "rw", 3, unix_rw | 0x01}};
    // clang-format on
    ASSERT_TRUE(python_zip("py.zip", rows));
    write_file("SAVE/kestrl.cty", "last year's table");
    // A zone three hours east of UTC, so that local and UTC readings differ.
    const char* tz = std::getenv("TZ");
    const std::string saved_tz = tz ? tz : "";
    ::setenv("TZ", "XST-3", 1), ::tzset();

    Catalogue catalogue;
    catalogue.slot[kSlotCountry].targetPath = "SAVE\\kestrl.cty";
    catalogue.slot[kSlotPrefixMap].targetPath = "IMPORT\\adif.pmp";
    const int members[] = {kSlotCountry, kSlotPrefixMap};
    g_config.debug = 1;
    // The second extraction replaces what the first one left, read-only file included.
    catalogue.slot[kSlotCountry].downloadPath = "UPDATE\\deflated.zip";
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(extractMembers(catalogue, catalogue.slot[kSlotCountry], members), 1);
        struct stat st {};
        ASSERT_EQ(::stat("SAVE/kestrl.cty", &st), 0);
        EXPECT_EQ(st.st_atim.tv_sec, 2000000003);
        EXPECT_EQ(read_file("SAVE/kestrl.cty"), cty);
        EXPECT_EQ(mtime_of("SAVE/kestrl.cty"), 1700000001);
        EXPECT_TRUE(writable("SAVE/kestrl.cty"));
        EXPECT_EQ(read_file("IMPORT/adif.pmp"), "adif map");
        EXPECT_EQ(mtime_of("IMPORT/adif.pmp"), 1600000003);
        EXPECT_FALSE(writable("IMPORT/adif.pmp"));
    }
    EXPECT_EQ(entries("SAVE") + entries("IMPORT"), 2);
    EXPECT_EQ(log_text(), "DEBUG:\tcreating SAVE\\kestrl.cty from UPDATE\\deflated.zip\n"
                          "DEBUG:\tcreating IMPORT\\adif.pmp from UPDATE\\deflated.zip\n"
                          "DEBUG:\tcreating SAVE\\kestrl.cty from UPDATE\\deflated.zip\n"
                          "DEBUG:\tcreating IMPORT\\adif.pmp from UPDATE\\deflated.zip\n");

    for (const PyMember& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(extractMember("UPDATE\\py.zip", row.name.c_str()), 1);  // no folder: the working folder
        EXPECT_EQ(read_file(row.name), row.data);
        EXPECT_EQ(mtime_of(row.name), 1699989200);  // 22:13:21 local, kept by the archive as 22:13:20
        EXPECT_EQ(writable(row.name), row.data == "rw");
    }
    if (tz) ::setenv("TZ", saved_tz.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

TEST_F(ZipMembers, StrippingDropsDrivesLeadingSeparatorsAndUpSteps)
{
    // clang-format off
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\data\\..\\kestrl.cty", "kestrl.cty"}, {"C:kestrl.cty", "kestrl.cty"}, {"/C:/x", "x"}, {"D:", ""},
        {"\\\\server\\share\\..\\k", "k"}, {"x\\../k", "k"}, {"x/..\\k", "k"}, {"sub/k", "sub/k"}, {"../k", "../k"},
        // "\..\" is looked for before "/..\": here it decides, although it starts later.
        {"a/..\\..\\b", "b"}, {"a/../../k", "../k"}};
    // clang-format on
    for (const auto& [stored, stripped] : rows) EXPECT_EQ(stripped_member_name(stored), stripped) << stored;
}

TEST_F(ZipMembers, HostileNamesNeverWriteOutsideTheDestinationFolder)
{
    make_dir("a/b/SAVE");
    make_dir("outside");
    const char* const sentinels[] = {"kestrl.cty", "a/kestrl.cty", "a/b/kestrl.cty", "outside/kestrl.cty"};
    for (const char* path : sentinels) write_file(path, path);
    // Up to "first" none strips to the plain name; the first that does wins and is
    // written inside.
    // clang-format off
    ASSERT_TRUE(python_zip("hostile.zip", {
        {"../kestrl.cty", "1"}, {"..\\..\\..\\kestrl.cty", "2"}, {"a/../../kestrl.cty.~new", "3"},
        {fs::current_path().string() + "/outside/kestrl.cty", "4"}, {"..", "5"}, {".", "6"}, {"C:", "7"}, {"/", "8"},
        {"../../../outside/kestrl.cty", "9"}, {"Kestrl.cty", "10"}, {"sub/kestrl.cty", "11"},
        {"../../../../kestrl.cty", "first"}, {"a/../../../kestrl.cty", "x"}}));
    // clang-format on
    for (const char* target :
         {"a\\b\\SAVE\\kestrl.cty", "a\\b\\SAVE\\", "a\\b\\SAVE\\..", "a\\b\\SAVE\\.", "a\\b\\SAVE\\kestrl.cty.~new"})
        EXPECT_EQ(extractMember("UPDATE\\hostile.zip", target), 1) << target;
    EXPECT_EQ(read_file("a/b/SAVE/kestrl.cty"), "first");
    EXPECT_EQ(entries("a/b/SAVE"), 1);
    for (const char* path : sentinels) EXPECT_EQ(read_file(path), path);
    EXPECT_EQ(log_text(), "");
}

TEST_F(ZipMembers, DamagedOrUnwritableMembersLeaveTheTargetAndLogOneError)
{
    make_dir("SAVE");
    write_file("SAVE/kestrl.cty", "good old table");
    set_mtime("SAVE/kestrl.cty", 1000000000);
    const std::string big = long_text();
    ASSERT_TRUE(python_zip("good.zip", {{"kestrl.cty", big}}));
    ASSERT_TRUE(python_zip("stored.zip", {{"kestrl.cty", "stored table with a bad byte", 3, 0100644u << 16, false}}));
    const std::string good = read_file("UPDATE/good.zip");
    // Stored data reads through untroubled; only the checksum at the end tells.
    std::string stored = read_file("UPDATE/stored.zip");
    stored[stored.find("bad byte")] ^= 0x55;
    // Several chunks are written before the damage near the end shows.
    std::string flipped = good;
    flipped[flipped.rfind("PK\x01\x02") - 40] ^= 0x55;
    // Local and central headers promise another size than the deflate stream holds:
    // one byte more (the stream then ends cleanly), one byte less, or more than the
    // cap, which is refused before anything is written.
    auto promising = [&](uint64_t size) {
        std::string bytes = good;
        for (size_t at : {size_t(22), bytes.find("PK\x01\x02") + 24})
            for (size_t i = 0; i < 4; ++i) bytes[at + i] = char((size >> (8 * i)) & 0xFF);
        return bytes;
    };
    const std::string too_large = "member too large (" + std::to_string(kMaxMemberSize + 1) + " bytes, at most " +
                                  std::to_string(kMaxMemberSize) + ")";
    enum Fault { kNone, kOpen, kMove };
    // clang-format off
    const struct { std::string file, bytes; Fault fault; const char* target; std::string error; } rows[] = {
        {"cut", good.substr(0, good.size() / 2), kNone, "SAVE\\kestrl.cty", "damaged archive"},
        {"stored", stored, kNone, "SAVE\\kestrl.cty", "damaged member"},
        {"flipped", flipped, kNone, "SAVE\\kestrl.cty", "damaged member"},
        {"short", promising(big.size() + 1), kNone, "SAVE\\kestrl.cty", "damaged member"},
        {"long", promising(big.size() - 1), kNone, "SAVE\\kestrl.cty", "damaged member"},
        {"huge", promising(kMaxMemberSize + 1), kOpen, "SAVE\\kestrl.cty", too_large},
        {"good", good, kOpen, "SAVE\\kestrl.cty", "can't write SAVE\\kestrl.cty"},
        {"good", good, kMove, "SAVE\\kestrl.cty", "can't write SAVE\\kestrl.cty"},
        // A folder is made one level deep only.
        {"good", good, kNone, "none\\deeper\\kestrl.cty", "can't write none\\deeper\\kestrl.cty"},
    };
    // clang-format on

    EXPECT_EQ(extractMember("UPDATE\\missing.zip", "SAVE\\kestrl.cty"), 1);
    std::string expected_log;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file + " " + row.error);
        write_file("UPDATE/" + row.file + ".zip", row.bytes);
        {
            PlatformOverride scope;
            if (row.fault == kOpen) g_platform.open_file = [](const char*, const char*) -> FILE* { return nullptr; };
            if (row.fault == kMove) g_platform.replace_file = [](const char*, const char*) { return 0; };
            EXPECT_EQ(extractMember(("UPDATE\\" + row.file + ".zip").c_str(), row.target), 0);
        }
        EXPECT_EQ(read_file("SAVE/kestrl.cty"), "good old table");
        EXPECT_EQ(mtime_of("SAVE/kestrl.cty"), 1000000000);
        EXPECT_EQ(entries("SAVE"), 1);
        expected_log += "ERROR:\tCan't extract kestrl.cty from UPDATE\\" + row.file + ".zip: " + row.error + "\n";
        EXPECT_EQ(log_text(), expected_log);
    }
#ifndef _WIN32
    // The archive library opens blocking: it would wait on a FIFO for ever.
    ASSERT_EQ(::mkfifo("UPDATE/fifo.zip", 0644), 0);
    EXPECT_EQ(extractMember("UPDATE\\fifo.zip", "SAVE\\kestrl.cty"), 0);
    EXPECT_EQ(log_text(),
              expected_log + "ERROR:\tCan't extract kestrl.cty from UPDATE\\fifo.zip: not a regular file\n");
#endif
    EXPECT_EQ(extractMember("UPDATE\\good.zip", "SAVE\\kestrl.cty"), 1);
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), big);
    EXPECT_TRUE(dialogs.shown.empty());

    // A member that cannot be written fails the list, after the others were tried; a
    // member the archive lacks does not.
    ASSERT_TRUE(python_zip("two.zip", {{"kestrl.cty", "new table"}, {"adif.pmp", "new map"}}));
    Catalogue catalogue;
    catalogue.slot[kSlotCountry].downloadPath = "UPDATE\\two.zip";
    catalogue.slot[kSlotCountry].targetPath = "SAVE\\kestrl.cty";
    catalogue.slot[kSlotPrefixMap].targetPath = "IMPORT\\adif.pmp";
    catalogue.slot[kSlotAwards].targetPath = "SAVE\\kestrl.awd";
    const int members[] = {kSlotCountry, kSlotAwards, kSlotPrefixMap};
    {
        PlatformOverride scope;
        g_platform.open_file = [](const char* path, const char* mode) -> FILE* {
            return std::string(path).rfind("SAVE", 0) == 0 ? nullptr : native_platform().open_file(path, mode);
        };
        EXPECT_EQ(extractMembers(catalogue, catalogue.slot[kSlotCountry], members), 0);
    }
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), big);
    EXPECT_EQ(read_file("IMPORT/adif.pmp"), "new map");
    EXPECT_EQ(extractMembers(catalogue, catalogue.slot[kSlotCountry], members), 1);
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "new table");
    EXPECT_FALSE(path_exists("SAVE/kestrl.awd"));
}
