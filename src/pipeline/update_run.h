// One update run: the download phase, the install phase and the summary.
#pragma once

struct Window;

// Performs one whole run with the catalogue and selections of g_config; the owner
// window is the main window (or none with -auto). Results go to the log, the status
// list and the summary message.
void Update(Window* owner);
