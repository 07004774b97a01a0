// Offering the updater's own newer program file at start-up.
#pragma once

#include <string>

#include "catalogue/data_source.h"

struct AppWindow;
struct InetHandle;

// Offers a newer program file on the server and, when the user wants it, installs it
// only if its minisign signature (the address + ".minisig") verifies with a key of
// trusted_update_keys(), over the very bytes installed, and newProgramRefusal has no
// objection; a refused file is deleted with one error, the old one and its backup
// untouched. A build without a key makes no offer and logs that one exists.
// 1 when the program must end now (new version fetched and restart chosen, or the
// user cancelled), 0 when start-up goes on.
[[nodiscard]] int checkSelfUpdate(AppWindow* owner, InetHandle* session, DataSource* source);

// Why the program file `candidate` may not take the place of `installed` (null: none
// to compare with), or empty when it may: it must be this program (64-bit windowed
// Windows program, not a DLL, named kstlupd in its version resource), not older than
// the installed file nor than the running program, signed when the installed file is,
// and, where the system judges signatures and the running program's file (`running`,
// null: this process's own) is signed, trusted and signed by the same signer.
[[nodiscard]] std::string newProgramRefusal(const char* candidate, const char* installed, const char* running);

// When the program file is missing (an update killed between its two renames), puts
// back the previous one and deletes the received file, whose signature is gone: the
// new version is offered again.
void restoreProgramFile(AppWindow* owner, const DataSource& updater);
