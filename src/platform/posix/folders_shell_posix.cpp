// The per-user data folder (XDG), the program's own folder, the working folder,
// and handing an address to the desktop's browser.
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/error_codes.h"
#include "platform/posix/platform_posix.h"

int posix_app_data_folder(std::string* out)
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') {
        *out = xdg;
        return 1;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) return 0;
    *out = std::string(home) + "/.local/share";
    return 1;
}

int posix_open_url(const char* url)
{
    // The children of a threaded program may make only async-signal-safe calls until
    // they exec (another thread may have held the allocator's lock at the fork), so
    // everything they need is made here first.
    char program[] = "xdg-open";
    char* const argv[] = {program, const_cast<char*>(url), nullptr};
    const struct timespec pause = {0, 50 * 1000 * 1000};

    // Detached through an intermediate child, so no zombie is left behind.
    pid_t child = ::fork();
    if (child < 0) return 0;
    if (child == 0) {
        // _Fork, unlike fork, runs no fork handlers, which need not be safe here.
        const pid_t grandchild = ::_Fork();
        if (grandchild < 0) ::_exit(1);
        if (grandchild == 0) {
            ::execvp(program, argv);
            ::_exit(127);
        }
        // xdg-open that finds no browser says so within moments; one still running
        // after two seconds is showing the page.
        for (int waited = 0; waited < 2000; waited += 50) {
            int status = 0;
            if (::waitpid(grandchild, &status, WNOHANG) == grandchild)
                ::_exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
            ::nanosleep(&pause, nullptr);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return 0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int posix_program_folder(std::string* out)
{
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || size_t(length) >= path.size()) return 0;
    path.resize(size_t(length));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return 0;
    *out = slash == 0 ? "/" : path.substr(0, slash);
    return 1;
}

int posix_change_folder(const char* path)
{
    if (::chdir(path) == 0) return 1;
    set_last_error(windows_error_from_errno(errno, path));
    return 0;
}
