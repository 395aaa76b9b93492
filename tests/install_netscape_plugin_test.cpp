// InstallNetscapePlugin: the Navigator pass and the Netscape 6 pass, each
// finding the browser's current version under its registry key, reading the
// version's folder from its Main key and handing the two plug-in files to
// InstallFile; the result, the two messages and pluginStatus.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "installer/install_state.h"
#include "placement/placement.h"
#include "tests/test_machine.h"

namespace {

using testing_support::MachineTest;

const char kNavigatorRoot[] = "Software\\Netscape\\Netscape Navigator";
const char kNetscape6Root[] = "Software\\Netscape\\Netscape 6";
const char kLibrary[] = "NPKestrix.dll";
const char kClass[] = "NPKestrix.class";

const char kTooMuchNetscape[] = "Installations error, too much Netscape";
const char kNetscape6Failed[] =
    "Failed to install Quarvel for Netscape Navigator 6\n"
    "(You may get this if you have tried to uninstall Netscape Navigator6)";

enum class Browser { Navigator, Netscape6 };

using Copies = std::vector<std::pair<std::string, std::string>>;  // source, destination

// The two files in the plug-in folder that "Plugins Directory" names.
Copies NavigatorCopies(const std::string& folder)
{
    return {{kLibrary, folder + "\\NPKestrix.dll"}, {kClass, folder + "\\NPKestrix.class"}};
}

// The two files in the Plugins folder below "Install Directory".
Copies Netscape6Copies(const std::string& installFolder)
{
    return {{kLibrary, installFolder + "\\Plugins\\NPKestrix.dll"},
            {kClass, installFolder + "\\Plugins\\NPKestrix.class"}};
}

Copies Join(Copies first, const Copies& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string CopyFailedText(const std::string& source, const std::string& destination, DWORD error)
{
    return "Failed to copy " + source + " to " + destination + "\nReturned error: " + std::to_string(error);
}

// A folder path of exactly `length` characters.
std::string FolderOfLength(size_t length)
{
    std::string folder = "C:\\Netscape";
    while (length - folder.size() > 64)
        folder += "\\" + std::string(63, 'n');
    folder += "\\" + std::string(length - folder.size() - 1, 'p');
    return folder;
}

// A version name of exactly `length` characters.
std::string VersionNameOfLength(size_t length) { return "4." + std::string(length - 2, '7'); }

// A package with both plug-in files and no browser yet.
class InstallNetscapePluginTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        m.AddFile("C:\\package\\NPKestrix.dll", sim::FileSpec{}.WithContents("plug-in"));
        m.AddFile("C:\\package\\NPKestrix.class", sim::FileSpec{}.WithContents("plug-in class"));
    }

    sim::RegKey& Navigator() { return m.Key(HKEY_LOCAL_MACHINE, kNavigatorRoot); }
    sim::RegKey& Netscape6() { return m.Key(HKEY_LOCAL_MACHINE, kNetscape6Root); }
    sim::RegKey& Root(Browser browser) { return browser == Browser::Navigator ? Navigator() : Netscape6(); }

    static std::string DefaultFolder(Browser browser, const std::string& version)
    {
        return browser == Browser::Navigator ? "C:\\Netscape\\" + version + "\\Plugins"
                                             : "C:\\Netscape6\\" + version;
    }

    // A version subkey with its Main key naming an existing folder: the
    // plug-in folder for Navigator, the installation folder (with its
    // Plugins folder) for Netscape 6. Returns the folder value.
    std::string AddVersion(Browser browser, const std::string& version, std::string folder = "")
    {
        if (folder.empty())
            folder = DefaultFolder(browser, version);
        if (browser == Browser::Navigator) {
            m.AddFolder(folder);
            Navigator().Key(version + "\\Main").SetString("Plugins Directory", folder);
        } else {
            m.AddFolder(folder + "\\Plugins");
            Netscape6().Key(version + "\\Main").SetString("Install Directory", folder);
        }
        return folder;
    }

    static Copies CopiesInto(Browser browser, const std::string& folder)
    {
        return browser == Browser::Navigator ? NavigatorCopies(folder) : Netscape6Copies(folder);
    }

    Copies Attempted() const
    {
        Copies copies;
        for (const sim::CopyAttempt& attempt : m.copyAttempts)
            copies.emplace_back(attempt.source, attempt.destination);
        return copies;
    }

    // Every file of `copies` was placed from the package.
    void ExpectPlaced(const Copies& copies) const
    {
        for (const auto& [source, destination] : copies)
            EXPECT_EQ(m.FileContents(destination), source == kLibrary ? "plug-in" : "plug-in class") << destination;
    }

    void AnswerOk(size_t boxes)
    {
        for (size_t i = 0; i < boxes; ++i)
            m.user.Answer(IDOK);
    }

    // The boxes shown, in order; every box of this step and of InstallFile
    // has no owner and the title "Quarvel Install", and the two messages of
    // this step have one OK button.
    void ExpectBoxes(const std::vector<std::string>& texts) const
    {
        EXPECT_EQ(Boxes(), texts);
        for (const sim::Shown& box : m.user.transcript) {
            EXPECT_EQ(box.kind, sim::ShownKind::MessageBox);
            EXPECT_EQ(box.owner, nullptr);
            EXPECT_EQ(box.title, "Quarvel Install");
            if (box.text == kTooMuchNetscape || box.text == kNetscape6Failed) {
                EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
            }
        }
    }

    // The step itself leaves failures to InstallFile.
    static void ExpectNoFileFailed()
    {
        EXPECT_FALSE(InstallState.failed);
        EXPECT_EQ(InstallState.failureReason, nullptr);
    }
};

// ---- The outcome of the two passes -----------------------------------------

enum class Pass {
    Absent,     // no root key
    Installs,   // one version whose folder exists
    CopyFails,  // one version whose folder is missing: both copies fail with 3
};

struct OutcomeCase {
    const char* name;
    Pass navigator;
    Pass netscape6;
    bool result;
    PluginStatus pluginStatus;
};

std::ostream& operator<<(std::ostream& out, const OutcomeCase& c) { return out << c.name; }

const OutcomeCase kOutcomeCases[] = {
    {"NoNetscapeAtAllSucceedsQuietly", Pass::Absent, Pass::Absent, true, NavigatorNotFound},
    {"NavigatorOnly", Pass::Installs, Pass::Absent, true, PluginNone},
    {"NavigatorOnlyCopiesFailWithoutAMessageOfItsOwn", Pass::CopyFails, Pass::Absent, false, PluginNone},
    {"Netscape6Only", Pass::Absent, Pass::Installs, true, NavigatorNotFound},
    {"Netscape6OnlyCopiesFail", Pass::Absent, Pass::CopyFails, false, NavigatorNotFound},
    {"BothBrowsers", Pass::Installs, Pass::Installs, true, PluginNone},
    {"NavigatorFailsNetscape6SucceedsIsASuccess", Pass::CopyFails, Pass::Installs, true, PluginNone},
    {"NavigatorSucceedsNetscape6Fails", Pass::Installs, Pass::CopyFails, false, PluginNone},
    {"BothFail", Pass::CopyFails, Pass::CopyFails, false, PluginNone},
};

class PluginOutcome : public InstallNetscapePluginTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(PluginOutcome, OfBothPasses)
{
    const OutcomeCase& c = GetParam();
    const std::string navigatorFolder = "C:\\Netscape\\4.7\\Plugins";
    const std::string netscape6Folder = "C:\\Netscape6\\6.2";
    Copies expectedCopies;
    Copies placed;
    std::vector<std::string> boxes;
    if (c.navigator != Pass::Absent) {
        Navigator().SetString("CurrentVersion", "4.7").Key("4.7\\Main").SetString("Plugins Directory", navigatorFolder);
        const Copies copies = NavigatorCopies(navigatorFolder);
        expectedCopies = Join(expectedCopies, copies);
        if (c.navigator == Pass::Installs) {
            m.AddFolder(navigatorFolder);
            placed = Join(placed, copies);
        } else {
            for (const auto& [source, destination] : copies)
                boxes.push_back(CopyFailedText(source, destination, ERROR_PATH_NOT_FOUND));
        }
    }
    if (c.netscape6 != Pass::Absent) {
        Netscape6().SetString("CurrentVersion", "6.2").Key("6.2\\Main").SetString("Install Directory", netscape6Folder);
        const Copies copies = Netscape6Copies(netscape6Folder);
        expectedCopies = Join(expectedCopies, copies);
        if (c.netscape6 == Pass::Installs) {
            m.AddFolder(netscape6Folder + "\\Plugins");
            placed = Join(placed, copies);
        } else {
            m.AddFolder(netscape6Folder);  // without its Plugins folder
            for (const auto& [source, destination] : copies)
                boxes.push_back(CopyFailedText(source, destination, ERROR_PATH_NOT_FOUND));
            boxes.push_back(kNetscape6Failed);
        }
    }
    AnswerOk(boxes.size());

    EXPECT_EQ(InstallNetscapePlugin(), c.result);

    EXPECT_EQ(Attempted(), expectedCopies);
    ExpectPlaced(placed);
    ExpectBoxes(boxes);
    EXPECT_EQ(InstallState.pluginStatus, c.pluginStatus);
    const bool copyFailed = c.navigator == Pass::CopyFails || c.netscape6 == Pass::CopyFails;
    EXPECT_EQ(InstallState.failed, copyFailed);
    EXPECT_EQ(InstallState.failureReason, copyFailed ? FileNotWrittenText : nullptr);
}

INSTANTIATE_TEST_SUITE_P(InstallNetscapePlugin, PluginOutcome, ::testing::ValuesIn(kOutcomeCases),
                         [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

// The registry is only read: each root key is enumerated, its
// "CurrentVersion" read with room for 260 bytes, and it is closed before the
// Main key is opened; the Main key is closed as soon as its folder is read,
// before the copies. Every key is opened with KEY_READ and closed once.
TEST_F(InstallNetscapePluginTest, EachKeyIsReadThenClosedBeforeTheNextIsOpened)
{
    AddVersion(Browser::Navigator, "4.5");
    AddVersion(Browser::Navigator, "4.7");
    Navigator().SetString("CurrentVersion", "4.7");
    AddVersion(Browser::Netscape6, "6.2");
    Netscape6().SetString("CurrentVersion", "6.2");

    EXPECT_TRUE(InstallNetscapePlugin());

    std::vector<std::string> calls;
    for (const std::string& call : m.calls)
        if (call.rfind("Reg", 0) == 0 || call.rfind("CopyFileA", 0) == 0)
            calls.push_back(call);
    const std::string navigator = "HKLM\\Software\\Netscape\\Netscape Navigator";
    const std::string navigatorMain = navigator + "\\4.7\\Main";
    const std::string netscape6 = "HKLM\\Software\\Netscape\\Netscape 6";
    const std::string netscape6Main = netscape6 + "\\6.2\\Main";
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "RegOpenKeyExA HKLM 'Software\\Netscape\\Netscape Navigator\\' 0x00020019 -> 0",
                         "RegEnumKeyA " + navigator + " 0 '4.5' -> 0",
                         "RegEnumKeyA " + navigator + " 1 '4.7' -> 0",
                         "RegEnumKeyA " + navigator + " 2 -> 259",
                         "RegQueryValueExA " + navigator + " 'CurrentVersion' 260 -> 0",
                         "RegCloseKey " + navigator + " -> 0",
                         "RegOpenKeyExA HKLM 'Software\\Netscape\\Netscape Navigator\\4.7\\Main' 0x00020019 -> 0",
                         "RegQueryValueExA " + navigatorMain + " 'Plugins Directory' 260 -> 0",
                         "RegCloseKey " + navigatorMain + " -> 0",
                         "CopyFileA 'NPKestrix.dll' 'C:\\Netscape\\4.7\\Plugins\\NPKestrix.dll' 0 -> 1",
                         "CopyFileA 'NPKestrix.class' 'C:\\Netscape\\4.7\\Plugins\\NPKestrix.class' 0 -> 1",
                         "RegOpenKeyExA HKLM 'Software\\Netscape\\Netscape 6\\' 0x00020019 -> 0",
                         "RegEnumKeyA " + netscape6 + " 0 '6.2' -> 0",
                         "RegEnumKeyA " + netscape6 + " 1 -> 259",
                         "RegQueryValueExA " + netscape6 + " 'CurrentVersion' 260 -> 0",
                         "RegCloseKey " + netscape6 + " -> 0",
                         "RegOpenKeyExA HKLM 'Software\\Netscape\\Netscape 6\\6.2\\Main' 0x00020019 -> 0",
                         "RegQueryValueExA " + netscape6Main + " 'Install Directory' 260 -> 0",
                         "RegCloseKey " + netscape6Main + " -> 0",
                         "CopyFileA 'NPKestrix.dll' 'C:\\Netscape6\\6.2\\Plugins\\NPKestrix.dll' 0 -> 1",
                         "CopyFileA 'NPKestrix.class' 'C:\\Netscape6\\6.2\\Plugins\\NPKestrix.class' 0 -> 1",
                     }));
    EXPECT_EQ(m.ledger.keysOpened, 4);
    EXPECT_EQ(m.ledger.keysClosed, 4);
    // The package files are handed over by their bare names; nothing is
    // written to the registry and no folder is made.
    EXPECT_TRUE(m.CallsStartingWith("CreateDirectoryA").empty());
    EXPECT_TRUE(m.CallsStartingWith("RegDeleteKeyA").empty());
}

// ---- Which subkeys are versions --------------------------------------------

struct SubkeyCase {
    const char* name;
    std::string subkey;
    bool qualifies;
};

std::ostream& operator<<(std::ostream& out, const SubkeyCase& c) { return out << c.name; }

const SubkeyCase kSubkeyCases[] = {
    {"One", "1", true},
    {"OneDotZero", "1.0", true},
    {"EightDotNine", "8.9", true},
    {"FourWithText", "4 beta", true},
    {"EightAndLetters", "8x", true},
    {"Zero", "0.9", false},
    {"Nine", "9.0", false},
    {"NineAlone", "9", false},
    {"LetterBeforeDigits", "a4.7", false},
    {"Word", "Users", false},
    {"LeadingSpace", " 4.7", false},
    {"LeadingDot", ".4", false},
    {"LeadingMinus", "-4", false},
    {"LeadingBracket", "(4.7)", false},
    {"ColonAfterNine", ":4", false},
};

class PluginVersionSubkey : public InstallNetscapePluginTest, public ::testing::WithParamInterface<SubkeyCase> {};

// The candidate is enumerated first and named by "CurrentVersion": it is
// used exactly when it qualifies; otherwise the first version after it is.
TEST_P(PluginVersionSubkey, QualifiesByItsFirstCharacterOnly)
{
    const SubkeyCase& c = GetParam();
    const std::string candidateFolder = AddVersion(Browser::Navigator, c.subkey, "C:\\Netscape\\candidate\\Plugins");
    const std::string versionFolder = AddVersion(Browser::Navigator, "4.7");
    Navigator().SetString("CurrentVersion", c.subkey);

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), NavigatorCopies(c.qualifies ? candidateFolder : versionFolder));
    EXPECT_TRUE(m.user.transcript.empty());
}

INSTANTIATE_TEST_SUITE_P(InstallNetscapePlugin, PluginVersionSubkey, ::testing::ValuesIn(kSubkeyCases),
                         [](const ::testing::TestParamInfo<SubkeyCase>& info) { return info.param.name; });

// ---- "CurrentVersion" ------------------------------------------------------

struct CurrentVersionCase {
    const char* name;
    bool present;
    DWORD type;
    std::string data;  // raw bytes
    const char* chosen;
};

std::ostream& operator<<(std::ostream& out, const CurrentVersionCase& c) { return out << c.name; }

std::string Bytes(const char* text) { return std::string(text) + std::string(1, '\0'); }

const CurrentVersionCase kCurrentVersionCases[] = {
    {"MissingChoosesTheFirst", false, REG_SZ, "", "4.5"},
    {"NamesTheLast", true, REG_SZ, Bytes("4.8"), "4.8"},
    {"NamesTheMiddle", true, REG_SZ, Bytes("4.7b"), "4.7b"},
    {"NamesTheFirst", true, REG_SZ, Bytes("4.5"), "4.5"},
    {"DiffersInCase", true, REG_SZ, Bytes("4.7B"), "4.5"},
    {"PrefixOfAName", true, REG_SZ, Bytes("4.7"), "4.5"},
    {"NameIsAPrefixOfIt", true, REG_SZ, Bytes("4.7b1"), "4.5"},
    {"TrailingSpace", true, REG_SZ, Bytes("4.8 "), "4.5"},
    {"Empty", true, REG_SZ, Bytes(""), "4.5"},
    {"NamesNoSubkey", true, REG_SZ, Bytes("6.0"), "4.5"},
    // The type is neither asked for nor tested.
    {"ExpandableString", true, REG_EXPAND_SZ, Bytes("4.8"), "4.8"},
    {"BinaryData", true, REG_BINARY, Bytes("4.8"), "4.8"},
    // Data without a terminator is terminated after the bytes returned.
    {"UnterminatedShortData", true, REG_SZ, "4.8", "4.8"},
    // 260 bytes are read as they are up to their terminator.
    {"FullBufferWithTerminator", true, REG_SZ, Bytes("4.8") + std::string(256, 'x'), "4.8"},
    {"FullBufferWithoutTerminator", true, REG_SZ, "4.8" + std::string(257, 'x'), "4.5"},
    // More than 260 bytes cannot be read at all.
    {"MoreThanTheBufferHolds", true, REG_SZ, Bytes("4.8") + std::string(300, 'x'), "4.5"},
};

class PluginCurrentVersion : public InstallNetscapePluginTest, public ::testing::WithParamInterface<CurrentVersionCase> {};

TEST_P(PluginCurrentVersion, ChoosesTheEqualNameElseTheFirstVersion)
{
    const CurrentVersionCase& c = GetParam();
    AddVersion(Browser::Navigator, "4.5");
    AddVersion(Browser::Navigator, "4.7b");
    AddVersion(Browser::Navigator, "4.8");
    if (c.present)
        Navigator().SetValue("CurrentVersion", c.type, c.data);

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), NavigatorCopies(DefaultFolder(Browser::Navigator, c.chosen)));
    EXPECT_TRUE(m.user.transcript.empty());
}

INSTANTIATE_TEST_SUITE_P(InstallNetscapePlugin, PluginCurrentVersion, ::testing::ValuesIn(kCurrentVersionCases),
                         [](const ::testing::TestParamInfo<CurrentVersionCase>& info) { return info.param.name; });

// A version name of 259 characters, the longest that the enumeration takes:
// "CurrentVersion" can name it, though its Main key path is then too long.
class PluginLongestVersionName : public InstallNetscapePluginTest {
protected:
    void SetUp() override
    {
        InstallNetscapePluginTest::SetUp();
        firstFolder = AddVersion(Browser::Navigator, "4.5");
        AddVersion(Browser::Navigator, longest, "C:\\Netscape\\long\\Plugins");
    }

    const std::string longest = VersionNameOfLength(259);
    std::string firstFolder;
};

TEST_F(PluginLongestVersionName, NamedByCurrentVersionIsChosenAndHasNoMainKey)
{
    Navigator().SetValue("CurrentVersion", REG_SZ, Bytes(longest.c_str()));  // 260 bytes with the terminator

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_TRUE(m.copyAttempts.empty());
    EXPECT_TRUE(m.user.transcript.empty());
}

TEST_F(PluginLongestVersionName, CurrentVersionFillingTheBufferWithoutTerminatorIsMissing)
{
    Navigator().SetValue("CurrentVersion", REG_SZ, longest + "7");  // 260 bytes, the name's 259 first

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), NavigatorCopies(firstFolder));
}

TEST_F(InstallNetscapePluginTest, Netscape6UsesTheVersionThatItsCurrentVersionNames)
{
    AddVersion(Browser::Netscape6, "6.0");
    const std::string folder = AddVersion(Browser::Netscape6, "6.1");
    AddVersion(Browser::Netscape6, "6.2");
    Netscape6().SetString("CurrentVersion", "6.1");

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), Netscape6Copies(folder));
    ExpectPlaced(Netscape6Copies(folder));
    EXPECT_TRUE(m.user.transcript.empty());
}

// Each pass looks its versions up afresh: Navigator's ten versions and its
// choice of the tenth do not carry over to Netscape 6.
TEST_F(InstallNetscapePluginTest, EachPassHasItsOwnVersionTableAndChoice)
{
    for (int i = 0; i < 10; ++i)
        AddVersion(Browser::Navigator, "4." + std::to_string(i));
    Navigator().SetString("CurrentVersion", "4.9");
    const std::string netscape6Folder = AddVersion(Browser::Netscape6, "6.0");
    AddVersion(Browser::Netscape6, "6.2");

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(),
              Join(NavigatorCopies(DefaultFolder(Browser::Navigator, "4.9")), Netscape6Copies(netscape6Folder)));
    EXPECT_TRUE(m.user.transcript.empty());
}

// The enumeration ends at the first call that fails, whatever its error
// (here a name too long for the 260-byte buffer); the names before it stay.
TEST_F(InstallNetscapePluginTest, EnumerationEndsAtTheFirstFailingCall)
{
    const std::string first = AddVersion(Browser::Navigator, "4.5");
    Navigator().Key("4" + std::string(299, '9'));
    AddVersion(Browser::Navigator, "4.7");
    Navigator().SetString("CurrentVersion", "4.7");

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), NavigatorCopies(first));
    const std::vector<std::string> enumeration = m.CallsStartingWith("RegEnumKeyA");
    ASSERT_EQ(enumeration.size(), 2u);
    EXPECT_EQ(enumeration[1], "RegEnumKeyA HKLM\\Software\\Netscape\\Netscape Navigator 1 -> 234");
}

// ---- More than ten versions ------------------------------------------------

struct ManyVersionsCase {
    const char* name;
    int versions;  // qualifying subkeys, in enumeration order
    int current;   // the one that "CurrentVersion" names, from 1
    int messages;
    int chosen;    // from 1
};

std::ostream& operator<<(std::ostream& out, const ManyVersionsCase& c) { return out << c.name; }

const ManyVersionsCase kManyVersionsCases[] = {
    {"TenVersionsAllCandidates", 10, 10, 0, 10},
    {"ElevenVersionsTenthStillACandidate", 11, 10, 1, 10},
    {"ElevenVersionsEleventhDropped", 11, 11, 1, 1},
    {"TwelveVersionsTwoMessages", 12, 12, 2, 1},
    {"TwelveVersionsThirdChosen", 12, 3, 2, 3},
};

class PluginManyVersions : public InstallNetscapePluginTest, public ::testing::WithParamInterface<ManyVersionsCase> {};

// A subkey that is no version ("9.9", among them) neither takes a place nor
// brings the message; the message comes once for each version beyond the
// tenth, and the enumeration goes on after it.
TEST_P(PluginManyVersions, BeyondTheTenthAreDroppedWithAMessageEach)
{
    const ManyVersionsCase& c = GetParam();
    std::vector<std::string> names;
    for (int i = 1; i <= c.versions; ++i) {
        names.push_back("4." + std::string(i < 10 ? "0" : "") + std::to_string(i));
        AddVersion(Browser::Navigator, names.back());
        if (i == 5)
            AddVersion(Browser::Navigator, "9.9");
    }
    Navigator().SetString("CurrentVersion", names[c.current - 1]);
    AnswerOk(c.messages);

    EXPECT_TRUE(InstallNetscapePlugin());

    ExpectBoxes(std::vector<std::string>(c.messages, kTooMuchNetscape));
    EXPECT_EQ(Attempted(), NavigatorCopies(DefaultFolder(Browser::Navigator, names[c.chosen - 1])));
    EXPECT_EQ(m.CallsStartingWith("RegEnumKeyA").size(), static_cast<size_t>(c.versions + 2));
    if (c.messages > 0) {
        EXPECT_LT(LastCall("MessageBoxA"), FirstCall("RegQueryValueExA"));
    }
    ExpectNoFileFailed();
}

INSTANTIATE_TEST_SUITE_P(InstallNetscapePlugin, PluginManyVersions, ::testing::ValuesIn(kManyVersionsCases),
                         [](const ::testing::TestParamInfo<ManyVersionsCase>& info) { return info.param.name; });

TEST_F(InstallNetscapePluginTest, ElevenNetscape6VersionsBringTheMessageOnceAndStillInstall)
{
    std::string first;
    for (int i = 0; i < 11; ++i) {
        const std::string folder = AddVersion(Browser::Netscape6, "6." + std::string(i < 10 ? "0" : "") +
                                                                      std::to_string(i));
        if (i == 0)
            first = folder;
    }
    Netscape6().SetString("CurrentVersion", "6.10");
    AnswerOk(1);

    EXPECT_TRUE(InstallNetscapePlugin());

    ExpectBoxes({kTooMuchNetscape});
    EXPECT_EQ(Attempted(), Netscape6Copies(first));
    EXPECT_EQ(InstallState.pluginStatus, NavigatorNotFound);
}

// ---- Passes that find nothing to copy --------------------------------------

struct NothingToCopyCase {
    const char* name;
    Browser browser;
    std::function<void(sim::Machine&, sim::RegKey& root)> setUp;
    bool failureMessage;  // Netscape 6 only: the pass fails and says so
};

std::ostream& operator<<(std::ostream& out, const NothingToCopyCase& c) { return out << c.name; }

void RootWithoutSubkeys(sim::Machine&, sim::RegKey& root) { root.SetString("CurrentVersion", "4.7"); }

void OnlySubkeysThatAreNoVersions(sim::Machine& m, sim::RegKey& root)
{
    for (const char* name : {"9.0", "0.9", "Users", "default"}) {
        const std::string folder = std::string("C:\\Netscape\\") + name;
        m.AddFolder(folder + "\\Plugins");
        root.Key(std::string(name) + "\\Main")
            .SetString("Plugins Directory", folder + "\\Plugins")
            .SetString("Install Directory", folder);
    }
    root.SetString("CurrentVersion", "9.0");
}

// "CurrentVersion" names a version without Main key; the other version's Main
// key is not taken instead.
void ChosenVersionWithoutMain(sim::Machine& m, sim::RegKey& root)
{
    m.AddFolder("C:\\Netscape\\4.5\\Plugins");
    root.Key("4.5\\Main")
        .SetString("Plugins Directory", "C:\\Netscape\\4.5\\Plugins")
        .SetString("Install Directory", "C:\\Netscape\\4.5");
    root.Key("4.7").SetString("Plugins Directory", "C:\\Netscape\\4.5\\Plugins");
    root.SetString("CurrentVersion", "4.7");
}

// The Main key path (root path, name, "\Main") would be longer than 259
// characters: the version counts as one without Main key.
void VersionNameTooLongForTheKeyPath(sim::Machine& m, sim::RegKey& root)
{
    const size_t rootPath = root.Path().size() - 5 + 1;  // without "HKLM\", with the closing backslash
    const std::string name = VersionNameOfLength(260 - rootPath - 5);
    m.AddFolder("C:\\Netscape\\long\\Plugins");
    root.Key(name + "\\Main")
        .SetString("Plugins Directory", "C:\\Netscape\\long\\Plugins")
        .SetString("Install Directory", "C:\\Netscape\\long");
    root.SetString("CurrentVersion", name);
}

// The Main key of each browser holds the other browser's value only.
void NavigatorMainWithoutPluginsDirectory(sim::Machine& m, sim::RegKey& root)
{
    m.AddFolder("C:\\Netscape\\4.7\\Plugins");
    root.Key("4.7\\Main").SetString("Install Directory", "C:\\Netscape\\4.7");
}
void Netscape6MainWithoutInstallDirectory(sim::Machine& m, sim::RegKey& root)
{
    m.AddFolder("C:\\Netscape6\\6.2\\Plugins");
    root.Key("6.2\\Main").SetString("Plugins Directory", "C:\\Netscape6\\6.2\\Plugins");
}

void SetFolderValue(sim::RegKey& root, const std::string& bytes)
{
    const bool navigator = root.Name() == "Netscape Navigator";
    root.Key("4.7\\Main").SetValue(navigator ? "Plugins Directory" : "Install Directory", REG_SZ, bytes);
}

// 260 bytes without a terminator.
void FolderValueFillsTheBufferUnterminated(sim::Machine&, sim::RegKey& root)
{
    SetFolderValue(root, FolderOfLength(260));
}

// More than 260 bytes: the read fails, whatever stands before the terminator.
void FolderValueLongerThanTheBuffer(sim::Machine& m, sim::RegKey& root)
{
    m.AddFolder("C:\\Netscape\\4.7\\Plugins");
    SetFolderValue(root, Bytes("C:\\Netscape\\4.7") + std::string(300, 'x'));
}

// A folder whose longer destination (the class file's) would pass 259
// characters, though the library's would still fit.
void FolderTooLongForTheClassFile(sim::Machine& m, sim::RegKey& root)
{
    const bool navigator = root.Name() == "Netscape Navigator";
    const std::string folder = FolderOfLength(navigator ? 260 - 16 : 260 - 24);
    m.AddFolder(navigator ? folder : folder + "\\Plugins");
    SetFolderValue(root, Bytes(folder.c_str()));
}

const NothingToCopyCase kNothingToCopyCases[] = {
    {"NavigatorRootWithoutSubkeys", Browser::Navigator, RootWithoutSubkeys, false},
    {"NavigatorOnlySubkeysThatAreNoVersions", Browser::Navigator, OnlySubkeysThatAreNoVersions, false},
    {"NavigatorChosenVersionWithoutMain", Browser::Navigator, ChosenVersionWithoutMain, false},
    {"NavigatorVersionNameTooLongForTheKeyPath", Browser::Navigator, VersionNameTooLongForTheKeyPath, false},
    {"NavigatorMainWithoutPluginsDirectory", Browser::Navigator, NavigatorMainWithoutPluginsDirectory, false},
    {"NavigatorFolderFillsTheBufferUnterminated", Browser::Navigator, FolderValueFillsTheBufferUnterminated, false},
    {"NavigatorFolderLongerThanTheBuffer", Browser::Navigator, FolderValueLongerThanTheBuffer, false},
    {"NavigatorFolderTooLongForTheClassFile", Browser::Navigator, FolderTooLongForTheClassFile, false},
    {"Netscape6RootWithoutSubkeys", Browser::Netscape6, RootWithoutSubkeys, true},
    {"Netscape6OnlySubkeysThatAreNoVersions", Browser::Netscape6, OnlySubkeysThatAreNoVersions, true},
    {"Netscape6ChosenVersionWithoutMain", Browser::Netscape6, ChosenVersionWithoutMain, true},
    {"Netscape6VersionNameTooLongForTheKeyPath", Browser::Netscape6, VersionNameTooLongForTheKeyPath, true},
    {"Netscape6MainWithoutInstallDirectory", Browser::Netscape6, Netscape6MainWithoutInstallDirectory, false},
    {"Netscape6FolderFillsTheBufferUnterminated", Browser::Netscape6, FolderValueFillsTheBufferUnterminated, false},
    {"Netscape6FolderLongerThanTheBuffer", Browser::Netscape6, FolderValueLongerThanTheBuffer, false},
    {"Netscape6FolderTooLongForTheClassFile", Browser::Netscape6, FolderTooLongForTheClassFile, false},
};

class PluginNothingToCopy : public InstallNetscapePluginTest, public ::testing::WithParamInterface<NothingToCopyCase> {};

// Navigator: nothing copied, nothing shown, true. Netscape 6 without a usable
// version or Main key: the failure message and false; Netscape 6 without a
// usable folder value: nothing shown, true. Neither marks the run as failed.
TEST_P(PluginNothingToCopy, CopiesNothing)
{
    const NothingToCopyCase& c = GetParam();
    c.setUp(m, Root(c.browser));
    if (c.failureMessage)
        AnswerOk(1);

    EXPECT_EQ(InstallNetscapePlugin(), !c.failureMessage);

    EXPECT_TRUE(m.copyAttempts.empty());
    ExpectBoxes(c.failureMessage ? std::vector<std::string>{kNetscape6Failed} : std::vector<std::string>{});
    EXPECT_EQ(InstallState.pluginStatus, c.browser == Browser::Navigator ? PluginNone : NavigatorNotFound);
    ExpectNoFileFailed();
}

INSTANTIATE_TEST_SUITE_P(InstallNetscapePlugin, PluginNothingToCopy, ::testing::ValuesIn(kNothingToCopyCases),
                         [](const ::testing::TestParamInfo<NothingToCopyCase>& info) { return info.param.name; });

// ---- Folder values that are used as they stand -------------------------------

struct FolderCase {
    const char* name;
    Browser browser;
    std::string version;
    DWORD type;
    std::string value;   // raw bytes of the folder value
    std::string folder;  // the folder as the destinations start
};

std::ostream& operator<<(std::ostream& out, const FolderCase& c) { return out << c.name; }

const std::string kLongestNavigatorFolder = FolderOfLength(259 - 16);
const std::string kLongestNetscape6Folder = FolderOfLength(259 - 24);
const std::string kLongestNavigatorVersion = VersionNameOfLength(259 - 37 - 5);
const std::string kLongestNetscape6Version = VersionNameOfLength(259 - 29 - 5);

const FolderCase kFolderCases[] = {
    // A closing backslash stays: the destination holds two in a row.
    {"NavigatorFolderEndingInABackslash", Browser::Navigator, "4.7", REG_SZ, Bytes("C:\\Netscape\\4.7\\Plugins\\"),
     "C:\\Netscape\\4.7\\Plugins\\"},
    {"Netscape6FolderEndingInABackslash", Browser::Netscape6, "6.2", REG_SZ, Bytes("C:\\Netscape6\\6.2\\"),
     "C:\\Netscape6\\6.2\\"},
    // Nothing in the value is expanded, whatever its type.
    {"NavigatorExpandableFolderIsNotExpanded", Browser::Navigator, "4.7", REG_EXPAND_SZ,
     Bytes("C:\\%NETSCAPE%\\Plugins"), "C:\\%NETSCAPE%\\Plugins"},
    {"Netscape6ExpandableFolderIsNotExpanded", Browser::Netscape6, "6.2", REG_EXPAND_SZ, Bytes("C:\\%NETSCAPE6%"),
     "C:\\%NETSCAPE6%"},
    // Data without a terminator is terminated after the bytes returned.
    {"NavigatorUnterminatedFolder", Browser::Navigator, "4.7", REG_SZ, "C:\\Netscape\\4.7\\Plugins",
     "C:\\Netscape\\4.7\\Plugins"},
    {"Netscape6UnterminatedFolder", Browser::Netscape6, "6.2", REG_SZ, "C:\\Netscape6\\6.2", "C:\\Netscape6\\6.2"},
    // The longest folders whose class file destination has 259 characters.
    {"NavigatorLongestFolder", Browser::Navigator, "4.7", REG_SZ, Bytes(kLongestNavigatorFolder.c_str()),
     kLongestNavigatorFolder},
    {"Netscape6LongestFolder", Browser::Netscape6, "6.2", REG_SZ, Bytes(kLongestNetscape6Folder.c_str()),
     kLongestNetscape6Folder},
    {"NavigatorLongestFolderUnterminated", Browser::Navigator, "4.7", REG_SZ, kLongestNavigatorFolder,
     kLongestNavigatorFolder},
    // The longest version names whose Main key path has 259 characters.
    {"NavigatorLongestVersionName", Browser::Navigator, kLongestNavigatorVersion, REG_SZ,
     Bytes("C:\\Netscape\\long\\Plugins"), "C:\\Netscape\\long\\Plugins"},
    {"Netscape6LongestVersionName", Browser::Netscape6, kLongestNetscape6Version, REG_SZ,
     Bytes("C:\\Netscape6\\long"), "C:\\Netscape6\\long"},
};

class PluginFolderValue : public InstallNetscapePluginTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(PluginFolderValue, IsHandedOnAsItStands)
{
    const FolderCase& c = GetParam();
    const bool navigator = c.browser == Browser::Navigator;
    m.AddFolder(navigator ? c.folder : c.folder + "\\Plugins");
    Root(c.browser)
        .SetString("CurrentVersion", c.version)
        .Key(c.version + "\\Main")
        .SetValue(navigator ? "Plugins Directory" : "Install Directory", c.type, c.value);

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), CopiesInto(c.browser, c.folder));
    ExpectPlaced(CopiesInto(c.browser, c.folder));
    EXPECT_TRUE(m.user.transcript.empty());
    ExpectNoFileFailed();
}

INSTANTIATE_TEST_SUITE_P(InstallNetscapePlugin, PluginFolderValue, ::testing::ValuesIn(kFolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

// ---- Failed files ----------------------------------------------------------

// The library is in use and the user gives it up: the class file is still
// handed over, and the Navigator pass fails without a message of its own.
TEST_F(InstallNetscapePluginTest, NavigatorLibraryGivenUpStillCopiesTheClassFileAndFails)
{
    const std::string folder = AddVersion(Browser::Navigator, "4.7");
    const Copies copies = NavigatorCopies(folder);
    m.AddFile(copies[0].second, sim::FileSpec{}.WithContents("running plug-in"));
    m.HoldFile(copies[0].second);
    m.user.Answer(IDCANCEL);

    EXPECT_FALSE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), copies);
    EXPECT_EQ(m.FileContents(copies[0].second), "running plug-in");
    EXPECT_EQ(m.FileContents(copies[1].second), "plug-in class");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(m.user.transcript[0].style, static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_TRUE(InstallState.failed);
    EXPECT_EQ(InstallState.failureReason, FileInUseText);
    EXPECT_EQ(InstallState.pluginStatus, PluginNone);
    m.ReleaseFile(copies[0].second);
}

// An older package library that the user skips is a failed file: the class
// file is still copied, and Netscape 6 ends with its failure message.
TEST_F(InstallNetscapePluginTest, Netscape6OlderLibrarySkippedStillCopiesTheClassFileAndShowsTheFailure)
{
    m.AddFile("C:\\package\\NPKestrix.dll", sim::FileSpec{}.WithContents("plug-in").WithVersion(1, 0, 0, 0));
    const std::string folder = AddVersion(Browser::Netscape6, "6.2");
    const Copies copies = Netscape6Copies(folder);
    m.AddFile(copies[0].second, sim::FileSpec{}.WithContents("newer plug-in").WithVersion(2, 0, 0, 0));
    m.user.Answer(IDCANCEL);  // skip the older library
    m.user.Answer(IDOK);

    EXPECT_FALSE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), Copies{copies[1]});
    EXPECT_EQ(m.FileContents(copies[0].second), "newer plug-in");
    EXPECT_EQ(m.FileContents(copies[1].second), "plug-in class");
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(m.user.transcript[0].style, static_cast<UINT>(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(Boxes()[1], kNetscape6Failed);
    EXPECT_EQ(InstallState.failureReason, FileSkippedText);
    EXPECT_EQ(InstallState.pluginStatus, NavigatorNotFound);
}

// A package without the class file: its copy fails in both passes; the
// library is placed in both, and Netscape 6 decides the result.
TEST_F(InstallNetscapePluginTest, PackageWithoutTheClassFileFailsItInEveryPass)
{
    m.RemoveFile("C:\\package\\NPKestrix.class");
    const Copies navigator = NavigatorCopies(AddVersion(Browser::Navigator, "4.7"));
    const Copies netscape6 = Netscape6Copies(AddVersion(Browser::Netscape6, "6.2"));
    AnswerOk(3);

    EXPECT_FALSE(InstallNetscapePlugin());

    EXPECT_EQ(Attempted(), Join(navigator, netscape6));
    EXPECT_EQ(m.FileContents(navigator[0].second), "plug-in");
    EXPECT_EQ(m.FileContents(netscape6[0].second), "plug-in");
    ExpectBoxes({CopyFailedText(kClass, navigator[1].second, ERROR_FILE_NOT_FOUND),
                 CopyFailedText(kClass, netscape6[1].second, ERROR_FILE_NOT_FOUND), kNetscape6Failed});
    EXPECT_EQ(InstallState.failureReason, FileNotWrittenText);
}

// Once Netscape 6 is found its pass alone decides: a version without Main
// key fails it, with its message, after the Navigator copies failed.
TEST_F(InstallNetscapePluginTest, NavigatorFailureThenNetscape6WithoutMainKeyFailsWithTheMessage)
{
    Navigator().Key("4.7\\Main").SetString("Plugins Directory", "C:\\Netscape\\4.7\\Plugins");  // folder missing
    Netscape6().SetString("CurrentVersion", "6.2").Key("6.2");
    AnswerOk(3);

    EXPECT_FALSE(InstallNetscapePlugin());

    ExpectBoxes({CopyFailedText(kLibrary, "C:\\Netscape\\4.7\\Plugins\\NPKestrix.dll", ERROR_PATH_NOT_FOUND),
                 CopyFailedText(kClass, "C:\\Netscape\\4.7\\Plugins\\NPKestrix.class", ERROR_PATH_NOT_FOUND),
                 kNetscape6Failed});
    EXPECT_EQ(InstallState.failureReason, FileNotWrittenText);
}

// A Navigator failure is forgotten when Netscape 6 only lacks its folder value.
TEST_F(InstallNetscapePluginTest, NavigatorFailureThenNetscape6WithoutFolderValueIsASuccess)
{
    Navigator().Key("4.7\\Main").SetString("Plugins Directory", "C:\\Netscape\\4.7\\Plugins");  // folder missing
    Netscape6().Key("6.2\\Main");
    AnswerOk(2);

    EXPECT_TRUE(InstallNetscapePlugin());

    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(m.copyAttempts.size(), 2u);
    EXPECT_TRUE(InstallState.failed);
}

}  // namespace
