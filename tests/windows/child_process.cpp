#include "child_process.h"

ChildRun RunChild(const std::wstring& program, std::wstring commandLine, DWORD silenceLimit,
                  const std::function<void(const std::string&)>& onOutput)
{
    ChildRun run;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    run.started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process) != FALSE;
    CloseHandle(writeEnd);
    if (!run.started) {
        CloseHandle(readEnd);
        return run;
    }

    // Read until the child has ended and its output is drained; not until the
    // pipe breaks, which a process it started may delay indefinitely.
    DWORD lastOutput = GetTickCount();
    for (bool ended = false; !ended;) {
        ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!ReadFile(readEnd, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr))
                break;
            onOutput(std::string(buffer, read));
            lastOutput = GetTickCount();
        }
        if (!ended && GetTickCount() - lastOutput > silenceLimit) {
            run.silent = true;
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 10000);
            ended = true;
        }
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return run;
}
