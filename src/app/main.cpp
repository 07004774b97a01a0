// Program entry: takes the command-line text the program reads, installs the
// system's services and runs.
#include "app/startup.h"
#include "platform/platform.h"

int main(int argc, char** argv)
{
    g_platform = native_platform();
    return run_program(native_command_line(argc, argv).c_str());
}
