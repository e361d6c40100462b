#pragma once

// Runs a program of the build as a child process, collecting what it writes
// to standard output and standard error, so that a crash or a hang in it is
// a result for the test to judge rather than the end of the test program.

#include <windows.h>

#include <functional>
#include <string>

struct ChildRun {
    bool started = false;
    bool silent = false;  // said nothing for too long and was ended
    DWORD exitCode = 0xFFFFFFFF;
};

// Starts program with the command line (which starts with the program's own
// quoted name), passes its output to onOutput as it comes, and waits for it to
// end. A child that says nothing for silenceLimit milliseconds is terminated.
ChildRun RunChild(const std::wstring& program, std::wstring commandLine, DWORD silenceLimit,
                  const std::function<void(const std::string&)>& onOutput);
