// Whole runs through InstallerMain: what the user sees and the exit code.
#include <gtest/gtest.h>

#include "installer/install_state.h"
#include "resources/resource_ids.h"
#include "tests/test_machine.h"

namespace {

using testing_support::kInstallFolder;
using testing_support::kNavigatorPlugins;
using testing_support::kTypeLibraryKey;
using testing_support::MachineTest;

class WholeRun : public MachineTest {
protected:
    int Run(const char* commandLine)
    {
        std::string line = commandLine;
        return InstallerMain(sim::ProgramInstance(), NULL, &line[0], SW_SHOWNORMAL);
    }

    std::string Text(UINT id) const { return m.program.strings.at(id); }

    // The report box's text for the given string-table lines and texts.
    std::string Report(const std::vector<std::string>& lines) const
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    }

    const sim::Shown& LastShown() const { return m.user.transcript.back(); }

    void ExpectReport(const std::vector<std::string>& lines) const
    {
        ASSERT_FALSE(m.user.transcript.empty());
        const sim::Shown& box = LastShown();
        EXPECT_EQ(box.kind, sim::ShownKind::MessageBox);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.title, "Quarvel install error");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.text, Report(lines));
    }

    std::string Installed(const char* name) const { return std::string(kInstallFolder) + name; }
};

TEST_F(WholeRun, TypicalRunWithNookShowsNothingInstallsEverythingAndExitsOne)
{
    testing_support::SetUpTypicalMachine(m);

    EXPECT_EQ(Run("-nook"), 1);

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_EQ(m.FileContents(Installed("tqm408k.dll")), "support 2.3");
    EXPECT_EQ(m.FileContents(Installed("Quarvel.dll")), "component 1.50");
    EXPECT_EQ(m.FileContents(std::string(kNavigatorPlugins) + "\\NPKestrix.dll"), "plug-in");
    EXPECT_EQ(m.FileContents(std::string(kNavigatorPlugins) + "\\NPKestrix.class"), "plug-in class");
    // The component registered itself from its installed copy ...
    EXPECT_EQ(m.RegisterServerCalls(Installed("Quarvel.dll")), 1);
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5A1C0F7E-3B2D-4E6A-9C81-7F0D2B4E6A13}"));
    // ... and the old type library version is gone, its own version stays.
    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, std::string(kTypeLibraryKey) + "\\1.0"));
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, std::string(kTypeLibraryKey) + "\\1.5"));
    EXPECT_TRUE(InstallState.componentRegistered);
    EXPECT_TRUE(InstallState.pluginInstalled);
    EXPECT_EQ(InstallState.osFamily, OsWindows9x);
    EXPECT_EQ(InstallState.directXLevel, DirectX6);
    EXPECT_TRUE(m.IsLoaded(Installed("Quarvel.dll")));
}

TEST_F(WholeRun, TypicalRunEndsWithTheCompletionDialog)
{
    testing_support::SetUpTypicalMachine(m);
    m.user.Answer(IDOK);

    EXPECT_EQ(Run(""), 1);

    ASSERT_EQ(m.user.transcript.size(), 1u);
    const sim::Shown& dialog = LastShown();
    EXPECT_EQ(dialog.kind, sim::ShownKind::Dialog);
    EXPECT_EQ(dialog.dialogId, static_cast<UINT>(IDD_COMPLETION));
    EXPECT_EQ(dialog.title, "Installed");
    EXPECT_EQ(dialog.owner, nullptr);
    EXPECT_EQ(dialog.initDialogResult, TRUE);
    EXPECT_EQ(dialog.result, IDOK);
}

struct CommandLineCase {
    const char* commandLine;
    bool dialogShown;
};

class CommandLine : public WholeRun, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLine, NookAnywhereSuppressesTheDialogButOnlyInLowerCase)
{
    testing_support::SetUpTypicalMachine(m);
    if (GetParam().dialogShown)
        m.user.Answer(IDCANCEL);  // Escape closes it as well as OK does

    EXPECT_EQ(Run(GetParam().commandLine), 1);

    EXPECT_EQ(m.user.transcript.size(), GetParam().dialogShown ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(WholeRun, CommandLine,
                         ::testing::Values(CommandLineCase{"", true},
                                           CommandLineCase{"-nook", false},
                                           CommandLineCase{"/s -nook /q", false},
                                           CommandLineCase{"x-nookx", false},
                                           CommandLineCase{"-NOOK", true},
                                           CommandLineCase{"-no ok", true}));

TEST_F(WholeRun, PackageForInternetExplorerOnlyInstallsTheComponentAndSucceeds)
{
    m.AddFolder(testing_support::kProgramFiles);
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")
        .SetString("ProgramFilesDir", testing_support::kProgramFiles);
    testing_support::AddPackage(m, false);
    testing_support::AddNavigator(m, {"4.7"}, "4.7");
    m.user.Answer(IDOK);

    EXPECT_EQ(Run(""), 1);

    EXPECT_EQ(LastShown().kind, sim::ShownKind::Dialog);
    EXPECT_EQ(InstallState.pluginStatus, PluginNotInPackage);
    EXPECT_TRUE(m.FileExists(Installed("Quarvel.dll")));
    EXPECT_FALSE(m.FileExists(std::string(kNavigatorPlugins) + "\\NPKestrix.class"));
}

TEST_F(WholeRun, ColourCancelEndsAtOnceWithExitZeroAndNothingInstalled)
{
    testing_support::SetUpTypicalMachine(m);
    m.displayDepths = {DWORD{8}};
    m.user.Answer(IDRETRY).Answer(IDCANCEL);

    EXPECT_EQ(Run(""), 0);

    ASSERT_EQ(m.user.transcript.size(), 2u);  // the warning twice, no report
    EXPECT_EQ(LastShown().title, "Quarvel Install");
    EXPECT_EQ(m.ledger.libraryLoads.count("DDRAW.DLL"), 0u);
    EXPECT_FALSE(m.FolderExists("C:\\Program Files\\Quarvel"));
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, std::string(kTypeLibraryKey) + "\\1.0"));
}

TEST_F(WholeRun, NookDoesNotSuppressTheBoxesOfAFailedRun)
{
    testing_support::SetUpTypicalMachine(m);
    m.version = sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 4, 0, 1381};
    m.directInput.present = false;
    m.user.Answer(IDOK);

    EXPECT_EQ(Run("-nook"), 0);

    // DirectX 2 on NT 4: no file is copied, the report names the family.
    ExpectReport({Text(IDS_INFORMATION), "Window NT 4 detected.", Text(IDS_NO_DIRECTX3),
                  Text(IDS_COPY_FAILED)});
    EXPECT_FALSE(m.FolderExists("C:\\Program Files\\Quarvel"));
    EXPECT_TRUE(m.copyAttempts.empty());
}

TEST_F(WholeRun, Windows98WithoutDirectDrawReportsNoWindowsLine)
{
    testing_support::SetUpTypicalMachine(m);
    m.directDraw.present = false;
    m.user.Answer(IDOK);

    EXPECT_EQ(Run(""), 0);

    ExpectReport({Text(IDS_INFORMATION), Text(IDS_NO_DIRECTX3), Text(IDS_COPY_FAILED)});
    EXPECT_EQ(m.debugOutput, std::vector<std::string>{"Couldn't LoadLibrary DDraw\r\n"});
}

TEST_F(WholeRun, RegistrationFailureShowsItsBoxThenTheReport)
{
    testing_support::SetUpTypicalMachine(m);
    m.FindFile("C:\\package\\Quarvel.dll")->module->RegisterReturns(E_FAIL);
    m.user.Answer(IDOK).Answer(IDOK);

    EXPECT_EQ(Run("-nook"), 0);

    ASSERT_EQ(m.user.transcript.size(), 2u);
    EXPECT_EQ(m.user.transcript[0].text, "DLLRegisterServer() Failed");
    EXPECT_EQ(m.user.transcript[0].title, "Quarvel install");
    ExpectReport({Text(IDS_INFORMATION), Text(IDS_WINDOWS_9X), Text(IDS_DIRECTX6),
                  Text(IDS_COPY_FAILED)});
    // The plug-in step does not run after a failed component.
    EXPECT_FALSE(m.FileExists(std::string(kNavigatorPlugins) + "\\NPKestrix.dll"));
}

TEST_F(WholeRun, Windows2000CopyFailureReportsTheRecordedFailure)
{
    testing_support::SetUpTypicalMachine(m);
    m.version = sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 5, 0, 2195};
    m.RemoveFile("C:\\package\\tqm408k.dll");
    m.user.Answer(IDOK).Answer(IDOK);

    EXPECT_EQ(Run(""), 0);

    ASSERT_EQ(m.user.transcript.size(), 2u);
    EXPECT_EQ(m.user.transcript[0].text,
              "Failed to copy tqm408k.dll to C:\\Program Files\\Quarvel\\1.50\\tqm408k.dll\n"
              "Returned error: 2");
    ExpectReport({Text(IDS_INFORMATION), "Windows 2000 detected", Text(IDS_DIRECTX6),
                  "Couldn't write file to disk"});
    EXPECT_FALSE(m.FileExists(Installed("Quarvel.dll")));
}

TEST_F(WholeRun, Netscape6WithoutVersionsFailsThePluginStep)
{
    testing_support::SetUpTypicalMachine(m);
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape 6");
    m.user.Answer(IDOK).Answer(IDOK);

    EXPECT_EQ(Run(""), 0);

    ASSERT_EQ(m.user.transcript.size(), 2u);
    EXPECT_EQ(m.user.transcript[0].text,
              "Failed to install Quarvel for Netscape Navigator 6\n"
              "(You may get this if you have tried to uninstall Netscape Navigator6)");
    // Navigator's copies were made; the report has no plug-in line.
    EXPECT_TRUE(m.FileExists(std::string(kNavigatorPlugins) + "\\NPKestrix.class"));
    ExpectReport({Text(IDS_INFORMATION), Text(IDS_WINDOWS_9X), Text(IDS_DIRECTX6),
                  Text(IDS_REGISTERED)});
}

TEST_F(WholeRun, FailedFileInsideASucceededStepEndsWithTheReport)
{
    // Navigator's second copy fails; Netscape 6 then succeeds, so the plug-in
    // step as a whole succeeds, but the run did not.
    testing_support::SetUpTypicalMachine(m);
    std::string heldFile = std::string(kNavigatorPlugins) + "\\NPKestrix.class";
    m.AddFile(heldFile, sim::FileSpec{}.WithContents("class in use"));
    m.HoldFile(heldFile);
    m.AddFolder("C:\\Netscape 6\\Plugins");
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape 6\\6.2\\Main")
        .SetString("Install Directory", "C:\\Netscape 6");
    m.user.Answer(IDCANCEL).Answer(IDOK);

    EXPECT_EQ(Run(""), 0);

    ASSERT_EQ(m.user.transcript.size(), 2u);
    EXPECT_EQ(m.user.transcript[0].style, static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_TRUE(m.FileExists("C:\\Netscape 6\\Plugins\\NPKestrix.class"));
    EXPECT_TRUE(InstallState.pluginInstalled);
    ExpectReport({Text(IDS_INFORMATION), Text(IDS_WINDOWS_9X), Text(IDS_DIRECTX6),
                  Text(IDS_REGISTERED), "File is in use"});
    EXPECT_EQ(m.FileContents(heldFile), "class in use");
    m.ReleaseFile(heldFile);
}

TEST_F(WholeRun, NoNetscapeAtAllSucceedsAndTellsNothing)
{
    m.AddFolder(testing_support::kProgramFiles);
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")
        .SetString("ProgramFilesDir", testing_support::kProgramFiles);
    testing_support::AddPackage(m);

    EXPECT_EQ(Run("-nook"), 1);

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_TRUE(InstallState.pluginInstalled);
    EXPECT_EQ(InstallState.pluginStatus, NavigatorNotFound);
}

}  // namespace
