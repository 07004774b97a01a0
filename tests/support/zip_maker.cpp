#include "support/zip_maker.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/temp_folder.h"

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

}  // namespace

int info_zip(const std::string& archive, const std::string& folder, const std::vector<std::string>& files, bool stored)
{
    const std::string absolute = std::filesystem::absolute(archive).string();
    std::string command = "cd " + quoted(folder) + " && zip -q" + (stored ? " -0 " : " ") + quoted(absolute);
    for (const std::string& f : files) command += " " + quoted(f);
    return run(command);
}

int python_zip(const std::string& archive, const std::vector<PyMember>& members)
{
    std::string script =
        "import sys, warnings, zipfile\n"
        "warnings.simplefilter('ignore')\n"
        "members = [\n";
    for (const PyMember& m : members) {
        script += "  (bytes.fromhex('" + hex(m.name) + "').decode('latin-1'), bytes.fromhex('" + hex(m.data) + "'), " +
                  (m.deflated ? "zipfile.ZIP_DEFLATED" : "zipfile.ZIP_STORED") + ", " +
                  std::to_string(m.create_system) + ", " + std::to_string(m.external_attr) + ", (";
        for (int part : m.date_time) script += std::to_string(part) + ",";
        script += ")),\n";
    }
    script +=
        "]\n"
        "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
        "    for name, data, method, system, attr, when in members:\n"
        "        info = zipfile.ZipInfo(name, when)\n"
        "        info.compress_type = method\n"
        "        info.create_system = system\n"
        "        info.external_attr = attr\n"
        "        z.writestr(info, data)\n";
    const std::string script_path = archive + ".py";
    write_file(script_path, script);
    const int ok = run("python3 " + quoted(script_path) + " " + quoted(archive));
    std::remove(script_path.c_str());
    return ok;
}

long find_in_file(const std::string& path, const std::string& needle)
{
    const size_t at = read_file(path).find(needle);
    return at == std::string::npos ? -1 : long(at);
}

void flip_byte(const std::string& path, long offset)
{
    std::string bytes = read_file(path);
    bytes[size_t(offset)] = char(~bytes[size_t(offset)]);
    write_file(path, bytes);
}

void put_u32_at(const std::string& path, long offset, uint32_t value)
{
    std::string bytes = read_file(path);
    for (int i = 0; i < 4; ++i) bytes[size_t(offset) + size_t(i)] = char((value >> (8 * i)) & 0xFF);
    write_file(path, bytes);
}
