// Start-up and shutdown: the whole life of one program run.
#pragma once

// Runs the program with the command-line text that follows the program name and
// returns the exit status: 0 after a normal end, -1 when a start-up check failed.
int run_program(const char* commandLine);
