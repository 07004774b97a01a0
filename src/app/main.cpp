// Program entry: joins the arguments back into the command-line text the program
// reads, installs the system's services and runs.
#include <string>

#include "app/startup.h"
#include "platform/platform.h"

int main(int argc, char** argv)
{
    g_platform = native_platform();
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return run_program(text.c_str());
}
