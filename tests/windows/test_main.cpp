// The Windows tests run as in a strict host: see strict_floating_point.h.
#include "strict_floating_point.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace {

// A fault on any thread ends the program with the fault's code, told with
// the test that was running. Left to the platform, Wine starts its debugger,
// which ends the program with exit code 0 as often as not: a crash on one of
// a test's own threads would count as a pass.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    HMODULE module = nullptr;
    char moduleName[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(record.ExceptionAddress), &module))
        GetModuleFileNameA(module, moduleName, sizeof moduleName);
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    char message[1024];
    const int length = std::snprintf(
        message, sizeof message, "FAILED: exception 0x%08lX (address 0x%llX) at %s+0x%llX on thread %lu in %s.%s\n",
        record.ExceptionCode,
        record.NumberParameters >= 2 ? static_cast<unsigned long long>(record.ExceptionInformation[1]) : 0ull,
        moduleName,
        static_cast<unsigned long long>(static_cast<const char*>(record.ExceptionAddress) -
                                        reinterpret_cast<const char*>(module)),
        GetCurrentThreadId(), test != nullptr ? test->test_suite_name() : "?", test != nullptr ? test->name() : "?");
    DWORD written = 0;
    if (length > 0)
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, static_cast<DWORD>(length), &written, nullptr);
    TerminateProcess(GetCurrentProcess(), record.ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(&EndOnFault);
    testing::InitGoogleTest(&argc, argv);
    InstallStrictFloatingPointListener();
    return RUN_ALL_TESTS();
}
