// InstallComponent: the install folder, the two files, the component's own
// registration inside CoInitialize, and the removal of the type library's
// version 1.0 keys.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "installer/install_state.h"
#include "placement/placement.h"
#include "tests/test_machine.h"

namespace {

using testing_support::kInstallFolder;
using testing_support::kProgramFiles;
using testing_support::kTypeLibraryKey;
using testing_support::MachineTest;

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kProductFolder[] = "C:\\Program Files\\Quarvel\\";
const char kPackageComponent[] = "C:\\package\\Quarvel.dll";
const char kFallbackInstallFolder[] = "C:\\program\\Quarvel\\1.50\\";
const std::string kVersionKey = std::string(kTypeLibraryKey) + "\\1.0";

const sim::WindowsVersion kWindows98{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998};
const sim::WindowsVersion kWindowsNT4{VER_PLATFORM_WIN32_NT, 4, 0, 1381};

std::string ShortFolderMessage(const std::string& installFolder)
{
    return "Can't create directory " + installFolder + ".\n";
}

std::string NTFolderMessage(const std::string& installFolder)
{
    return "Can't create directory " + installFolder +
           ".\nYou must be logged on as administrator on windows NT";
}

std::string Installed(const char* name) { return std::string(kInstallFolder) + name; }

// Windows 98 with Program Files named in the registry and a package without
// the plug-in; the old type library registration is added where a test wants it.
class InstallComponentTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        m.AddFolder(kProgramFiles);
        m.Key(HKEY_LOCAL_MACHINE, kCurrentVersionKey).SetString("ProgramFilesDir", kProgramFiles);
        testing_support::AddPackage(m, false);
        InstallState.osFamily = OsWindows9x;
    }

    void UseComponent(sim::ModuleSpec module)
    {
        m.AddFile(kPackageComponent,
                  sim::FileSpec{}.WithContents("component 1.50").WithVersion(1, 50, 0, 0).AsModule(module));
    }


    void ExpectBox(size_t index, const std::string& title, const std::string& text) const
    {
        ASSERT_LT(index, m.user.transcript.size());
        const sim::Shown& box = m.user.transcript[index];
        EXPECT_EQ(box.kind, sim::ShownKind::MessageBox);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
    }

    void ExpectNoComCall() const
    {
        EXPECT_EQ(m.ledger.coInitializeCalls, 0);
        EXPECT_EQ(m.ledger.coUninitializeCalls, 0);
        EXPECT_TRUE(m.CallsStartingWith("LoadLibraryA").empty());
    }

    // The step's own failures leave InstallState to the caller.
    static void ExpectStateUntouched()
    {
        EXPECT_FALSE(InstallState.failed);
        EXPECT_EQ(InstallState.failureReason, nullptr);
    }
};

// ---- The typical installation ----------------------------------------------

TEST_F(InstallComponentTest, TypicalInstallPlacesBothFilesAndRegistersTheInstalledCopy)
{
    testing_support::AddOldTypeLibraryRegistration(m);

    EXPECT_TRUE(InstallComponent());

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_EQ(m.CallsStartingWith("RegOpenKeyExA HKLM"),
              std::vector<std::string>{
                  "RegOpenKeyExA HKLM 'Software\\Microsoft\\Windows\\CurrentVersion\\' 0x00020019 -> 0"});
    EXPECT_EQ(m.CallsStartingWith("RegQueryValueExA"),
              std::vector<std::string>{
                  "RegQueryValueExA HKLM\\Software\\Microsoft\\Windows\\CurrentVersion 'ProgramFilesDir' 260 -> 0"});
    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA"),
              (std::vector<std::string>{"CreateDirectoryA 'C:\\Program Files\\Quarvel\\' -> 1",
                                        "CreateDirectoryA 'C:\\Program Files\\Quarvel\\1.50\\' -> 1"}));
    // The support library first, then the component, each from the package by its bare name.
    ASSERT_EQ(m.copyAttempts.size(), 2u);
    EXPECT_EQ(m.copyAttempts[0].source, "tqm408k.dll");
    EXPECT_EQ(m.copyAttempts[0].destination, Installed("tqm408k.dll"));
    EXPECT_EQ(m.copyAttempts[1].source, "Quarvel.dll");
    EXPECT_EQ(m.copyAttempts[1].destination, Installed("Quarvel.dll"));
    EXPECT_EQ(m.FileContents(Installed("tqm408k.dll")), "support 2.3");
    EXPECT_EQ(m.FileContents(Installed("Quarvel.dll")), "component 1.50");
    // The installed copy is loaded and registers itself, not the package file.
    EXPECT_EQ(m.CallsStartingWith("LoadLibraryA"),
              std::vector<std::string>{"LoadLibraryA 'C:\\Program Files\\Quarvel\\1.50\\Quarvel.dll' -> loaded"});
    EXPECT_EQ(m.CallsStartingWith("GetProcAddress"),
              std::vector<std::string>{
                  "GetProcAddress 'C:\\Program Files\\Quarvel\\1.50\\Quarvel.dll' 'DllRegisterServer' -> found"});
    EXPECT_EQ(m.RegisterServerCalls(Installed("Quarvel.dll")), 1);
    EXPECT_EQ(m.RegisterServerCalls(kPackageComponent), 0);
    EXPECT_TRUE(m.IsLoaded(Installed("Quarvel.dll")));
    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey));
    ExpectStateUntouched();
}

TEST_F(InstallComponentTest, ComIsInitialisedOnlyAroundTheRegistration)
{
    testing_support::AddOldTypeLibraryRegistration(m);

    EXPECT_TRUE(InstallComponent());

    EXPECT_EQ(m.ledger.coInitializeCalls, 1);
    EXPECT_EQ(m.ledger.coUninitializeCalls, 1);
    const int initialise = FirstCall("CoInitialize");
    const int uninitialise = FirstCall("CoUninitialize");
    ASSERT_GE(initialise, 0);
    EXPECT_LT(LastCall("CopyFileA"), initialise);
    EXPECT_LT(initialise, FirstCall("LoadLibraryA"));
    EXPECT_LT(FirstCall("DllRegisterServer"), uninitialise);
    // COM is done with before the type library keys are touched.
    EXPECT_LT(uninitialise, FirstCall("RegOpenKeyExA HKCR 'TypeLib'"));
}

TEST_F(InstallComponentTest, RegistrationReturningSFalseSucceedsAndCleansUp)
{
    testing_support::AddOldTypeLibraryRegistration(m);
    m.FindFile(kPackageComponent)->module->RegisterReturns(S_FALSE);

    EXPECT_TRUE(InstallComponent());

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey));
    EXPECT_EQ(m.ledger.coUninitializeCalls, 1);
}

TEST_F(InstallComponentTest, SecondRunOverTheSameVersionCopiesWithoutAsking)
{
    m.AddFile(Installed("tqm408k.dll"), sim::FileSpec{}.WithContents("old support").WithVersion(2, 3, 0, 0));
    m.AddFile(Installed("Quarvel.dll"), sim::FileSpec{}.WithContents("old component").WithVersion(1, 50, 0, 0));

    EXPECT_TRUE(InstallComponent());

    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA"),
              (std::vector<std::string>{"CreateDirectoryA 'C:\\Program Files\\Quarvel\\' -> 0 (183)",
                                        "CreateDirectoryA 'C:\\Program Files\\Quarvel\\1.50\\' -> 0 (183)"}));
    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_EQ(m.FileContents(Installed("tqm408k.dll")), "support 2.3");
    EXPECT_EQ(m.FileContents(Installed("Quarvel.dll")), "component 1.50");
}

// ---- The install folder ----------------------------------------------------

// A "ProgramFilesDir" of 230 characters: the longest whose install folder
// (244 characters) leaves room for either file name in a destination.
const std::string kLongestProgramFiles = "C:\\" + std::string(227, 'p');
const std::string kTooLongProgramFiles = "C:\\" + std::string(228, 'p');

struct FolderValueCase {
    const char* name;
    std::function<void(sim::Machine&)> setUp;
    std::string installFolder;  // as the program spells it
};

void PrintTo(const FolderValueCase& c, std::ostream* os) { *os << c.name; }

class InstallFolderTest : public MachineTest, public ::testing::WithParamInterface<FolderValueCase> {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        testing_support::AddPackage(m, false);
        m.AddFolder("C:\\program");
        m.AddFolder("D:\\Apps");
        m.AddFolder(kLongestProgramFiles);
        m.AddFolder(kTooLongProgramFiles);
        InstallState.osFamily = OsWindows9x;
    }
};

TEST_P(InstallFolderTest, InstallsBelowTheFolderThatTheValueNames)
{
    GetParam().setUp(m);
    const std::string& folder = GetParam().installFolder;
    const std::string productFolder = folder.substr(0, folder.size() - std::string("1.50\\").size());

    EXPECT_TRUE(InstallComponent());

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA"),
              (std::vector<std::string>{"CreateDirectoryA '" + productFolder + "' -> 1",
                                        "CreateDirectoryA '" + folder + "' -> 1"}));
    ASSERT_EQ(m.copyAttempts.size(), 2u);
    EXPECT_EQ(m.copyAttempts[0].destination, folder + "tqm408k.dll");
    EXPECT_EQ(m.copyAttempts[1].destination, folder + "Quarvel.dll");
    EXPECT_TRUE(m.FileExists(folder + "tqm408k.dll"));
    EXPECT_EQ(m.CallsStartingWith("LoadLibraryA"),
              std::vector<std::string>{"LoadLibraryA '" + folder + "Quarvel.dll' -> loaded"});
}

void SetProgramFilesText(sim::Machine& m, const std::string& text)
{
    m.Key(HKEY_LOCAL_MACHINE, kCurrentVersionKey).SetString("ProgramFilesDir", text);
}

void SetProgramFilesBytes(sim::Machine& m, DWORD type, const std::string& bytes)
{
    m.Key(HKEY_LOCAL_MACHINE, kCurrentVersionKey).SetValue("ProgramFilesDir", type, bytes);
}

std::vector<FolderValueCase> FolderValueCases()
{
    using M = sim::Machine;
    return {
        {"NamedFolder", [](M& m) { SetProgramFilesText(m, "D:\\Apps"); }, "D:\\Apps\\Quarvel\\1.50\\"},
        // Short data without a terminator ends in the zero-filled buffer.
        {"NamedFolderWithoutTerminator", [](M& m) { SetProgramFilesBytes(m, REG_SZ, "D:\\Apps"); },
         "D:\\Apps\\Quarvel\\1.50\\"},
        // Used as stored: the type is not tested and nothing is expanded.
        {"ExpandableValueNotExpanded",
         [](M& m) {
             m.AddFolder("C:\\package\\%SystemDrive%\\Apps");
             SetProgramFilesBytes(m, REG_EXPAND_SZ, std::string("%SystemDrive%\\Apps", 19));
         },
         "%SystemDrive%\\Apps\\Quarvel\\1.50\\"},
        {"LongestUsableValue", [](M& m) { SetProgramFilesText(m, kLongestProgramFiles); },
         kLongestProgramFiles + "\\Quarvel\\1.50\\"},
        {"NoKey", [](M&) {}, kFallbackInstallFolder},
        {"NoValue",
         [](M& m) { m.Key(HKEY_LOCAL_MACHINE, kCurrentVersionKey).SetString("CommonFilesDir", "D:\\Apps"); },
         kFallbackInstallFolder},
        {"ValueTooLongForTheDestinations", [](M& m) { SetProgramFilesText(m, kTooLongProgramFiles); },
         kFallbackInstallFolder},
        {"ValueFillingTheBufferWithoutTerminator",
         [](M& m) { SetProgramFilesBytes(m, REG_SZ, "C:\\" + std::string(257, 'p')); }, kFallbackInstallFolder},
        {"ValueLongerThanTheBuffer", [](M& m) { SetProgramFilesText(m, "C:\\" + std::string(300, 'p')); },
         kFallbackInstallFolder},
    };
}

INSTANTIATE_TEST_SUITE_P(InstallComponent, InstallFolderTest, ::testing::ValuesIn(FolderValueCases()),
                         [](const ::testing::TestParamInfo<FolderValueCase>& info) {
                             return std::string(info.param.name);
                         });

// An empty value is no missing value: the folders go to the root of the
// current drive.
TEST_F(InstallComponentTest, EmptyValueInstallsAtTheRootOfTheCurrentDrive)
{
    SetProgramFilesText(m, "");
    m.currentDirectory = "D:\\setup";
    m.AddFile("D:\\setup\\tqm408k.dll", *m.FindFile("C:\\package\\tqm408k.dll"));
    m.AddFile("D:\\setup\\Quarvel.dll", *m.FindFile(kPackageComponent));

    EXPECT_TRUE(InstallComponent());

    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA"),
              (std::vector<std::string>{"CreateDirectoryA '\\Quarvel\\' -> 1",
                                        "CreateDirectoryA '\\Quarvel\\1.50\\' -> 1"}));
    EXPECT_TRUE(m.FileExists("D:\\Quarvel\\1.50\\tqm408k.dll"));
    EXPECT_EQ(m.RegisterServerCalls("D:\\Quarvel\\1.50\\Quarvel.dll"), 1);
    EXPECT_FALSE(m.FolderExists("C:\\Quarvel"));
}

// No "ProgramFilesDir" to read, and no C:\program to make the fallback in.
class WithoutProgramFilesTest : public MachineTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        testing_support::AddPackage(m, false);
        InstallState.osFamily = OsWindows9x;
    }
};

TEST_P(WithoutProgramFilesTest, FallbackFolderThatCannotBeMadeGivesTheFolderMessage)
{
    const bool keyPresent = GetParam();
    if (keyPresent)
        m.Key(HKEY_LOCAL_MACHINE, kCurrentVersionKey).SetString("CommonFilesDir", "C:\\Program Files\\Common Files");
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallComponent());

    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA"),
              (std::vector<std::string>{"CreateDirectoryA 'C:\\program\\Quarvel\\' -> 0 (3)",
                                        "CreateDirectoryA 'C:\\program\\Quarvel\\1.50\\' -> 0 (3)"}));
    ASSERT_EQ(m.user.transcript.size(), 1u);
    const sim::Shown& box = m.user.transcript[0];
    EXPECT_EQ(box.title, "Quarvel Install");
    EXPECT_EQ(box.text, "Can't create directory C:\\program\\Quarvel\\1.50\\.\n");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(m.copyAttempts.empty());
    EXPECT_EQ(m.ledger.coInitializeCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(InstallComponent, WithoutProgramFilesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "KeyWithoutValue" : "NoKey");
                         });

// ---- The two creates -------------------------------------------------------

struct CreateCase {
    const char* name;
    DWORD productError;  // 0: the product-folder create succeeds
    DWORD installError;  // 0: the install-folder create succeeds
    bool goesOn;
};

void PrintTo(const CreateCase& c, std::ostream* os) { *os << c.name; }

class FolderCreateTest : public InstallComponentTest, public ::testing::WithParamInterface<CreateCase> {};

// The package holds neither file here, so going on shows as the failed copy
// of the support library, the first thing after the folders.
TEST_P(FolderCreateTest, OnlyAnUnexpectedErrorStopsAtTheFolderMessage)
{
    const CreateCase& c = GetParam();
    m.RemoveFile("C:\\package\\tqm408k.dll");
    m.RemoveFile(kPackageComponent);
    if (c.productError != 0) {
        m.AddFolder(kProductFolder);  // so that the install folder can be made below it
        m.createDirectoryFailures[kProductFolder] = c.productError;
    }
    if (c.installError != 0)
        m.createDirectoryFailures[kInstallFolder] = c.installError;
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallComponent());

    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA").size(), 2u);
    ASSERT_EQ(m.user.transcript.size(), 1u);
    if (c.goesOn) {
        ExpectBox(0, "Quarvel Install",
                  "Failed to copy tqm408k.dll to C:\\Program Files\\Quarvel\\1.50\\tqm408k.dll\nReturned error: 2");
        EXPECT_EQ(m.copyAttempts.size(), 1u);
    } else {
        ExpectBox(0, "Quarvel Install", ShortFolderMessage(kInstallFolder));
        EXPECT_TRUE(m.copyAttempts.empty());
        ExpectStateUntouched();
    }
    // A folder that was made stays.
    EXPECT_TRUE(m.FolderExists(kProductFolder));
    EXPECT_EQ(m.FolderExists(kInstallFolder), c.installError == 0);
    ExpectNoComCall();
}

INSTANTIATE_TEST_SUITE_P(
    InstallComponent, FolderCreateTest,
    ::testing::Values(CreateCase{"BothMade", 0, 0, true},
                      CreateCase{"InstallFolderExists", 0, ERROR_ALREADY_EXISTS, true},
                      CreateCase{"InstallFolderDenied", 0, ERROR_ACCESS_DENIED, false},
                      CreateCase{"ProductFolderExists", ERROR_ALREADY_EXISTS, 0, true},
                      // The code of the failed product-folder create decides.
                      CreateCase{"ProductFolderDenied", ERROR_ACCESS_DENIED, 0, false},
                      CreateCase{"ProductFolderDeniedInstallFolderExists", ERROR_ACCESS_DENIED,
                                 ERROR_ALREADY_EXISTS, true},
                      CreateCase{"BothExist", ERROR_ALREADY_EXISTS, ERROR_ALREADY_EXISTS, true},
                      CreateCase{"ProductFolderDeniedInstallFolderNotFound", ERROR_ACCESS_DENIED,
                                 ERROR_PATH_NOT_FOUND, false},
                      CreateCase{"ProductFolderExistsInstallFolderDenied", ERROR_ALREADY_EXISTS,
                                 ERROR_ACCESS_DENIED, false}),
    [](const ::testing::TestParamInfo<CreateCase>& info) { return std::string(info.param.name); });

// ---- The folder message ----------------------------------------------------

struct FamilyCase {
    OsFamily family;
    std::function<std::string(const std::string&)> message;
};

void PrintTo(const FamilyCase& c, std::ostream* os) { *os << "family " << static_cast<int>(c.family); }

class FolderMessageTest : public InstallComponentTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(FolderMessageTest, UserWhoMayNotWriteToProgramFilesIsToldAndNothingIsCopied)
{
    if (GetParam().family == OsWindowsNT)
        m.version = kWindowsNT4;
    InstallState.osFamily = GetParam().family;
    m.FindFolder(kProgramFiles)->denyWrite = true;
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallComponent());

    EXPECT_EQ(m.CallsStartingWith("CreateDirectoryA"),
              (std::vector<std::string>{"CreateDirectoryA 'C:\\Program Files\\Quarvel\\' -> 0 (5)",
                                        "CreateDirectoryA 'C:\\Program Files\\Quarvel\\1.50\\' -> 0 (3)"}));
    ASSERT_EQ(m.user.transcript.size(), 1u);
    ExpectBox(0, "Quarvel Install", GetParam().message(kInstallFolder));
    EXPECT_TRUE(m.copyAttempts.empty());
    ExpectNoComCall();
    ExpectStateUntouched();
}

TEST_P(FolderMessageTest, LongInstallFolderIsCutAt255Characters)
{
    InstallState.osFamily = GetParam().family;
    SetProgramFilesText(m, kLongestProgramFiles);
    m.user.Answer(IDOK);  // the folder that the value names does not exist

    EXPECT_FALSE(InstallComponent());

    const std::string full = GetParam().message(kLongestProgramFiles + "\\Quarvel\\1.50\\");
    ASSERT_GT(full.size(), 255u);
    ASSERT_EQ(m.user.transcript.size(), 1u);
    EXPECT_EQ(m.user.transcript[0].text, full.substr(0, 255));
}

INSTANTIATE_TEST_SUITE_P(InstallComponent, FolderMessageTest,
                         ::testing::Values(FamilyCase{OsNone, ShortFolderMessage},
                                           FamilyCase{OsWindows9x, ShortFolderMessage},
                                           FamilyCase{OsWindowsNT, NTFolderMessage}),
                         [](const ::testing::TestParamInfo<FamilyCase>& info) {
                             switch (info.param.family) {
                                 case OsNone: return std::string("NoFamily");
                                 case OsWindows9x: return std::string("Windows9x");
                                 case OsWindowsNT: break;
                             }
                             return std::string("WindowsNT");
                         });

// ---- The two files ---------------------------------------------------------

TEST_F(InstallComponentTest, OlderSupportLibraryCancelledStopsBeforeTheComponent)
{
    m.AddFile(Installed("tqm408k.dll"), sim::FileSpec{}.WithContents("support 2.4").WithVersion(2, 4, 0, 0));
    m.user.Answer(IDCANCEL);

    EXPECT_FALSE(InstallComponent());

    // Only InstallFile's prompt; the component is neither copied nor registered.
    ASSERT_EQ(m.user.transcript.size(), 1u);
    EXPECT_EQ(m.user.transcript[0].style, static_cast<UINT>(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_TRUE(m.copyAttempts.empty());
    EXPECT_EQ(m.FileContents(Installed("tqm408k.dll")), "support 2.4");
    EXPECT_FALSE(m.FileExists(Installed("Quarvel.dll")));
    ExpectNoComCall();
    EXPECT_STREQ(InstallState.failureReason, FileSkippedText);
}

TEST_F(InstallComponentTest, MissingSupportLibraryStopsBeforeTheComponent)
{
    m.RemoveFile("C:\\package\\tqm408k.dll");
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallComponent());

    ASSERT_EQ(m.user.transcript.size(), 1u);
    EXPECT_EQ(m.user.transcript[0].text,
              "Failed to copy tqm408k.dll to C:\\Program Files\\Quarvel\\1.50\\tqm408k.dll\nReturned error: 2");
    EXPECT_TRUE(m.FolderExists(kInstallFolder));
    EXPECT_EQ(m.copyAttempts.size(), 1u);
    EXPECT_FALSE(m.FileExists(Installed("Quarvel.dll")));
    ExpectNoComCall();
}

TEST_F(InstallComponentTest, ComponentNotPlacedIsNotRegistered)
{
    m.RemoveFile(kPackageComponent);
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallComponent());

    ASSERT_EQ(m.user.transcript.size(), 1u);
    EXPECT_EQ(m.user.transcript[0].text,
              "Failed to copy Quarvel.dll to C:\\Program Files\\Quarvel\\1.50\\Quarvel.dll\nReturned error: 2");
    EXPECT_EQ(m.FileContents(Installed("tqm408k.dll")), "support 2.3");  // stays in place
    ExpectNoComCall();
}

// ---- Registration failures -------------------------------------------------

struct RegistrationCase {
    const char* name;
    sim::ModuleSpec component;
    std::string text;
    bool componentLoaded;  // stays loaded after the failure
};

void PrintTo(const RegistrationCase& c, std::ostream* os) { *os << c.name; }

class RegistrationFailureTest : public InstallComponentTest,
                                public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(RegistrationFailureTest, ShowsItsBoxThenUninitialisesComAndFails)
{
    testing_support::AddOldTypeLibraryRegistration(m);
    UseComponent(GetParam().component);
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallComponent());

    ASSERT_EQ(m.user.transcript.size(), 1u);
    ExpectBox(0, "Quarvel install", GetParam().text);
    EXPECT_EQ(m.ledger.coInitializeCalls, 1);
    EXPECT_EQ(m.ledger.coUninitializeCalls, 1);
    EXPECT_LT(FirstCall("CoInitialize"), FirstCall("LoadLibraryA"));
    EXPECT_LT(FirstCall("MessageBoxA"), FirstCall("CoUninitialize"));
    EXPECT_EQ(m.IsLoaded(Installed("Quarvel.dll")), GetParam().componentLoaded);
    // The files stay, the old registration is not touched.
    EXPECT_TRUE(m.FileExists(Installed("Quarvel.dll")));
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey + "\\HELPDIR"));
    EXPECT_TRUE(m.CallsStartingWith("RegOpenKeyExA HKCR").empty());
    ExpectStateUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    InstallComponent, RegistrationFailureTest,
    ::testing::Values(
        RegistrationCase{"LoadFailsWith31", sim::ModuleSpec{}.FailsToLoad(ERROR_GEN_FAILURE),
                         "LoadLibrary() Failed with: 31\nQuarvel uses components distributed with IE4 and later",
                         false},
        RegistrationCase{"LoadFailsWith127", sim::ModuleSpec{}.FailsToLoad(ERROR_PROC_NOT_FOUND),
                         "LoadLibrary() Failed with: 127\nQuarvel uses components distributed with IE4 and later",
                         false},
        RegistrationCase{"LoadFailsWith126", sim::ModuleSpec{}.FailsToLoad(ERROR_MOD_NOT_FOUND),
                         "LoadLibrary() Failed with: 126", false},
        RegistrationCase{"LoadFailsWith1114", sim::ModuleSpec{}.FailsToLoad(1114),
                         "LoadLibrary() Failed with: 1114", false},
        RegistrationCase{"NoRegisterServerExport", sim::ModuleSpec{}.WithoutRegisterServer(),
                         "GetProcAddress() Failed with 127", true},
        RegistrationCase{"RegisterServerFails", sim::ModuleSpec{}.RegisterReturns(E_FAIL),
                         "DLLRegisterServer() Failed", true}),
    [](const ::testing::TestParamInfo<RegistrationCase>& info) { return std::string(info.param.name); });

// ---- Removing the type library's version 1.0 -------------------------------

struct CleanUpCase {
    const char* name;
    sim::WindowsVersion version;
    bool furtherLocale;  // "1.0" also holds locale 9 with its own win32 key
    bool versionKeyStays;
};

void PrintTo(const CleanUpCase& c, std::ostream* os) { *os << c.name; }

class TypeLibraryCleanUpTest : public InstallComponentTest, public ::testing::WithParamInterface<CleanUpCase> {};

TEST_P(TypeLibraryCleanUpTest, RemovesTheKeysOfVersion10)
{
    const CleanUpCase& c = GetParam();
    m.version = c.version;
    testing_support::AddOldTypeLibraryRegistration(m);
    if (c.furtherLocale)
        m.Key(HKEY_CLASSES_ROOT, kVersionKey + "\\9\\win32").SetString("", "C:\\Quarvel\\9\\Quarvel.dll");

    EXPECT_TRUE(InstallComponent());

    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey + "\\HELPDIR"));
    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey + "\\FLAGS"));
    EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey + "\\0"));
    if (c.versionKeyStays) {
        EXPECT_EQ(m.SubkeyNames(HKEY_CLASSES_ROOT, kVersionKey), std::vector<std::string>{"9"});
        EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey + "\\9\\win32"));
    } else {
        EXPECT_FALSE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey));
    }
    // The library key stays, with the version that the component registered.
    EXPECT_EQ(m.SubkeyNames(HKEY_CLASSES_ROOT, kTypeLibraryKey),
              c.versionKeyStays ? (std::vector<std::string>{"1.0", "1.5"}) : std::vector<std::string>{"1.5"});
    // Every key of the clean-up is opened for writing.
    for (const std::string& open : m.CallsStartingWith("RegOpenKeyExA HKCR"))
        EXPECT_NE(open.find(" 0x00020006 -> "), std::string::npos) << open;
}

INSTANTIATE_TEST_SUITE_P(InstallComponent, TypeLibraryCleanUpTest,
                         ::testing::Values(CleanUpCase{"Windows9x", kWindows98, false, false},
                                           CleanUpCase{"WindowsNT", kWindowsNT4, false, false},
                                           CleanUpCase{"Windows9xFurtherLocale", kWindows98, true, false},
                                           CleanUpCase{"WindowsNTFurtherLocale", kWindowsNT4, true, true}),
                         [](const ::testing::TestParamInfo<CleanUpCase>& info) {
                             return std::string(info.param.name);
                         });

struct NothingToRemoveCase {
    const char* name;
    std::function<void(sim::Machine&)> setUp;
    std::vector<std::string> deletions;  // the RegDeleteKeyA calls, as logged
};

void PrintTo(const NothingToRemoveCase& c, std::ostream* os) { *os << c.name; }

class NothingToRemoveTest : public InstallComponentTest,
                            public ::testing::WithParamInterface<NothingToRemoveCase> {};

TEST_P(NothingToRemoveTest, StillSucceeds)
{
    GetParam().setUp(m);

    EXPECT_TRUE(InstallComponent());

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_EQ(m.CallsStartingWith("RegDeleteKeyA"), GetParam().deletions);
}

std::vector<NothingToRemoveCase> NothingToRemoveCases()
{
    using M = sim::Machine;
    return {
        {"NoLibraryKey",
         [](M& m) {
             m.Key(HKEY_CLASSES_ROOT, "TypeLib\\{00020430-0000-0000-C000-000000000046}\\2.0");
             m.FindFile(kPackageComponent)->module->onRegisterServer = nullptr;
         },
         {}},
        // The component registers its own version 1.5 only.
        {"LibraryKeyWithoutVersion10", [](M&) {},
         {"RegDeleteKeyA HKCR\\TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84} '1.0' -> 2"}},
        {"VersionKeyRefusesWrite",
         [](M& m) {
             testing_support::AddOldTypeLibraryRegistration(m);
             m.Key(HKEY_CLASSES_ROOT, kVersionKey).refuseWrite = true;
         },
         {"RegDeleteKeyA HKCR\\TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84} '1.0' -> 5"}},
    };
}

INSTANTIATE_TEST_SUITE_P(InstallComponent, NothingToRemoveTest, ::testing::ValuesIn(NothingToRemoveCases()),
                         [](const ::testing::TestParamInfo<NothingToRemoveCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(InstallComponentTest, RefusedTypeLibLeavesTheOldRegistrationWhole)
{
    m.version = kWindowsNT4;
    testing_support::AddOldTypeLibraryRegistration(m);
    m.Key(HKEY_CLASSES_ROOT, "TypeLib").refuseWrite = true;

    EXPECT_TRUE(InstallComponent());

    EXPECT_TRUE(m.CallsStartingWith("RegDeleteKeyA").empty());
    EXPECT_EQ(m.SubkeyNames(HKEY_CLASSES_ROOT, kVersionKey), (std::vector<std::string>{"0", "FLAGS", "HELPDIR"}));
    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, kVersionKey + "\\0\\win32"));
}

}  // namespace
