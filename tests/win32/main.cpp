// The Win32 test program. Started with --child=<role> it plays one of the
// helper roles of support.cpp (a process whose output, exit code or
// existence the tests check) instead of running the tests.
#include <gtest/gtest.h>

#include "tests/win32/support.h"

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wstring_view(argv[1]).rfind(L"--child=", 0) == 0) {
        std::u16string role = quellora::win32::FromWide(argv[1] + 8);
        std::vector<std::u16string> arguments;
        for (int i = 2; i < argc; ++i) arguments.push_back(quellora::win32::FromWide(argv[i]));
        return quellora::wintest::RunChildRole(role, arguments);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
