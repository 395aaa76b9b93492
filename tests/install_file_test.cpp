// InstallFile: the version test before the copy, the attribute reset, the
// in-use retries, the copy-failure box and what a failing file leaves in
// InstallState.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "installer/install_state.h"
#include "placement/placement.h"
#include "tests/test_machine.h"

namespace {

using testing_support::kInstallFolder;
using testing_support::MachineTest;

const char kSkippedText[] =
    "One of the files was more recent than the installations file, file skipped";
const char kInUseText[] = "File is in use";
const char kNotWrittenText[] = "Couldn't write file to disk";

const char kSource[] = "tqm408k.dll";
const char kPackageFile[] = "C:\\package\\tqm408k.dll";

// The three boxes, as the user reads them.
std::string OlderFilePrompt(const std::string& source, const std::string& destination)
{
    return "The file (" + source + ") in the install package is older \nthan the one it will replace " +
           destination + ".\nPress cancel to skip installation of the file (recommended)";
}

std::string InUsePrompt(const std::string& source, const std::string& destination)
{
    return "Failed to copy " + source + " to " + destination + "\n " + destination +
           " is in use, close all program that uses Quarvel and press RETRY to retry";
}

std::string CopyFailedText(const std::string& source, const std::string& destination, DWORD error)
{
    return "Failed to copy " + source + " to " + destination + "\nReturned error: " + std::to_string(error);
}

const UINT kOlderFileStyle = MB_OKCANCEL | MB_DEFBUTTON2;
const UINT kInUseStyle = MB_RETRYCANCEL;
const UINT kCopyFailedStyle = MB_OK;

class InstallFileTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        m.AddFolder(kInstallFolder);
    }

    sim::FileSpec& Package(sim::FileSpec spec = {}) { return m.AddFile(kPackageFile, spec.WithContents("package")); }
    sim::FileSpec& Installed(sim::FileSpec spec = {})
    {
        return m.AddFile(destination, spec.WithContents("installed"));
    }

    bool Install() { return InstallFile(kSource, destination.c_str()); }

    // The calls that touch the destination, as the machine logged them.
    std::vector<std::string> CopyCalls() const
    {
        std::vector<std::string> found;
        for (const std::string& line : m.calls)
            if (line.rfind("CopyFileA ", 0) == 0 || line.rfind("SetFileAttributesA ", 0) == 0)
                found.push_back(line);
        return found;
    }
    std::string CopyCall(const std::string& result) const
    {
        return "CopyFileA '" + std::string(kSource) + "' '" + destination + "' 0 -> " + result;
    }
    std::string ResetCall(const std::string& result) const
    {
        return "SetFileAttributesA '" + destination + "' 0x00000080 -> " + result;
    }

    void ExpectBox(size_t index, const std::string& text, UINT style) const
    {
        ASSERT_LT(index, m.user.transcript.size());
        const sim::Shown& box = m.user.transcript[index];
        EXPECT_EQ(box.kind, sim::ShownKind::MessageBox);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.title, "Quarvel Install");
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.style, style);
    }

    static void ExpectStateUntouched()
    {
        EXPECT_FALSE(InstallState.failed);
        EXPECT_EQ(InstallState.failureReason, nullptr);
    }

    static void ExpectFailure(const char* text)
    {
        EXPECT_TRUE(InstallState.failed);
        ASSERT_NE(InstallState.failureReason, nullptr);
        EXPECT_STREQ(InstallState.failureReason, text);
        // The report reads the text when the run ends: it must be one of the
        // program's lasting texts, not a buffer of the call.
        const char* reason = InstallState.failureReason;
        EXPECT_TRUE(reason == FileSkippedText || reason == FileInUseText || reason == FileNotWrittenText);
    }

    std::string destination = std::string(kInstallFolder) + kSource;
};

// ---- The version test ------------------------------------------------------

// One side of the comparison: the package file or the installed file.
struct Side {
    bool present;
    sim::VersionInfo info;
    sim::FileVersion version;
};

Side Version(WORD major, WORD minor, WORD build = 0, WORD revision = 0)
{
    return Side{true, sim::VersionInfo::Fixed, sim::FileVersion{major, minor, build, revision}};
}
const Side kNoFile{false, sim::VersionInfo::None, {}};
const Side kNoVersion{true, sim::VersionInfo::None, {}};
// A version block whose root query gives no fixed information. The bytes the
// query points at would read as version 114.116, so a program that used them
// anyway would ask in the cases below.
const Side kRootQueryEmpty{true, sim::VersionInfo::WithoutFixedInfo, {}};
const Side kRootQueryFails{true, sim::VersionInfo::WithoutFixedInfoFails, {}};

sim::FileSpec FileOf(const Side& side)
{
    sim::FileSpec spec;
    spec.versionInfo = side.info;
    spec.version = side.version;
    return spec;
}

constexpr int kNoPrompt = -1;

struct VersionCase {
    const char* name;
    Side package;
    Side installed;
    int promptAnswer;  // the answer to the older-file prompt, or kNoPrompt
    bool copied;
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class VersionTest : public InstallFileTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTest, AsksOnlyBeforeReplacingANewerInstalledFile)
{
    const VersionCase& c = GetParam();
    Package(FileOf(c.package));
    if (c.installed.present)
        Installed(FileOf(c.installed));
    if (c.promptAnswer != kNoPrompt)
        m.user.Answer(c.promptAnswer);

    EXPECT_EQ(Install(), c.copied);

    if (c.promptAnswer == kNoPrompt) {
        EXPECT_TRUE(m.user.transcript.empty());
    } else {
        ASSERT_EQ(m.user.transcript.size(), 1u);
        ExpectBox(0, OlderFilePrompt(kSource, destination), kOlderFileStyle);
    }
    if (c.copied) {
        EXPECT_EQ(m.FileContents(destination), "package");
        ASSERT_EQ(m.copyAttempts.size(), 1u);
        EXPECT_EQ(m.copyAttempts[0].source, kSource);  // the bare name, as passed
        EXPECT_EQ(m.copyAttempts[0].destination, destination);
        EXPECT_FALSE(m.copyAttempts[0].failIfExists);
        ExpectStateUntouched();
    } else {
        EXPECT_EQ(m.FileContents(destination), "installed");
        EXPECT_TRUE(m.copyAttempts.empty());
        ExpectFailure(kSkippedText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    InstallFile, VersionTest,
    ::testing::Values(
        VersionCase{"NoInstalledFile", Version(2, 1), kNoFile, kNoPrompt, true},
        VersionCase{"PackageWithoutVersion", kNoVersion, Version(9, 0), kNoPrompt, true},
        VersionCase{"InstalledWithoutVersion", Version(1, 0), kNoVersion, kNoPrompt, true},
        VersionCase{"OlderMinorCancelled", Version(2, 1), Version(2, 3), IDCANCEL, false},
        VersionCase{"OlderMinorConfirmed", Version(2, 1), Version(2, 3), IDOK, true},
        // A prompt that cannot be shown keeps the newer file, as Cancel would.
        VersionCase{"OlderPromptNotShown", Version(2, 1), Version(2, 3), 0, false},
        VersionCase{"OlderMajorCancelled", Version(2, 9), Version(3, 0), IDCANCEL, false},
        // Build and revision numbers play no part.
        VersionCase{"HigherBuildInstalled", Version(2, 1, 0, 0), Version(2, 1, 9, 9), kNoPrompt, true},
        VersionCase{"NewerMajorOverHigherMinor", Version(3, 0), Version(2, 9), kNoPrompt, true},
        VersionCase{"EqualVersions", Version(2, 1, 4, 4), Version(2, 1, 4, 4), kNoPrompt, true},
        // The comparison has no sign: majors of 32768 and above are large.
        VersionCase{"Major32768Over32767", Version(32768, 0), Version(32767, 65535), kNoPrompt, true},
        VersionCase{"Major1Over65535", Version(1, 0), Version(65535, 0), IDCANCEL, false},
        VersionCase{"Major32767Over32768", Version(32767, 0), Version(32768, 0), IDOK, true},
        VersionCase{"PackageRootQueryEmpty", kRootQueryEmpty, Version(200, 0), kNoPrompt, true},
        VersionCase{"PackageRootQueryFails", kRootQueryFails, Version(200, 0), kNoPrompt, true},
        VersionCase{"InstalledRootQueryEmpty", Version(1, 0), kRootQueryEmpty, kNoPrompt, true},
        VersionCase{"InstalledRootQueryFails", Version(1, 0), kRootQueryFails, kNoPrompt, true}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

TEST_F(InstallFileTest, PackageWithoutVersionLeavesTheInstalledFileUnread)
{
    Package();
    Installed(sim::FileSpec{}.WithVersion(9, 0, 0, 0));

    EXPECT_TRUE(Install());

    EXPECT_EQ(m.CallsStartingWith("GetFileVersionInfoA"),
              std::vector<std::string>{"GetFileVersionInfoA 'tqm408k.dll' 1024 -> 0 (1813)"});
}

TEST_F(InstallFileTest, LongVersionBlocksAreComparedFromTheirFirst1024Bytes)
{
    Package(sim::FileSpec{}.WithVersion(2, 1, 0, 0).WithVersionBlockSize(4000));
    Installed(sim::FileSpec{}.WithVersion(2, 3, 0, 0).WithVersionBlockSize(4000));
    m.user.Answer(IDCANCEL);

    EXPECT_FALSE(Install());

    EXPECT_EQ(m.CallsStartingWith("GetFileVersionInfoA"),
              (std::vector<std::string>{"GetFileVersionInfoA 'tqm408k.dll' 1024 -> 1",
                                        "GetFileVersionInfoA '" + destination + "' 1024 -> 1"}));
    ExpectBox(0, OlderFilePrompt(kSource, destination), kOlderFileStyle);
}

// ---- Access denied: the attribute reset ------------------------------------

class ProtectedDestinationTest : public InstallFileTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(ProtectedDestinationTest, IsReplacedSilentlyAfterOneAttributeReset)
{
    Package();
    Installed(sim::FileSpec{}.WithAttributes(GetParam()));

    EXPECT_TRUE(Install());

    EXPECT_TRUE(m.user.transcript.empty());
    EXPECT_EQ(CopyCalls(), (std::vector<std::string>{CopyCall("0 (5)"), ResetCall("1"), CopyCall("1")}));
    EXPECT_EQ(m.FileContents(destination), "package");
    ExpectStateUntouched();
}

INSTANTIATE_TEST_SUITE_P(InstallFile, ProtectedDestinationTest,
                         ::testing::Values(DWORD{FILE_ATTRIBUTE_READONLY}, DWORD{FILE_ATTRIBUTE_HIDDEN},
                                           DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                             std::string name;
                             if (info.param & FILE_ATTRIBUTE_READONLY)
                                 name += "ReadOnly";
                             if (info.param & FILE_ATTRIBUTE_HIDDEN)
                                 name += "Hidden";
                             return name;
                         });

class ClosedFolderTest : public InstallFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosedFolderTest, ReportsError5AfterASingleReset)
{
    const bool fileInstalled = GetParam();
    Package();
    if (fileInstalled)
        Installed();
    m.FindFolder(kInstallFolder)->denyWrite = true;
    m.user.Answer(IDOK);

    EXPECT_FALSE(Install());

    // The reset of a missing file fails with 2; the box still tells the copy's 5.
    EXPECT_EQ(CopyCalls(), (std::vector<std::string>{CopyCall("0 (5)"), ResetCall(fileInstalled ? "1" : "0 (2)"),
                                                     CopyCall("0 (5)")}));
    ASSERT_EQ(m.user.transcript.size(), 1u);
    ExpectBox(0, CopyFailedText(kSource, destination, 5), kCopyFailedStyle);
    ExpectFailure(kNotWrittenText);
    if (fileInstalled) {
        EXPECT_EQ(m.FileContents(destination), "installed");
    }
}

INSTANTIATE_TEST_SUITE_P(InstallFile, ClosedFolderTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "FileInstalled" : "NoFileYet");
                         });

// ---- Destination in use: Retry and Cancel ----------------------------------

TEST_F(InstallFileTest, InUseDestinationFreedBeforeRetryIsCopied)
{
    Package();
    Installed();
    m.HoldFile(destination);
    m.user.Answer(IDRETRY).Answer(IDRETRY, [&] { m.ReleaseFile(destination); });

    EXPECT_TRUE(Install());

    ASSERT_EQ(m.user.transcript.size(), 2u);
    ExpectBox(0, InUsePrompt(kSource, destination), kInUseStyle);
    ExpectBox(1, InUsePrompt(kSource, destination), kInUseStyle);
    EXPECT_EQ(CopyCalls(), (std::vector<std::string>{CopyCall("0 (32)"), CopyCall("0 (32)"), CopyCall("1")}));
    EXPECT_EQ(m.FileContents(destination), "package");
    ExpectStateUntouched();
}

TEST_F(InstallFileTest, RetriedCopyDeniedAccessIsReportedWithoutAReset)
{
    Package();
    Installed();
    m.HoldFile(destination);
    // The other program lets go of the file but leaves it read-only.
    m.user
        .Answer(IDRETRY,
                [&] {
                    m.ReleaseFile(destination);
                    m.FindFile(destination)->attributes = FILE_ATTRIBUTE_READONLY;
                })
        .Answer(IDOK);

    EXPECT_FALSE(Install());

    EXPECT_EQ(CopyCalls(), (std::vector<std::string>{CopyCall("0 (32)"), CopyCall("0 (5)")}));
    ASSERT_EQ(m.user.transcript.size(), 2u);
    ExpectBox(0, InUsePrompt(kSource, destination), kInUseStyle);
    ExpectBox(1, CopyFailedText(kSource, destination, 5), kCopyFailedStyle);
    ExpectFailure(kNotWrittenText);
    EXPECT_EQ(m.FileContents(destination), "installed");
}

TEST_F(InstallFileTest, DeniedThenInUseRetriesWithoutASecondReset)
{
    // The reset cannot help a file that another program then holds, and a
    // retry that is denied again is not given a second reset.
    Package();
    Installed();
    m.ScriptCopyErrors(destination, {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED});
    m.user.Answer(IDRETRY).Answer(IDOK);

    EXPECT_FALSE(Install());

    EXPECT_EQ(CopyCalls(), (std::vector<std::string>{CopyCall("0 (5)"), ResetCall("1"), CopyCall("0 (32)"),
                                                     CopyCall("0 (5)")}));
    ASSERT_EQ(m.user.transcript.size(), 2u);
    ExpectBox(0, InUsePrompt(kSource, destination), kInUseStyle);
    ExpectBox(1, CopyFailedText(kSource, destination, 5), kCopyFailedStyle);
    ExpectFailure(kNotWrittenText);
}

struct GiveUpCase {
    const char* name;
    std::vector<int> answers;  // to the in-use prompt, one per failed attempt
};

void PrintTo(const GiveUpCase& c, std::ostream* os) { *os << c.name; }

class InUseGiveUpTest : public InstallFileTest, public ::testing::WithParamInterface<GiveUpCase> {};

TEST_P(InUseGiveUpTest, KeepsTheInstalledFileAndRecordsFileInUse)
{
    const size_t prompts = GetParam().answers.size();
    Package();
    Installed();
    // Held for one attempt more than the user answers: a program that went
    // on retrying copies the file in the end instead of looping for ever.
    m.HoldFile(destination, static_cast<int>(prompts) + 1);
    for (int answer : GetParam().answers)
        m.user.Answer(answer);

    EXPECT_FALSE(Install());

    ASSERT_EQ(m.user.transcript.size(), prompts);
    for (size_t i = 0; i < prompts; ++i)
        ExpectBox(i, InUsePrompt(kSource, destination), kInUseStyle);
    EXPECT_EQ(m.copyAttempts.size(), prompts);
    EXPECT_TRUE(m.attributeChanges.empty());
    EXPECT_EQ(m.FileContents(destination), "installed");
    ExpectFailure(kInUseText);
    m.ReleaseFile(destination);
}

INSTANTIATE_TEST_SUITE_P(InstallFile, InUseGiveUpTest,
                         ::testing::Values(GiveUpCase{"CancelAtOnce", {IDCANCEL}},
                                           GiveUpCase{"CancelAfterRetries", {IDRETRY, IDRETRY, IDCANCEL}},
                                           // A prompt that cannot be shown never loops.
                                           GiveUpCase{"PromptNotShown", {0}}),
                         [](const ::testing::TestParamInfo<GiveUpCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Other copy errors -----------------------------------------------------

struct CopyErrorCase {
    const char* name;
    bool packageFilePresent;
    const char* destination;
    DWORD error;
};

void PrintTo(const CopyErrorCase& c, std::ostream* os) { *os << c.name; }

class CopyErrorTest : public InstallFileTest, public ::testing::WithParamInterface<CopyErrorCase> {};

TEST_P(CopyErrorTest, ShowsTheErrorCodeAndRecordsTheFailedWrite)
{
    const CopyErrorCase& c = GetParam();
    if (c.packageFilePresent)
        Package(sim::FileSpec{}.WithVersion(1, 0, 0, 0));
    // A newer installed file: a missing package file is not caught by a prompt.
    m.AddFile(std::string(kInstallFolder) + kSource, sim::FileSpec{}.WithContents("installed").WithVersion(9, 0, 0, 0));
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallFile(kSource, c.destination));

    ASSERT_EQ(m.user.transcript.size(), 1u);
    ExpectBox(0, CopyFailedText(kSource, c.destination, c.error), kCopyFailedStyle);
    EXPECT_TRUE(m.attributeChanges.empty());
    ExpectFailure(kNotWrittenText);
    EXPECT_EQ(m.FileContents(std::string(kInstallFolder) + kSource), "installed");
}

INSTANTIATE_TEST_SUITE_P(
    InstallFile, CopyErrorTest,
    ::testing::Values(CopyErrorCase{"MissingPackageFile", false, "C:\\Program Files\\Quarvel\\1.50\\tqm408k.dll", 2},
                      CopyErrorCase{"MissingDestinationFolder", true, "C:\\Program Files\\Quarvel\\2.00\\tqm408k.dll",
                                    3}),
    [](const ::testing::TestParamInfo<CopyErrorCase>& info) { return std::string(info.param.name); });

TEST_F(InstallFileTest, LastFailureIsRecordedAndALaterSuccessChangesNothing)
{
    Package();
    Installed();
    m.HoldFile(destination);
    m.user.Answer(IDCANCEL).Answer(IDOK);

    EXPECT_FALSE(Install());
    ExpectFailure(kInUseText);

    m.ReleaseFile(destination);
    EXPECT_FALSE(InstallFile("missing.dll", destination.c_str()));
    ExpectFailure(kNotWrittenText);

    EXPECT_TRUE(Install());
    ExpectFailure(kNotWrittenText);
    EXPECT_EQ(m.FileContents(destination), "package");
}

// ---- Texts longer than the message buffer ----------------------------------

enum class Box { OlderFile, InUse, CopyFailed };

std::string BoxName(Box box)
{
    switch (box) {
        case Box::OlderFile: return "OlderFilePrompt";
        case Box::InUse: return "InUsePrompt";
        case Box::CopyFailed: break;
    }
    return "CopyFailedBox";
}

void PrintTo(Box box, std::ostream* os) { *os << BoxName(box); }

class LongDestinationTest : public InstallFileTest, public ::testing::WithParamInterface<Box> {};

TEST_P(LongDestinationTest, MessageIsCutAt255Characters)
{
    const std::string folder = "C:\\" + std::string(230, 'f') + "\\";
    destination = folder + kSource;
    std::string fullText;
    Package(sim::FileSpec{}.WithVersion(1, 0, 0, 0));
    switch (GetParam()) {
        case Box::OlderFile:
            Installed(sim::FileSpec{}.WithVersion(2, 0, 0, 0));
            fullText = OlderFilePrompt(kSource, destination);
            m.user.Answer(IDCANCEL);
            break;
        case Box::InUse:
            Installed();
            m.HoldFile(destination);
            fullText = InUsePrompt(kSource, destination);
            m.user.Answer(IDCANCEL);
            break;
        case Box::CopyFailed:  // the folder does not exist
            fullText = CopyFailedText(kSource, destination, 3);
            m.user.Answer(IDOK);
            break;
    }
    ASSERT_GT(fullText.size(), 255u);

    EXPECT_FALSE(Install());

    ASSERT_EQ(m.user.transcript.size(), 1u);
    EXPECT_EQ(m.user.transcript[0].text, fullText.substr(0, 255));
    if (GetParam() == Box::InUse) {
        m.ReleaseFile(destination);
    }
}

INSTANTIATE_TEST_SUITE_P(InstallFile, LongDestinationTest,
                         ::testing::Values(Box::OlderFile, Box::InUse, Box::CopyFailed),
                         [](const ::testing::TestParamInfo<Box>& info) { return BoxName(info.param); });

}  // namespace
