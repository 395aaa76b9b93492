// The scripted user, the program module's resources, and the system queries.
#include "machine_test.h"

#include <cstring>
#include <stdexcept>

namespace {

using UserTest = MachineTest;
using SystemTest = MachineTest;

TEST_F(UserTest, MessageBoxesTakeScriptedAnswersInOrderAfterTheirActions) {
    m.AddFile("C:\\dest\\x.dll");
    m.HoldFile("C:\\dest\\x.dll");
    m.user.Answer(IDRETRY, [&] { m.ReleaseFile("C:\\dest\\x.dll"); }).Answer(IDCANCEL);

    EXPECT_EQ(MessageBoxA(nullptr, "in use", "Quarvel Install", MB_RETRYCANCEL), IDRETRY);
    m.AddFile("C:\\package\\x.dll");
    EXPECT_TRUE(CopyFileA("x.dll", "C:\\dest\\x.dll", FALSE)) << "the action ran before the answer came back";
    EXPECT_EQ(MessageBoxA(nullptr, "older", nullptr, MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);

    ASSERT_EQ(m.user.transcript.size(), 2u);
    const sim::Shown& second = m.user.transcript[1];
    EXPECT_EQ(second.kind, sim::ShownKind::MessageBox);
    EXPECT_EQ(second.owner, nullptr);
    EXPECT_EQ(second.title, "Error") << "a null title shows as Error";
    EXPECT_EQ(second.style, static_cast<UINT>(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(m.user.MessageTexts(), (std::vector<std::string>{"in use", "older"}));

    EXPECT_EQ(MessageBoxA(nullptr, "one too many", "t", MB_OK), 0);
    m.user.Answer(IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "wrong button", "t", MB_OK), IDRETRY);
    std::vector<std::string> errors = TakeErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("one too many"), std::string::npos);
    EXPECT_NE(errors[1].find("not a button"), std::string::npos);
}

constexpr UINT kDialog = 103;

INT_PTR EndingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static LPARAM initParam;
    if (message == WM_INITDIALOG) {
        initParam = lParam;
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(window, LOWORD(wParam) + 100 * initParam);
        return TRUE;
    }
    return FALSE;
}

INT_PTR NeverEndingProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(UserTest, DialogRunsInitThenTheAnswerUntilEndDialog) {
    m.program.dialogs[kDialog] = sim::DialogTemplate{"Installed", "System", 8, 0x00C800C0, 0, 22, 17, 129, 75, {}};
    m.user.Answer(IDCANCEL).Answer(IDOK);

    EXPECT_EQ(DialogBoxParamA(sim::ProgramInstance(), MAKEINTRESOURCEA(kDialog), nullptr, EndingProc, 3), 302);
    ASSERT_EQ(m.user.transcript.size(), 1u);
    EXPECT_EQ(m.user.transcript[0].kind, sim::ShownKind::Dialog);
    EXPECT_EQ(m.user.transcript[0].title, "Installed");
    EXPECT_EQ(m.user.transcript[0].dialogId, kDialog);
    EXPECT_EQ(m.user.transcript[0].initDialogResult, TRUE);

    EXPECT_EQ(DialogBoxParamA(sim::ProgramInstance(), MAKEINTRESOURCEA(kDialog), nullptr, NeverEndingProc, 0), -1);
    EXPECT_EQ(TakeErrors().size(), 1u) << "a dialog that does not end is reported, not waited for";

    EXPECT_EQ(DialogBoxParamA(sim::ProgramInstance(), MAKEINTRESOURCEA(999), nullptr, EndingProc, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialog), nullptr, EndingProc, 0), -1);
    EXPECT_EQ(m.user.transcript.size(), 2u);
}

TEST_F(UserTest, LoadStringCutsAndTerminatesAndEmptiesForAMissingId) {
    m.program.strings[121] = "Quarvel installation information. ";
    char buffer[10];
    EXPECT_EQ(LoadStringA(sim::ProgramInstance(), 121, buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "Quarvel i");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(sim::ProgramInstance(), 106, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(SystemTest, VersionQueryChecksTheRecordSize) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 10u);

    info.dwOSVersionInfoSize = sizeof info + 8;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    info.dwOSVersionInfoSize = sizeof info;
    m.version.reset();
    EXPECT_FALSE(GetVersionExA(&info));
}

TEST_F(SystemTest, DisplayQueriesWalkTheDepthsAndRepeatTheLast) {
    m.displayDepths = {DWORD{8}, std::nullopt, DWORD{32}};
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmBitsPerPel, 8u);
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmBitsPerPel, 8u) << "a failed query leaves the record alone";
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
        EXPECT_EQ(mode.dmBitsPerPel, 32u);
    }
    mode.dmSize = sizeof mode - 4;
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(m.displayQueries, 5);
}

TEST_F(SystemTest, DebugOutputIsKeptAndOnlyOneMachineIsCurrent) {
    OutputDebugStringA("Couldn't LoadLibrary DDraw\r\n");
    EXPECT_EQ(m.debugOutput, std::vector<std::string>{"Couldn't LoadLibrary DDraw\r\n"});
    EXPECT_EQ(m.calls, std::vector<std::string>{"OutputDebugStringA 'Couldn't LoadLibrary DDraw\\r\\n'"});
    EXPECT_THROW(sim::Machine second, std::logic_error);
    EXPECT_EQ(&sim::Current(), &m);
}

}  // namespace
