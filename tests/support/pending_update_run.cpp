// Stand-in for the update run while it is being written elsewhere, so that this
// branch links; weak, so the real one replaces it. Linked only while
// src/pipeline/update_run.cpp is missing (CMakeLists.txt); delete it then.
#include <cstdio>
#include <cstdlib>

#include "pipeline/update_run.h"

__attribute__((weak)) void Update(Window*)
{
    std::fprintf(stderr, "Update: the update run is not linked into this build\n");
    std::abort();
}
