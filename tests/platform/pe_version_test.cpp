#include "platform/posix/pe_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "support/pe_builder.h"

namespace {

TEST(PeVersion, ReadsFileVersionFrom32And64BitImages)
{
    for (bool plus : {false, true}) {
        PeOptions o;
        o.pe32_plus = plus;
        o.major = 9;
        o.minor = 1;
        o.build = 2345;
        o.revision = 65535;
        const auto image = build_pe(o);
        FixedFileInfo info;
        ASSERT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 1) << plus;
        EXPECT_EQ(info.signature, 0xFEEF04BDu);
        EXPECT_EQ(info.file_version_ms, (9u << 16) | 1u);
        EXPECT_EQ(info.file_version_ls, (2345u << 16) | 65535u);
    }
}

// The test build's stand-in programs, made by mingw-w64, windres and osslsigncode.
std::vector<uint8_t> test_program(const std::string& name)
{
    std::ifstream in(std::string(KSTLUPD_TEST_PROGRAMS) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PeVersion, ReadsHeadersVersionStringsAndSignaturePresence)
{
    struct Case {
        const char* file;
        uint16_t subsystem, characteristics_dll;
        bool has_version, has_signature;
        const char* internal_name;
        const char* original_filename;
    };
    // clang-format off
    const Case cases[] = {
        {"kstlupd_9_7.exe", 2, 0, true, false, "kstlupd", "kstlupd.exe"},
        {"console_9_7.exe", 3, 0, true, false, "kstlupd", "kstlupd.exe"},
        {"dll_9_7.exe", 3, 0x2000, true, false, "kstlupd", "kstlupd.exe"},
        {"other_9_7.exe", 2, 0, true, false, "kestrl", "kestrl.exe"},
        {"no_version.exe", 2, 0, false, false, "", ""},
        {"signed_9_8.exe", 2, 0, true, true, "kstlupd", "kstlupd.exe"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto bytes = test_program(c.file);
        ProgramImage image;
        ASSERT_EQ(read_pe_program_image(bytes.data(), bytes.size(), &image), 1) << c.file;
        EXPECT_EQ(image.magic, 0x20B) << c.file;
        EXPECT_EQ(image.machine, 0x8664) << c.file;
        EXPECT_EQ(image.subsystem, c.subsystem) << c.file;
        EXPECT_EQ(image.characteristics & 0x2000, c.characteristics_dll) << c.file;
        EXPECT_EQ(image.has_version, c.has_version) << c.file;
        EXPECT_EQ(image.has_signature, c.has_signature) << c.file;
        EXPECT_EQ(image.internal_name, c.internal_name) << c.file;
        EXPECT_EQ(image.original_filename, c.original_filename) << c.file;
        EXPECT_FALSE(image.signature_trusted) << c.file;
    }
    ProgramImage image;
    const auto bytes = test_program("signed_9_8.exe");
    ASSERT_EQ(read_pe_program_image(bytes.data(), bytes.size(), &image), 1);
    EXPECT_EQ(image.file_version_ms, (9u << 16) | 8u);
    EXPECT_EQ(image.file_version_ls, 0u);
    // A 32-bit image says so; a certificate table reaching past the file is none.
    const auto pe32 = build_pe(PeOptions{});
    ASSERT_EQ(read_pe_program_image(pe32.data(), pe32.size(), &image), 1);
    EXPECT_EQ(image.magic, 0x10B);
    EXPECT_EQ(image.machine, 0x14C);
    EXPECT_EQ(read_pe_program_image(bytes.data(), bytes.size() - 1, &image), 1);
    EXPECT_FALSE(image.has_signature);
}

TEST(PeVersion, TruncatedImagesNeverReadPastTheirEnd)
{
    // Under the address sanitizer any read past a cut copy fails the test.
    const auto image = build_pe(PeOptions{});
    FixedFileInfo info;
    for (size_t cut = 0; cut < image.size(); cut += 7) {
        std::vector<uint8_t> part(image.begin(), image.begin() + long(cut));
        int ok = read_pe_fixed_file_info(part.data(), part.size(), &info);
        if (cut < 0x200 + 0x58 + 92) {
            EXPECT_EQ(ok, 0) << cut;
        }
    }
    // Version strings and a certificate table too: a real program cut anywhere.
    const auto program = test_program("signed_9_8.exe");
    ProgramImage read;
    for (size_t cut = 0; cut < program.size(); cut += 13) {
        std::vector<uint8_t> part(program.begin(), program.begin() + long(cut));
        (void)read_pe_program_image(part.data(), part.size(), &read);
        EXPECT_FALSE(read.has_signature) << cut;
    }
}

TEST(PeVersion, ImagesWithoutVersionNotPeOrWithDamagedOffsetsAreRefused)
{
    FixedFileInfo info;
    // clang-format off
    const struct { const char* what; size_t at; std::vector<uint8_t> bytes; } damage[] = {
        {"PE header beyond the file", 0x3C, {0xF0, 0xFF}},
        {"version block larger than the image", 0x200 + 0x48 + 4, {0xFF, 0xFF}},
        {"empty fixed block", 0x200 + 0x58 + 2, {0}},
        {"type directory entry pointing into itself forever", 0x200 + 20, {0, 0}},
    };
    // clang-format on
    for (const auto& d : damage) {
        auto image = build_pe(PeOptions{});
        std::copy(d.bytes.begin(), d.bytes.end(), image.begin() + long(d.at));
        EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0) << d.what;
    }
    PeOptions o;
    o.with_version = false;
    const auto image = build_pe(o);
    EXPECT_EQ(read_pe_fixed_file_info(image.data(), image.size(), &info), 0);
    const std::string text = "MZ but nothing else of a program";
    EXPECT_EQ(read_pe_fixed_file_info(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &info), 0);
    EXPECT_EQ(read_pe_fixed_file_info(nullptr, 0, &info), 0);
}

}  // namespace
