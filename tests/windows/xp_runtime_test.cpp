#include <windows.h>

#include <gtest/gtest.h>

// The daemon links xp_runtime.cpp, whose definition of the GetTickCount64 import slot replaces
// kernel32's: the slot must point into the program itself and still give the system's tick count.
TEST(XpRuntime, TickCount64ImportIsTheProgramsOwn)
{
    FARPROC systemAddress = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    ASSERT_NE(nullptr, systemAddress);
    auto systemTickCount64 = reinterpret_cast<ULONGLONG(WINAPI *)()>(reinterpret_cast<void (*)()>(systemAddress));

    // With dllimport, the function's address is the content of its import slot.
    auto slot = reinterpret_cast<LPCWSTR>(reinterpret_cast<void (*)()>(&GetTickCount64));
    HMODULE owner = NULL;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    ASSERT_TRUE(GetModuleHandleExW(flags, slot, &owner));
    EXPECT_EQ(GetModuleHandleW(NULL), owner);

    ULONGLONG before = systemTickCount64();
    ULONGLONG through = GetTickCount64();
    ULONGLONG after = systemTickCount64();
    EXPECT_LE(before, through);
    EXPECT_LE(through, after);
}
