// ComposeReport: the lines of the failure report, drawn from the string table
// by what InstallState holds, and their joining into the report text; and the
// completion dialog's procedure.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "installer/install_state.h"
#include "placement/placement.h"
#include "report/report.h"
#include "resources/resource_ids.h"
#include "tests/test_machine.h"

namespace {

using testing_support::MachineTest;

// One expected report line: a string-table entry, or a text as it stands.
struct Line {
    UINT id;
    const char* text;
};
Line String(UINT id) { return Line{id, nullptr}; }
Line Literal(const char* text) { return Line{0, text}; }

class ComposeReportTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        InstallState.instance = sim::ProgramInstance();
        InstallState.failed = true;  // the report follows a failed run only
    }

    std::string Text(const Line& line) const
    {
        return line.text != nullptr ? std::string(line.text) : m.program.strings.at(line.id);
    }

    std::vector<std::string> Expected(const std::vector<Line>& lines) const
    {
        std::vector<std::string> texts;
        for (const Line& line : lines)
            texts.push_back(Text(line));
        return texts;
    }

    static std::vector<std::string> ReportedLines()
    {
        std::vector<std::string> lines;
        for (int i = 0; i < ReportLineCount; ++i)
            lines.push_back(ReportLines[i]);
        return lines;
    }

    // The report as the lines and as the joined text, each line followed by
    // one line break; composing it shows nothing.
    void ExpectReport(const std::vector<Line>& lines) const
    {
        const std::vector<std::string> expected = Expected(lines);
        EXPECT_EQ(ReportedLines(), expected);
        std::string text;
        for (const std::string& line : expected)
            text += line + "\n";
        EXPECT_EQ(std::string(ReportText), text);
        EXPECT_TRUE(m.user.transcript.empty());
    }
};

// ---- The Windows and DirectX lines -----------------------------------------

struct PlatformCase {
    const char* name;
    OsFamily osFamily;
    DWORD directXLevel;
    UINT windowsLine;  // 0: none
    UINT directXLine;
};

std::ostream& operator<<(std::ostream& out, const PlatformCase& c) { return out << c.name; }

const PlatformCase kPlatformCases[] = {
    {"Windows9xNoDirectX", OsWindows9x, DirectXNone, IDS_WINDOWS_9X, IDS_NO_DIRECTX3},
    {"Windows9xDirectX1", OsWindows9x, DirectX1, IDS_WINDOWS_9X, IDS_NO_DIRECTX3},
    {"Windows9xDirectX2", OsWindows9x, DirectX2, IDS_WINDOWS_9X, IDS_NO_DIRECTX3},
    {"Windows9xDirectX3", OsWindows9x, DirectX3, IDS_WINDOWS_9X, IDS_DIRECTX3},
    {"Windows9xDirectX5", OsWindows9x, DirectX5, IDS_WINDOWS_9X, IDS_DIRECTX5},
    {"Windows9xDirectX6", OsWindows9x, DirectX6, IDS_WINDOWS_9X, IDS_DIRECTX6},
    {"WindowsNTNoDirectX", OsWindowsNT, DirectXNone, IDS_WINDOWS_NT4, IDS_NO_DIRECTX3},
    {"WindowsNTDirectX2", OsWindowsNT, DirectX2, IDS_WINDOWS_NT4, IDS_NO_DIRECTX3},
    {"WindowsNTDirectX3", OsWindowsNT, DirectX3, IDS_WINDOWS_NT4, IDS_DIRECTX3},
    {"WindowsNTDirectX5", OsWindowsNT, DirectX5, IDS_WINDOWS_NT4, IDS_DIRECTX5},
    {"WindowsNTDirectX6IsWindows2000", OsWindowsNT, DirectX6, IDS_WINDOWS_2000, IDS_DIRECTX6},
    {"NoFamilyNoDirectX", OsNone, DirectXNone, 0, IDS_NO_DIRECTX3},
    {"NoFamilyDirectX6", OsNone, DirectX6, 0, IDS_DIRECTX6},
    // Levels that no probe leaves are "any other level".
    {"UnknownLevelBetweenKnownOnes", OsWindows9x, 0x400, IDS_WINDOWS_9X, IDS_NO_DIRECTX3},
    {"UnknownLevelAboveDirectX6", OsWindows9x, 0x700, IDS_WINDOWS_9X, IDS_NO_DIRECTX3},
    {"UnknownLevelAboveDirectX6OnNT", OsWindowsNT, 0x700, IDS_WINDOWS_NT4, IDS_NO_DIRECTX3},
};

class ReportPlatformLines : public ComposeReportTest, public ::testing::WithParamInterface<PlatformCase> {};

TEST_P(ReportPlatformLines, NameTheFamilyAndTheLevel)
{
    const PlatformCase& c = GetParam();
    InstallState.osFamily = c.osFamily;
    InstallState.directXLevel = static_cast<DirectXLevel>(c.directXLevel);

    ComposeReport();

    std::vector<Line> lines{String(IDS_INFORMATION)};
    if (c.windowsLine != 0)
        lines.push_back(String(c.windowsLine));
    lines.push_back(String(c.directXLine));
    lines.push_back(String(IDS_COPY_FAILED));  // nothing registered, no failure recorded
    ExpectReport(lines);
}

INSTANTIATE_TEST_SUITE_P(ComposeReport, ReportPlatformLines, ::testing::ValuesIn(kPlatformCases),
                         [](const ::testing::TestParamInfo<PlatformCase>& info) { return info.param.name; });

// ---- The component and plug-in lines ---------------------------------------

struct OutcomeCase {
    const char* name;
    bool componentRegistered;
    const char* failureReason;
    bool pluginInstalled;
    PluginStatus pluginStatus;
    std::vector<Line> lastLines;  // after the information, Windows and DirectX lines
};

std::ostream& operator<<(std::ostream& out, const OutcomeCase& c) { return out << c.name; }

// The failure texts of InstallFile, as the report copies them.
const char kSkipped[] = "One of the files was more recent than the installations file, file skipped";
const char kInUse[] = "File is in use";
const char kNotWritten[] = "Couldn't write file to disk";

const OutcomeCase kOutcomeCases[] = {
    // A failed step that recorded no failed file (the folder or the
    // registration): the copy-failure text stands for it.
    {"NothingCopiedNothingRecorded", false, nullptr, false, PluginNone, {String(IDS_COPY_FAILED)}},
    {"ComponentCopyFailedNamesTheRecordedFailure", false, kNotWritten, false, PluginNone, {Literal(kNotWritten)}},
    {"ComponentFileInUse", false, kInUse, false, PluginNone, {Literal(kInUse)}},
    {"ComponentFileSkipped", false, kSkipped, false, PluginNone, {Literal(kSkipped)}},
    {"RegisteredComponent", true, nullptr, false, PluginNone, {String(IDS_REGISTERED)}},
    // A plug-in copy that failed after the component registered: the
    // component line does not carry the plug-in's failure.
    {"PluginCopyFailedAfterRegistration", true, kNotWritten, false, PluginNone, {String(IDS_REGISTERED)}},
    {"InternetExplorerOnlyPackage", true, nullptr, false, PluginNotInPackage,
     {String(IDS_REGISTERED), String(IDS_IE_ONLY)}},
    {"InternetExplorerOnlyPackageComponentFailed", false, kNotWritten, false, PluginNotInPackage,
     {Literal(kNotWritten), String(IDS_IE_ONLY)}},
    {"NoNavigatorFound", true, nullptr, false, NavigatorNotFound,
     {String(IDS_REGISTERED), String(IDS_NO_PLUGIN_DIRECTORY)}},
    {"NoNavigatorButFailedNetscape6Pass", true, kNotWritten, false, NavigatorNotFound,
     {String(IDS_REGISTERED), String(IDS_NO_PLUGIN_DIRECTORY)}},
    // The plug-in step succeeded, so a plug-in file that was not placed
    // brought the report: its line names the recorded failure.
    {"PluginStepSucceededWithAFailedFile", true, kNotWritten, true, PluginNone,
     {String(IDS_REGISTERED), Literal(kNotWritten)}},
    {"PluginStepSucceededWithAFileInUse", true, kInUse, true, NavigatorNotFound,
     {String(IDS_REGISTERED), Literal(kInUse)}},
    // Without a recorded failure the plug-in line stays empty but is kept.
    {"PluginStepSucceededWithoutARecordedFailure", true, nullptr, true, PluginNone,
     {String(IDS_REGISTERED), Literal("")}},
    {"PluginStepSucceededAfterAFailedComponent", false, nullptr, true, NavigatorNotFound,
     {String(IDS_COPY_FAILED), Literal("")}},
};

class ReportOutcomeLines : public ComposeReportTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(ReportOutcomeLines, NameTheComponentAndThePlugin)
{
    const OutcomeCase& c = GetParam();
    InstallState.osFamily = OsWindows9x;
    InstallState.directXLevel = DirectX6;
    InstallState.componentRegistered = c.componentRegistered;
    InstallState.failureReason = c.failureReason;
    InstallState.pluginInstalled = c.pluginInstalled;
    InstallState.pluginStatus = c.pluginStatus;

    ComposeReport();

    std::vector<Line> lines{String(IDS_INFORMATION), String(IDS_WINDOWS_9X), String(IDS_DIRECTX6)};
    lines.insert(lines.end(), c.lastLines.begin(), c.lastLines.end());
    ExpectReport(lines);
}

INSTANTIATE_TEST_SUITE_P(ComposeReport, ReportOutcomeLines, ::testing::ValuesIn(kOutcomeCases),
                         [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

// ---- Whole reports of typical failed runs ----------------------------------

TEST_F(ComposeReportTest, Windows98WithDirectDrawWithoutDirectDraw2)
{
    InstallState.osFamily = OsWindows9x;
    InstallState.directXLevel = DirectX1;

    ComposeReport();

    ExpectReport({String(IDS_INFORMATION), String(IDS_WINDOWS_9X), String(IDS_NO_DIRECTX3), String(IDS_COPY_FAILED)});
    EXPECT_EQ(std::string(ReportText),
              "Quarvel installation information. \n"
              "Windows 95,98 or 2000 detected\n"
              "DirectX 3 or later was NOT detected. Quarvel can not be installed. Get the latest version of "
              "DirectX from http://www.microsoft.com/directx/download.asp.\n"
              "FAILED to copy files. Make sure there is enough free space on the harddrive and that you have "
              "write access.\n");
}

TEST_F(ComposeReportTest, WindowsNT4WithDirectX3AndAComponentCopyFailure)
{
    InstallState.osFamily = OsWindowsNT;
    InstallState.directXLevel = DirectX3;
    InstallState.failureReason = FileNotWrittenText;

    ComposeReport();

    EXPECT_EQ(std::string(ReportText),
              "Quarvel installation information. \n"
              "Window NT 4 detected.\n"
              "DirectX3 - Quarvel will work, but it will work better with a never version of DirectX\n"
              "Couldn't write file to disk\n");
    EXPECT_EQ(ReportLineCount, 4);
}

TEST_F(ComposeReportTest, EachLineIsLoadedFromTheProgramsStringTable)
{
    InstallState.osFamily = OsWindowsNT;
    InstallState.directXLevel = DirectX6;
    InstallState.componentRegistered = true;
    InstallState.pluginStatus = NavigatorNotFound;

    ComposeReport();

    std::vector<std::string> loads;
    for (UINT id : {IDS_INFORMATION, IDS_WINDOWS_2000, IDS_DIRECTX6, IDS_REGISTERED, IDS_NO_PLUGIN_DIRECTORY})
        loads.push_back("LoadStringA " + std::to_string(id) + " -> " + std::to_string(m.program.strings.at(id).size()));
    EXPECT_EQ(m.CallsStartingWith("LoadStringA"), loads);
}

// The lines hold 254 characters and a terminator; a longer text is cut there.
TEST_F(ComposeReportTest, TextsLongerThanALineAreCutAt254Characters)
{
    m.program.strings[IDS_WINDOWS_9X] = std::string(300, 'w');
    const std::string longReason(300, 'r');
    InstallState.osFamily = OsWindows9x;
    InstallState.directXLevel = DirectX6;
    InstallState.failureReason = longReason.c_str();

    ComposeReport();

    ASSERT_EQ(ReportLineCount, 4);
    EXPECT_EQ(std::string(ReportLines[1]), std::string(254, 'w'));
    EXPECT_EQ(std::string(ReportLines[3]), std::string(254, 'r'));
    EXPECT_EQ(std::string(ReportText), m.program.strings.at(IDS_INFORMATION) + "\n" + std::string(254, 'w') + "\n" +
                                           m.program.strings.at(IDS_DIRECTX6) + "\n" + std::string(254, 'r') + "\n");
}

// A string-table entry that cannot be loaded leaves its line empty; the line
// still counts and still ends the text with a line break.
TEST_F(ComposeReportTest, MissingStringLeavesAnEmptyLineThatStillEndsTheText)
{
    m.program.strings.erase(IDS_NO_PLUGIN_DIRECTORY);
    InstallState.osFamily = OsWindows9x;
    InstallState.directXLevel = DirectX6;
    InstallState.componentRegistered = true;
    InstallState.pluginStatus = NavigatorNotFound;

    ComposeReport();

    ExpectReport({String(IDS_INFORMATION), String(IDS_WINDOWS_9X), String(IDS_DIRECTX6), String(IDS_REGISTERED),
                  Literal("")});
}

// ---- The completion dialog -------------------------------------------------

class CompletionDialogTest : public MachineTest {
protected:
    INT_PTR ShowDialog(DLGPROC procedure, LPARAM parameter = 0)
    {
        return DialogBoxParamA(sim::ProgramInstance(), MAKEINTRESOURCEA(IDD_COMPLETION), NULL, procedure,
                               parameter);
    }
};

class CompletionDialogAnswer : public CompletionDialogTest, public ::testing::WithParamInterface<int> {};

// The OK button and Enter give IDOK; Escape and the close box give IDCANCEL.
TEST_P(CompletionDialogAnswer, EndsTheDialogWithTheCommandAsItsResult)
{
    m.user.Answer(GetParam());

    EXPECT_EQ(ShowDialog(CompletionDialogProc), GetParam());

    ASSERT_EQ(m.user.transcript.size(), 1u);
    const sim::Shown& dialog = m.user.transcript[0];
    EXPECT_EQ(dialog.kind, sim::ShownKind::Dialog);
    EXPECT_EQ(dialog.dialogId, static_cast<UINT>(IDD_COMPLETION));
    EXPECT_EQ(dialog.initDialogResult, TRUE);
    EXPECT_EQ(m.CallsStartingWith("EndDialog"), std::vector<std::string>{"EndDialog " + std::to_string(GetParam())});
}

INSTANTIATE_TEST_SUITE_P(CompletionDialog, CompletionDialogAnswer, ::testing::Values(IDOK, IDCANCEL),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == IDOK ? std::string("Ok") : std::string("Cancel");
                         });

// A command that carries a notification code in its high word (an
// accelerator sends 1) ends the dialog by its low word all the same.
// The dialog procedure below sends it as soon as the dialog is up.
WPARAM commandToSend;

INT_PTR CALLBACK SendCommandOnInit(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = CompletionDialogProc(window, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        EXPECT_EQ(CompletionDialogProc(window, WM_COMMAND, commandToSend, 0), TRUE);
    }
    return result;
}

class CompletionDialogNotifiedCommand : public CompletionDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(CompletionDialogNotifiedCommand, EndsTheDialogByTheLowWord)
{
    commandToSend = MAKEWPARAM(GetParam(), 1);

    EXPECT_EQ(ShowDialog(SendCommandOnInit), GetParam());

    EXPECT_EQ(m.CallsStartingWith("EndDialog"), std::vector<std::string>{"EndDialog " + std::to_string(GetParam())});
}

INSTANTIATE_TEST_SUITE_P(CompletionDialog, CompletionDialogNotifiedCommand, ::testing::Values(IDOK, IDCANCEL),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == IDOK ? std::string("Ok") : std::string("Cancel");
                         });

struct IgnoredMessage {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::ostream& operator<<(std::ostream& out, const IgnoredMessage& c) { return out << c.name; }

const IgnoredMessage kIgnoredMessages[] = {
    {"CommandFromAStaticText", WM_COMMAND, MAKEWPARAM(0xFFFF, BN_CLICKED), 0},
    {"CommandZero", WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), 0},
    {"CommandThree", WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), 0},
    {"CommandRetry", WM_COMMAND, MAKEWPARAM(IDRETRY, BN_CLICKED), 0},
    {"CommandWithOkOnlyInTheHighWord", WM_COMMAND, MAKEWPARAM(0, IDOK), 0},
    {"CommandWithCancelOnlyInTheHighWord", WM_COMMAND, MAKEWPARAM(0, IDCANCEL), 0},
    {"Close", 0x0010 /* WM_CLOSE */, 0, 0},
    {"Destroy", 0x0002 /* WM_DESTROY */, 0, 0},
    {"Paint", 0x000F /* WM_PAINT */, 0, 0},
    {"KeyDownEscape", 0x0100 /* WM_KEYDOWN */, 0x1B /* VK_ESCAPE */, 0},
    {"NotifyFromTheOkButton", 0x004E /* WM_NOTIFY */, IDOK, 0},
    {"SysCommandClose", 0x0112 /* WM_SYSCOMMAND */, 0xF060 /* SC_CLOSE */, 0},
    {"Timer", 0x0113 /* WM_TIMER */, IDOK, 0},
    {"User", 0x0400 /* WM_USER */, IDOK, IDOK},
};

class CompletionDialogIgnores : public CompletionDialogTest, public ::testing::WithParamInterface<IgnoredMessage> {};

// Any other message returns FALSE and leaves the dialog alone (an EndDialog
// here would also be reported by the machine: no dialog is open).
TEST_P(CompletionDialogIgnores, OtherMessagesAndCommands)
{
    const IgnoredMessage& c = GetParam();
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5010));

    EXPECT_EQ(CompletionDialogProc(window, c.message, c.wParam, c.lParam), FALSE);

    EXPECT_TRUE(m.CallsStartingWith("EndDialog").empty());
    EXPECT_TRUE(m.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(CompletionDialog, CompletionDialogIgnores, ::testing::ValuesIn(kIgnoredMessages),
                         [](const ::testing::TestParamInfo<IgnoredMessage>& info) { return info.param.name; });

}  // namespace
