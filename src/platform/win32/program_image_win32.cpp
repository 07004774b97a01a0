// What a program file says of itself, on the Win32 API: the PE headers read from the
// file, the version resource through the version API, and the Authenticode
// signature judged by WinVerifyTrust.
#include <windows.h>
#include <cstdio>
#include <memory>
#include <softpub.h>
#include <vector>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/win32/platform_win32.h"
#include "platform/win32/text_win32.h"

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

uint32_t le16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

bool read_at(HANDLE file, uint64_t offset, void* buf, DWORD size)
{
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    DWORD got = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, buf, size, &got, nullptr) && got == size;
}

// Machine, characteristics, optional-header magic, subsystem and the certificate
// table's presence.
bool read_headers(const std::wstring& path, ProgramImage* out)
{
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    unsigned char dos[64];
    if (!read_at(file.get(), 0, dos, sizeof dos) || le16(dos) != 0x5A4D) return false;
    const uint32_t pe = le32(dos + 0x3C);
    // Signature, file header and the largest optional header (PE32+ with 16 directories).
    unsigned char head[4 + 20 + 240] = {};
    const uint64_t left = uint64_t(size.QuadPart) > pe ? uint64_t(size.QuadPart) - pe : 0;
    const DWORD want = DWORD(left < sizeof head ? left : sizeof head);
    if (want < 4 + 20 + 70 || !read_at(file.get(), pe, head, want) || le32(head) != 0x00004550) return false;
    const unsigned char* coff = head + 4;
    const unsigned char* optional = coff + 20;
    const uint32_t optional_size = le16(coff + 16);
    out->machine = uint16_t(le16(coff));
    out->characteristics = uint16_t(le16(coff + 18));
    out->magic = uint16_t(le16(optional));
    out->subsystem = uint16_t(le16(optional + 68));
    size_t dirs;
    if (out->magic == 0x10B) dirs = 96;
    else if (out->magic == 0x20B) dirs = 112;
    else return false;
    // The certificate table (directory 4) is addressed by file offset.
    const size_t cert = dirs + 4 * 8;
    if (le32(optional + dirs - 4) > 4 && cert + 8 <= optional_size && 24 + cert + 8 <= want) {
        const uint64_t where = le32(optional + cert), length = le32(optional + cert + 4);
        out->has_signature = where != 0 && length != 0 && where + length <= uint64_t(size.QuadPart);
    }
    return true;
}

std::string query_text(std::vector<unsigned char>& block, const wchar_t* table, const wchar_t* name)
{
    wchar_t query[96];
    std::swprintf(query, 96, L"\\StringFileInfo\\%ls\\%ls", table, name);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &length) || !text) return {};
    return narrow(std::wstring(text, wcsnlen(text, length)).c_str());
}

// The version resource of a file and its fixed block, which lies inside it; null
// when the file has none.
const VS_FIXEDFILEINFO* read_version_block(const std::wstring& path, std::vector<unsigned char>* block)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return nullptr;
    block->resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block->data())) return nullptr;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block->data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO))
        return nullptr;
    return fixed;
}

void read_version(const std::wstring& path, ProgramImage* out)
{
    std::vector<unsigned char> block;
    const VS_FIXEDFILEINFO* fixed = read_version_block(path, &block);
    if (!fixed) return;
    out->has_version = fixed->dwSignature == 0xFEEF04BD;
    out->file_version_ms = fixed->dwFileVersionMS;
    out->file_version_ls = fixed->dwFileVersionLS;

    // The string table of the first language the resource names.
    wchar_t table[16] = L"040904b0";
    WORD* translation = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        translation && length >= 4)
        std::swprintf(table, 16, L"%04x%04x", translation[0], translation[1]);
    out->internal_name = query_text(block, table, L"InternalName");
    out->original_filename = query_text(block, table, L"OriginalFilename");
}

std::string hex_of(const CERT_NAME_BLOB& blob)
{
    std::string text;
    char digits[3];
    for (DWORD i = 0; i < blob.cbData; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", blob.pbData[i]);
        text += digits;
    }
    return text;
}

// wintrust.dll is taken from the system folder by its full name, never from the
// program's folder, and only when a signature is to be judged.
struct Wintrust {
    decltype(&WinVerifyTrust) verify = nullptr;
    decltype(&WTHelperProvDataFromStateData) provider_data = nullptr;
    decltype(&WTHelperGetProvSignerFromChain) signer = nullptr;
};

const Wintrust* wintrust()
{
    static const Wintrust loaded = [] {
        Wintrust w;
        wchar_t folder[MAX_PATH];
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return w;
        const HMODULE dll = LoadLibraryW((std::wstring(folder) + L"\\wintrust.dll").c_str());
        if (!dll) return w;
        w.verify =
            reinterpret_cast<decltype(&WinVerifyTrust)>(reinterpret_cast<void*>(GetProcAddress(dll, "WinVerifyTrust")));
        w.provider_data = reinterpret_cast<decltype(&WTHelperProvDataFromStateData)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "WTHelperProvDataFromStateData")));
        w.signer = reinterpret_cast<decltype(&WTHelperGetProvSignerFromChain)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "WTHelperGetProvSignerFromChain")));
        return w;
    }();
    return loaded.verify && loaded.provider_data && loaded.signer ? &loaded : nullptr;
}

// Whether the signature holds up to a trusted root (no revocation lists are fetched),
// and the leaf certificate's subject, issuer and public key, read also when it does
// not.
void judge_signature(const std::wstring& path, ProgramImage* out)
{
    const Wintrust* w = wintrust();
    if (!w) return;
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const HWND no_ui = static_cast<HWND>(INVALID_HANDLE_VALUE);
    out->signature_trusted = w->verify(no_ui, &action, &data) == ERROR_SUCCESS;
    if (CRYPT_PROVIDER_DATA* provider = w->provider_data(data.hWVTStateData)) {
        CRYPT_PROVIDER_SGNR* signer = w->signer(provider, 0, FALSE, 0);
        if (signer && signer->csCertChain > 0 && signer->pasCertChain && signer->pasCertChain[0].pCert) {
            const CERT_INFO* leaf = signer->pasCertChain[0].pCert->pCertInfo;
            // The key too: names alone can be copied into a certificate of one's own.
            out->signer = hex_of(leaf->Subject) + "/" + hex_of(leaf->Issuer) + "/" +
                          hex_of(CERT_NAME_BLOB{leaf->SubjectPublicKeyInfo.PublicKey.cbData,
                                                leaf->SubjectPublicKeyInfo.PublicKey.pbData});
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    w->verify(no_ui, &action, &data);
}

std::wstring running_program()
{
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (n == 0) return {};
        if (n < name.size()) return std::wstring(name.data(), n);
        name.resize(name.size() * 2);
    }
}

}  // namespace

int win32_program_image(const char* path, ProgramImage* out)
{
    *out = ProgramImage{};
    const std::wstring file = path ? widen(win32_native_path(path).c_str()) : running_program();
    if (file.empty() || !read_headers(file, out)) return 0;
    read_version(file, out);
    if (out->has_signature) judge_signature(file, out);
    return 1;
}

int win32_file_version(const char* path, FixedFileInfo* out)
{
    std::vector<unsigned char> block;
    const VS_FIXEDFILEINFO* fixed = read_version_block(widen(path), &block);
    if (!fixed) return 0;
    out->signature = fixed->dwSignature;
    out->file_version_ms = fixed->dwFileVersionMS;
    out->file_version_ls = fixed->dwFileVersionLS;
    return 1;
}
