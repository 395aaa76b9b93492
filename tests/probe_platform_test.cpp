// ProbePlatform: the Windows family and the DirectX level that each machine
// leaves, the trace lines of its failures, what DirectDraw is asked, and the
// order in which every interface and library is given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "tests/test_machine.h"

namespace {

using testing_support::Join;
using testing_support::MachineTest;

const sim::WindowsVersion kWindows95{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950};
const sim::WindowsVersion kWindows98{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998};
const sim::WindowsVersion kWindowsNT351{VER_PLATFORM_WIN32_NT, 3, 51, 1057};
const sim::WindowsVersion kWindowsNT4{VER_PLATFORM_WIN32_NT, 4, 0, 1381};
const sim::WindowsVersion kWindows2000{VER_PLATFORM_WIN32_NT, 5, 0, 2195};

// What the caller's two variables hold before the probe: values that the
// probe never writes, so that every value written shows, and an unwritten one
// stays the caller's.
const DirectXLevel kCallersLevel = static_cast<DirectXLevel>(0xCA11);
const OsFamily kCallersFamily = static_cast<OsFamily>(0xCA11);

const char kNoDirectDrawLibrary[] = "Couldn't LoadLibrary DDraw\r\n";
const char kNoDirectDrawCreate[] = "Couldn't GetProcAddress DDrawCreate\r\n";
const char kDirectDrawNotCreated[] = "Couldn't create DDraw\r\n";
const char kNoDirectDraw2[] = "Couldn't QI DDraw2\r\n";
const char kNoDirectInputLibrary[] = "Couldn't LoadLibrary DInput\r\n";
const char kNoDirectInputCreate[] = "Couldn't GetProcAddress DInputCreate\r\n";
const char kCooperativeLevelRefused[] = "Couldn't Set coop level\r\n";
const char kSurfaceRefused[] = "Couldn't CreateSurface\r\n";

const std::vector<std::string> kNoTrace;

class ProbePlatformTest : public MachineTest {
protected:
    void Probe() { ProbePlatform(&level, &family); }

    int Loads(const std::string& library) const
    {
        auto found = m.ledger.libraryLoads.find(library);
        return found == m.ledger.libraryLoads.end() ? 0 : found->second;
    }
    int Frees(const std::string& library) const
    {
        auto found = m.ledger.libraryFrees.find(library);
        return found == m.ledger.libraryFrees.end() ? 0 : found->second;
    }

    // Index of the first logged call that starts with `prefix`, or -1.
    int CallIndex(const std::string& prefix) const
    {
        for (std::size_t i = 0; i < m.calls.size(); ++i)
            if (m.calls[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        return -1;
    }
    int CallCount(const std::string& prefix) const
    {
        return static_cast<int>(m.CallsStartingWith(prefix).size());
    }

    // Whether a logged call "... -> 0xXXXXXXXX" returned a success code.
    static bool Succeeded(const std::string& call)
    {
        const std::size_t arrow = call.rfind("-> ");
        return arrow != std::string::npos && std::stoul(call.substr(arrow + 3), nullptr, 16) < 0x80000000ul;
    }

    // The order in which things are given back, on whatever path was taken:
    // an interface that QueryInterface handed out goes back at once; the
    // surface and every interface go before the DirectDraw object, the object
    // before DDRAW.DLL; DINPUT.DLL goes right after its lookup.
    void ExpectReleaseOrder() const
    {
        SCOPED_TRACE("calls:\n" + Join(m.calls));
        struct HandedOut {
            const char* query;
            const char* release;
        };
        const HandedOut interfaces[] = {
            {"IDirectDraw::QueryInterface IID_IDirectDraw2 -> ", "IDirectDraw2::Release"},
            {"IDirectDrawSurface::QueryInterface IID_IDirectDrawSurface3 -> ", "IDirectDrawSurface3::Release"},
            {"IDirectDrawSurface::QueryInterface IID_IDirectDrawSurface4 -> ", "IDirectDrawSurface4::Release"},
        };
        const int objectRelease = CallIndex("IDirectDraw::Release");
        const int libraryFree = CallIndex("FreeLibrary 'DDRAW.DLL'");
        for (const HandedOut& handed : interfaces) {
            const int query = CallIndex(handed.query);
            const int release = CallIndex(handed.release);
            if (query < 0 || !Succeeded(m.calls[static_cast<std::size_t>(query)])) {
                EXPECT_EQ(-1, release) << handed.release << " without a query that handed it out";
                continue;
            }
            EXPECT_EQ(query + 1, release) << handed.release << " is not released at once";
            EXPECT_LT(release, objectRelease) << handed.release << " after the DirectDraw object";
        }
        const int surfaceRelease = CallIndex("IDirectDrawSurface::Release");
        if (surfaceRelease >= 0) {
            EXPECT_LT(surfaceRelease, objectRelease) << "surface released after the DirectDraw object";
        }
        if (objectRelease >= 0) {
            EXPECT_LT(objectRelease, libraryFree) << "DirectDraw object released after DDRAW.DLL was freed";
        }
        EXPECT_LE(CallCount("IDirectDraw::Release"), 1);
        EXPECT_LE(CallCount("IDirectDrawSurface::Release"), 1);

        const int directInputLookup = CallIndex("GetProcAddress 'DINPUT.DLL'");
        if (directInputLookup >= 0) {
            EXPECT_EQ(directInputLookup + 1, CallIndex("FreeLibrary 'DINPUT.DLL'"))
                << "DINPUT.DLL is not freed right after its lookup";
        }
    }

    DirectXLevel level = kCallersLevel;
    OsFamily family = kCallersFamily;
};

// ---- What each machine leaves ----------------------------------------------

struct ProbeCase {
    std::string name;
    std::optional<sim::WindowsVersion> version;  // none: the version query fails
    std::function<void(sim::Machine&)> setUp;    // what the machine lacks
    DirectXLevel level;
    OsFamily family;
    std::vector<std::string> trace;
    int directDrawLoads;
    int directInputLoads;
};

void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.name; }

class ProbeOutcomeTest : public ProbePlatformTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeOutcomeTest, LeavesItsLevelFamilyAndTraceAndGivesEverythingBack)
{
    const ProbeCase& c = GetParam();
    m.version = c.version;
    if (c.setUp)
        c.setUp(m);

    Probe();

    EXPECT_EQ(c.level, level);
    EXPECT_EQ(c.family, family);
    EXPECT_EQ(c.trace, m.debugOutput);
    EXPECT_EQ(c.directDrawLoads, Loads("DDRAW.DLL"));
    EXPECT_EQ(c.directDrawLoads, Frees("DDRAW.DLL"));
    EXPECT_EQ(c.directInputLoads, Loads("DINPUT.DLL"));
    EXPECT_EQ(c.directInputLoads, Frees("DINPUT.DLL"));
    EXPECT_EQ(0, m.ledger.comReferencesAlive);
    ExpectReleaseOrder();
}

std::string CaseName(const ::testing::TestParamInfo<ProbeCase>& info) { return info.param.name; }

void NoDirectInputLibrary(sim::Machine& m) { m.directInput.present = false; }
void NoDirectInputCreate(sim::Machine& m) { m.directInput.exportsCreateA = false; }

// The version decides the family and whether DirectDraw is probed at all; the
// machine offers everything up to DirectX 6 unless the case says otherwise.
std::vector<ProbeCase> PlatformCases()
{
    return {
        {"VersionQueryFails", std::nullopt, {}, DirectXNone, OsNone, kNoTrace, 0, 0},
        // Below NT 4: nothing is loaded and the level stays the caller's.
        {"WindowsNT351", kWindowsNT351, {}, kCallersLevel, OsNone, kNoTrace, 0, 0},
        // NT 4 stops at DirectX 3 and never loads DDRAW.DLL.
        {"WindowsNT4", kWindowsNT4, {}, DirectX3, OsWindowsNT, kNoTrace, 0, 1},
        {"WindowsNT4WithoutDirectInputLibrary", kWindowsNT4, NoDirectInputLibrary, DirectX2, OsWindowsNT,
         {kNoDirectInputLibrary}, 0, 0},
        {"WindowsNT4WithoutDirectInputCreate", kWindowsNT4, NoDirectInputCreate, DirectX2, OsWindowsNT,
         {kNoDirectInputCreate}, 0, 1},
        {"Windows2000", kWindows2000, {}, DirectX6, OsWindowsNT, kNoTrace, 1, 1},
        // Unsigned: a major version with the top bit set is above 4.
        {"WindowsNTTopBitMajor", sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 0x80000000u, 0, 0}, {}, DirectX6,
         OsWindowsNT, kNoTrace, 1, 1},
        {"Windows95", kWindows95, {}, DirectX6, OsWindows9x, kNoTrace, 1, 1},
        {"Windows98", kWindows98, {}, DirectX6, OsWindows9x, kNoTrace, 1, 1},
        // Every platform other than NT counts as 9x, whatever its major version.
        {"Win32s", sim::WindowsVersion{VER_PLATFORM_WIN32s, 3, 10, 0}, {}, DirectX6, OsWindows9x, kNoTrace, 1, 1},
        {"UnknownPlatform3", sim::WindowsVersion{3, 2, 0, 0}, {}, DirectX6, OsWindows9x, kNoTrace, 1, 1},
        {"UnknownPlatformTopBit", sim::WindowsVersion{0x80000002u, 5, 0, 0}, {}, DirectX6, OsWindows9x, kNoTrace,
         1, 1},
    };
}

INSTANTIATE_TEST_SUITE_P(Platforms, ProbeOutcomeTest, ::testing::ValuesIn(PlatformCases()), CaseName);

// The failures of the DirectDraw path, each with the level it leaves; the
// family is the platform's, except where DirectDraw is unusable.
std::vector<ProbeCase> DirectDrawPathCases(const sim::WindowsVersion& version, OsFamily platformFamily)
{
    const OsFamily unchanged = platformFamily;
    return {
        {"DirectDrawLibraryMissing", version, [](sim::Machine& m) { m.directDraw.present = false; }, DirectXNone,
         OsNone, {kNoDirectDrawLibrary}, 0, 0},
        {"DirectDrawCreateMissing", version, [](sim::Machine& m) { m.directDraw.exportsCreate = false; },
         DirectXNone, OsNone, {kNoDirectDrawCreate}, 1, 0},
        {"DirectDrawCreateFails", version, [](sim::Machine& m) { m.directDraw.createResult = DDERR_GENERIC; },
         DirectXNone, OsNone, {kDirectDrawNotCreated}, 1, 0},
        {"NoDirectDraw2", version, [](sim::Machine& m) { m.directDraw.offersDirectDraw2 = false; }, DirectX1,
         unchanged, {kNoDirectDraw2}, 1, 0},
        {"DirectInputLibraryMissing", version, NoDirectInputLibrary, DirectX2, unchanged, {kNoDirectInputLibrary},
         1, 0},
        {"DirectInputCreateMissing", version, NoDirectInputCreate, DirectX2, unchanged, {kNoDirectInputCreate}, 1,
         1},
        {"CooperativeLevelRefused", version,
         [](sim::Machine& m) { m.directDraw.setCooperativeLevelResult = DDERR_GENERIC; }, DirectXNone, unchanged,
         {kCooperativeLevelRefused}, 1, 1},
        {"PrimarySurfaceRefused", version,
         [](sim::Machine& m) { m.directDraw.createSurfaceResult = DDERR_INVALIDPARAMS; }, DirectXNone, unchanged,
         {kSurfaceRefused}, 1, 1},
        {"NoSurface3", version, [](sim::Machine& m) { m.directDraw.surfaceOffers3 = false; }, DirectX3, unchanged,
         kNoTrace, 1, 1},
        // Without Surface3 the probe stops there, whatever else the surface offers.
        {"NoSurface3ButSurface4", version,
         [](sim::Machine& m) {
             m.directDraw.surfaceOffers3 = false;
             m.directDraw.surfaceOffers4 = true;
         },
         DirectX3, unchanged, kNoTrace, 1, 1},
        {"NoSurface4", version, [](sim::Machine& m) { m.directDraw.surfaceOffers4 = false; }, DirectX5, unchanged,
         kNoTrace, 1, 1},
        {"Everything", version, {}, DirectX6, unchanged, kNoTrace, 1, 1},
    };
}

INSTANTIATE_TEST_SUITE_P(Windows98, ProbeOutcomeTest,
                         ::testing::ValuesIn(DirectDrawPathCases(kWindows98, OsWindows9x)), CaseName);
INSTANTIATE_TEST_SUITE_P(Windows2000, ProbeOutcomeTest,
                         ::testing::ValuesIn(DirectDrawPathCases(kWindows2000, OsWindowsNT)), CaseName);

// ---- Where the probe stops -------------------------------------------------

TEST_F(ProbePlatformTest, MissingDirectDraw2StopsBeforeDirectInputAndTheSurface)
{
    m.directDraw.offersDirectDraw2 = false;

    Probe();

    EXPECT_EQ(0, Loads("DINPUT.DLL"));
    EXPECT_TRUE(m.directDrawRecord.cooperativeLevels.empty());
    EXPECT_TRUE(m.directDrawRecord.surfaceRequests.empty());
}

TEST_F(ProbePlatformTest, FailingDirectInputTestStopsBeforeTheCooperativeLevel)
{
    m.directInput.exportsCreateA = false;

    Probe();

    EXPECT_TRUE(m.directDrawRecord.cooperativeLevels.empty());
    EXPECT_TRUE(m.directDrawRecord.surfaceRequests.empty());
}

TEST_F(ProbePlatformTest, RefusedCooperativeLevelStopsBeforeTheSurface)
{
    m.directDraw.setCooperativeLevelResult = DDERR_GENERIC;

    Probe();

    EXPECT_TRUE(m.directDrawRecord.surfaceRequests.empty());
}

TEST_F(ProbePlatformTest, MissingSurface3IsTheLastQuestionAsked)
{
    m.directDraw.surfaceOffers3 = false;

    Probe();

    EXPECT_EQ(std::vector<std::string>{"IID_IDirectDrawSurface3"}, m.directDrawRecord.surfaceQueries);
}

// ---- Success codes ---------------------------------------------------------

class SuccessCodeTest : public ProbePlatformTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(SuccessCodeTest, PositiveResultsOfEveryOperationCountAsPassed)
{
    m.directDraw.successResult = GetParam();

    Probe();

    EXPECT_EQ(DirectX6, level);
    EXPECT_EQ(OsWindows9x, family);
    EXPECT_TRUE(m.debugOutput.empty()) << Join(m.debugOutput);
    ExpectReleaseOrder();
}

INSTANTIATE_TEST_SUITE_P(ProbePlatform, SuccessCodeTest,
                         ::testing::Values(S_FALSE, static_cast<HRESULT>(0x00000100), static_cast<HRESULT>(0x7FFFFFFF)),
                         [](const ::testing::TestParamInfo<HRESULT>& info) {
                             return "Result" + std::to_string(static_cast<unsigned long>(info.param));
                         });

// ---- What DirectDraw is asked ----------------------------------------------

TEST_F(ProbePlatformTest, DirectDrawIsCreatedForThePrimaryDisplayWithoutAnOuterObject)
{
    Probe();

    ASSERT_EQ(1u, m.directDrawRecord.creates.size());
    EXPECT_EQ(nullptr, m.directDrawRecord.creates[0].guid);
    EXPECT_EQ(nullptr, m.directDrawRecord.creates[0].outer);
}

TEST_F(ProbePlatformTest, CooperativeLevelIsNormalWithoutAWindow)
{
    Probe();

    ASSERT_EQ(1u, m.directDrawRecord.cooperativeLevels.size());
    EXPECT_EQ(nullptr, m.directDrawRecord.cooperativeLevels[0].window);
    EXPECT_EQ(DWORD{0x8}, m.directDrawRecord.cooperativeLevels[0].flags);  // DDSCL_NORMAL alone
}

TEST_F(ProbePlatformTest, SurfaceDescriptionAsksForThePrimarySurfaceAndNothingElse)
{
    Probe();

    ASSERT_EQ(1u, m.directDrawRecord.surfaceRequests.size());
    const sim::DirectDrawRecord::SurfaceRequest& request = m.directDrawRecord.surfaceRequests[0];
    EXPECT_EQ(DWORD{sizeof(DDSURFACEDESC)}, request.size);
    EXPECT_EQ(DWORD{0x1}, request.flags);   // DDSD_CAPS
    EXPECT_EQ(DWORD{0x200}, request.caps);  // DDSCAPS_PRIMARYSURFACE
    EXPECT_TRUE(request.otherBytesZero);
    EXPECT_EQ(nullptr, request.outer);
}

TEST_F(ProbePlatformTest, AsksTheObjectForDirectDraw2AndTheSurfaceFor3Then4)
{
    Probe();

    EXPECT_EQ(std::vector<std::string>{"IID_IDirectDraw2"}, m.directDrawRecord.directDrawQueries);
    EXPECT_EQ((std::vector<std::string>{"IID_IDirectDrawSurface3", "IID_IDirectDrawSurface4"}),
              m.directDrawRecord.surfaceQueries);
}

// ---- The whole ladder, call by call ----------------------------------------

TEST_F(ProbePlatformTest, FullLadderOnWindows98ReleasesEachThingAtItsPlace)
{
    Probe();

    const std::vector<std::string> expected = {
        "GetVersionExA -> 1",
        "LoadLibraryA 'DDRAW.DLL' -> loaded",
        "GetProcAddress 'DDRAW.DLL' 'DirectDrawCreate' -> found",
        "DirectDrawCreate NULL NULL -> 0x00000000",
        "IDirectDraw::QueryInterface IID_IDirectDraw2 -> 0x00000000",
        "IDirectDraw2::Release -> 0",
        "LoadLibraryA 'DINPUT.DLL' -> loaded",
        "GetProcAddress 'DINPUT.DLL' 'DirectInputCreateA' -> found",
        "FreeLibrary 'DINPUT.DLL' -> 1",
        "IDirectDraw::SetCooperativeLevel NULL 0x00000008 -> 0x00000000",
        "IDirectDraw::CreateSurface -> 0x00000000",
        "IDirectDrawSurface::QueryInterface IID_IDirectDrawSurface3 -> 0x00000000",
        "IDirectDrawSurface3::Release -> 0",
        "IDirectDrawSurface::QueryInterface IID_IDirectDrawSurface4 -> 0x00000000",
        "IDirectDrawSurface4::Release -> 0",
        "IDirectDrawSurface::Release -> 0",
        "IDirectDraw::Release -> 0",
        "FreeLibrary 'DDRAW.DLL' -> 1",
    };
    EXPECT_EQ(expected, m.calls) << Join(m.calls);
    EXPECT_EQ(DirectX6, level);
}

TEST_F(ProbePlatformTest, MissingSurface4ReleasesTheSurfaceThenTheObjectThenTheLibrary)
{
    m.directDraw.surfaceOffers4 = false;

    Probe();

    const std::vector<std::string> calls = m.calls;
    const auto from = std::find(calls.begin(), calls.end(),
                                "IDirectDrawSurface::QueryInterface IID_IDirectDrawSurface4 -> 0x80004002");
    ASSERT_NE(calls.end(), from) << Join(calls);
    EXPECT_EQ((std::vector<std::string>{"IDirectDrawSurface::QueryInterface IID_IDirectDrawSurface4 -> 0x80004002",
                                        "IDirectDrawSurface::Release -> 0", "IDirectDraw::Release -> 0",
                                        "FreeLibrary 'DDRAW.DLL' -> 1"}),
              std::vector<std::string>(from, calls.end()));
}

TEST_F(ProbePlatformTest, WindowsNT4OnlyLooksUpDirectInput)
{
    m.version = kWindowsNT4;

    Probe();

    EXPECT_EQ((std::vector<std::string>{"GetVersionExA -> 1", "LoadLibraryA 'DINPUT.DLL' -> loaded",
                                        "GetProcAddress 'DINPUT.DLL' 'DirectInputCreateA' -> found",
                                        "FreeLibrary 'DINPUT.DLL' -> 1"}),
              m.calls);
    EXPECT_TRUE(m.directDrawRecord.creates.empty());
}

// As RunInstaller calls it: NT below 4 leaves the level at the record's zero.
TEST_F(ProbePlatformTest, WindowsNT3LeavesTheRecordsLevelAtNone)
{
    m.version = kWindowsNT351;
    InstallState.osFamily = OsWindowsNT;

    ProbePlatform(&InstallState.directXLevel, &InstallState.osFamily);

    EXPECT_EQ(DirectXNone, InstallState.directXLevel);
    EXPECT_EQ(OsNone, InstallState.osFamily);
    EXPECT_TRUE(m.ledger.libraryLoads.empty());
}

}  // namespace
