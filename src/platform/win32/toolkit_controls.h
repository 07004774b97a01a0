// The control entries of the Windows toolkit: creation by kind, and the check,
// text, list and progress operations, each carried by window messages.
#pragma once

#include "platform/toolkit.h"

// Fills the control, list and progress entries of a toolkit record.
void add_control_entries(Toolkit* toolkit);
