// The arguments the Windows entry finds after the program's name.
#include <gtest/gtest.h>

#include <string>

#include "installer/install_state.h"

namespace {

struct CommandLineCase {
    const char* commandLine;
    const char* arguments;
};

class SkipProgramNameTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(SkipProgramNameTest, FindsTheArgumentsAfterTheName)
{
    std::string line = GetParam().commandLine;
    LPSTR arguments = SkipProgramName(&line[0]);
    ASSERT_NE(arguments, nullptr);
    EXPECT_STREQ(arguments, GetParam().arguments);
    EXPECT_GE(arguments, &line[0]);
    EXPECT_LE(arguments, &line[0] + line.size());
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SkipProgramNameTest,
    testing::Values(CommandLineCase{"setup.exe -nook", "-nook"},
                    CommandLineCase{"setup.exe", ""},
                    CommandLineCase{"", ""},
                    CommandLineCase{"setup.exe \t  -nook  x ", "-nook  x "},
                    CommandLineCase{"\"C:\\Package Folder\\setup.exe\" -nook", "-nook"},
                    CommandLineCase{"\"C:\\Package Folder\\setup.exe\"-nook", ""},
                    CommandLineCase{"C:\\Pack\"age Fol\"der\\setup.exe -nook", "-nook"},
                    CommandLineCase{"\"setup.exe -nook", ""},
                    CommandLineCase{"  -nook", "-nook"},
                    CommandLineCase{"setup.exe\r\n\x01-nook", "-nook"},
                    CommandLineCase{"C:\\Pak\xE9t\xA0\\setup.exe -nook", "-nook"},
                    CommandLineCase{"C:\\pkg-nook\\setup.exe", ""},
                    CommandLineCase{"\"C:\\my -nook\\setup.exe\" x", "x"}));

TEST(SkipProgramName, PassesNoCommandLineOn)
{
    EXPECT_EQ(SkipProgramName(nullptr), nullptr);
}

}  // namespace
