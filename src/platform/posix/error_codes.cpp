#include "platform/posix/error_codes.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

#include "platform/platform.h"

namespace {

thread_local uint32_t t_last_error = 0;

bool parent_exists(const char* native_path)
{
    if (!native_path) return true;
    std::string path = native_path;
    size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return true;
    std::string parent = cut == 0 ? "/" : path.substr(0, cut);
    struct stat st;
    return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

uint32_t windows_error_from_errno(int err, const char* native_path)
{
    switch (err) {
    case ENOENT: return parent_exists(native_path) ? kErrorFileNotFound : kErrorPathNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return kErrorAccessDenied;
    case EXDEV: return kErrorNotSameDevice;
    case EEXIST: return kErrorFileExists;  // a folder made twice says kErrorAlreadyExists
    case EBUSY: return kErrorSharingViolation;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case kErrnoNotRegularFile: return kErrorBadFileType;
    default: return 31;  // ERROR_GEN_FAILURE
    }
}

void set_last_error(uint32_t code) { t_last_error = code; }

uint32_t posix_last_error() { return t_last_error; }
