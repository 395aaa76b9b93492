// Libraries, the component's self-registration, COM start-up and DirectDraw
// as the model offers them.
#include "machine_test.h"

namespace {

using LibrariesTest = MachineTest;
typedef HRESULT (*RegisterServerProc)();
typedef HRESULT (*DirectDrawCreateProc)(GUID*, LPDIRECTDRAW*, IUnknown*);

// An exported entry as the function it really is (through void (*)(), which
// casts to and from any function type without a warning).
template <class Function>
Function EntryAs(FARPROC entry) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}

TEST_F(LibrariesTest, LoadLibraryFindsSystemLibrariesAndFilesWithTheirErrors) {
    m.AddFile("C:\\package\\notes.txt");
    m.AddFile("C:\\package\\broken.dll", sim::FileSpec{}.AsModule(sim::ModuleSpec{}.FailsToLoad(ERROR_GEN_FAILURE)));
    m.AddFile("C:\\package\\good.dll", sim::FileSpec{}.AsModule(sim::ModuleSpec{}));
    struct Case {
        const char* name;
        DWORD error;
    } cases[] = {
        {"ddraw.dll", 0},
        {"DINPUT", 0},
        {"C:\\package\\missing.dll", ERROR_MOD_NOT_FOUND},
        {"notes.txt", ERROR_BAD_EXE_FORMAT},
        {"C:\\package\\broken.dll", ERROR_GEN_FAILURE},
        {"good.dll", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HMODULE module = LoadLibraryA(c.name);
        EXPECT_EQ(module != nullptr, c.error == 0);
        if (module == nullptr) {
            EXPECT_EQ(GetLastError(), c.error);
        } else {
            EXPECT_TRUE(FreeLibrary(module));
        }
    }
    m.directDraw.present = false;
    EXPECT_EQ(LoadLibraryA("DDRAW.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_TRUE(m.Unreleased().empty());
}

TEST_F(LibrariesTest, LoadCountsAndFreeingTooOften) {
    HMODULE first = LoadLibraryA("DDRAW.DLL");
    HMODULE second = LoadLibraryA("ddraw.dll");
    EXPECT_EQ(first, second);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(m.Unreleased(), std::vector<std::string>{"library DDRAW.DLL still loaded (1 load)"});
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(TakeErrors().size(), 1u);
    EXPECT_EQ(m.ledger.libraryLoads["DDRAW.DLL"], 2);
    EXPECT_EQ(m.ledger.libraryFrees["DDRAW.DLL"], 2);
}

TEST_F(LibrariesTest, DllRegisterServerIsCallableRunsTheComponentAndIsLoggedInOrder) {
    m.AddFile("C:\\Apps\\Quarvel\\1.50\\Quarvel.dll",
              sim::FileSpec{}.AsModule(sim::ModuleSpec{}.RegisterReturns(S_FALSE).OnRegister([](sim::Machine& mm) {
                  mm.Key(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.50");
              })));
    CoInitialize(nullptr);
    HMODULE component = LoadLibraryA("C:\\Apps\\Quarvel\\1.50\\Quarvel.dll");
    ASSERT_NE(component, nullptr);
    auto entry = EntryAs<RegisterServerProc>(GetProcAddress(component, "DllRegisterServer"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(), S_FALSE);
    CoUninitialize();

    EXPECT_TRUE(m.KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{LIB}\\1.50"));
    EXPECT_EQ(m.RegisterServerCalls("C:\\apps\\quarvel\\1.50\\quarvel.dll"), 1);
    EXPECT_EQ(m.calls, (std::vector<std::string>{
                           "CoInitialize -> 0x00000000",
                           "LoadLibraryA 'C:\\Apps\\Quarvel\\1.50\\Quarvel.dll' -> loaded",
                           "GetProcAddress 'C:\\Apps\\Quarvel\\1.50\\Quarvel.dll' 'DllRegisterServer' -> found",
                           "DllRegisterServer 'C:\\Apps\\Quarvel\\1.50\\Quarvel.dll' -> 0x00000001",
                           "CoUninitialize",
                       }));
    EXPECT_EQ(m.Unreleased(),
              std::vector<std::string>{"library C:\\Apps\\Quarvel\\1.50\\Quarvel.dll still loaded (1 load)"});
    EXPECT_TRUE(m.Unreleased({"quarvel.dll"}).empty());

    EXPECT_EQ(GetProcAddress(component, "DllUnregisterServer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    FreeLibrary(component);
    EXPECT_EQ(entry(), E_FAIL);
    EXPECT_EQ(TakeErrors().size(), 1u) << "calling into a freed library is reported";
}

TEST_F(LibrariesTest, ModuleWithoutRegisterServerAndCoUninitializeBelowZero) {
    m.AddFile("C:\\package\\Quarvel.dll", sim::FileSpec{}.AsModule(sim::ModuleSpec{}.WithoutRegisterServer()));
    HMODULE component = LoadLibraryA("Quarvel.dll");
    ASSERT_NE(component, nullptr);
    EXPECT_EQ(GetProcAddress(component, "DllRegisterServer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(component));

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(m.Unreleased(), std::vector<std::string>{"CoInitialize without CoUninitialize (depth 2)"});
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(TakeErrors().size(), 1u);
    EXPECT_EQ(m.ledger.coInitializeDepth, 0);
}

TEST_F(LibrariesTest, DirectInputOnlyOffersItsEntry) {
    HMODULE input = LoadLibraryA("DINPUT.DLL");
    ASSERT_NE(input, nullptr);
    EXPECT_NE(GetProcAddress(input, "DirectInputCreateA"), nullptr);
    EXPECT_EQ(GetProcAddress(input, "directinputcreatea"), nullptr) << "export names are case-sensitive";
    m.directInput.exportsCreateA = false;
    EXPECT_EQ(GetProcAddress(input, "DirectInputCreateA"), nullptr);
    EXPECT_TRUE(FreeLibrary(input));
}

// Walks DirectDraw the way a DirectX probe does; returns the interfaces that
// were offered, releasing everything on the way.
struct DirectDrawWalk {
    bool created = false, offers2 = false, surface = false, offers3 = false, offers4 = false;
};

DirectDrawWalk WalkDirectDraw() {
    DirectDrawWalk walk;
    HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
    auto create = EntryAs<DirectDrawCreateProc>(GetProcAddress(ddraw, "DirectDrawCreate"));
    IDirectDraw* dd = nullptr;
    if (create != nullptr && SUCCEEDED(create(nullptr, &dd, nullptr))) {
        walk.created = true;
        IDirectDraw2* dd2 = nullptr;
        if (SUCCEEDED(dd->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)))) {
            walk.offers2 = true;
            dd2->Release();
        }
        DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        IDirectDrawSurface* primary = nullptr;
        if (SUCCEEDED(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL)) &&
            SUCCEEDED(dd->CreateSurface(&desc, &primary, nullptr))) {
            walk.surface = true;
            IUnknown* later = nullptr;
            if (SUCCEEDED(primary->QueryInterface(IID_IDirectDrawSurface3, reinterpret_cast<void**>(&later)))) {
                walk.offers3 = true;
                later->Release();
            }
            if (SUCCEEDED(primary->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&later)))) {
                walk.offers4 = true;
                later->Release();
            }
            primary->Release();
        }
        dd->Release();
    }
    FreeLibrary(ddraw);
    return walk;
}

TEST_F(LibrariesTest, DirectDrawOffersWhatItIsToldAndRecordsTheRequests) {
    m.directDraw.successResult = 1;  // positive success codes are success too
    DirectDrawWalk full = WalkDirectDraw();
    EXPECT_TRUE(full.created && full.offers2 && full.surface && full.offers3 && full.offers4);
    EXPECT_TRUE(m.Unreleased().empty());

    const sim::DirectDrawRecord& seen = m.directDrawRecord;
    ASSERT_EQ(seen.creates.size(), 1u);
    EXPECT_EQ(seen.creates[0].guid, nullptr);
    EXPECT_EQ(seen.creates[0].outer, nullptr);
    EXPECT_EQ(seen.directDrawQueries, std::vector<std::string>{"IID_IDirectDraw2"});
    ASSERT_EQ(seen.cooperativeLevels.size(), 1u);
    EXPECT_EQ(seen.cooperativeLevels[0].window, nullptr);
    EXPECT_EQ(seen.cooperativeLevels[0].flags, static_cast<DWORD>(DDSCL_NORMAL));
    ASSERT_EQ(seen.surfaceRequests.size(), 1u);
    EXPECT_EQ(seen.surfaceRequests[0].size, sizeof(DDSURFACEDESC));
    EXPECT_EQ(seen.surfaceRequests[0].flags, static_cast<DWORD>(DDSD_CAPS));
    EXPECT_EQ(seen.surfaceRequests[0].caps, static_cast<DWORD>(DDSCAPS_PRIMARYSURFACE));
    EXPECT_TRUE(seen.surfaceRequests[0].otherBytesZero);
    EXPECT_EQ(seen.surfaceQueries, (std::vector<std::string>{"IID_IDirectDrawSurface3", "IID_IDirectDrawSurface4"}));
    EXPECT_EQ(m.ledger.comInterfacesHandedOut, 5);
}

TEST_F(LibrariesTest, DirectDrawRefusals) {
    m.directDraw.offersDirectDraw2 = false;
    m.directDraw.surfaceOffers4 = false;
    DirectDrawWalk walk = WalkDirectDraw();
    EXPECT_TRUE(walk.created && walk.surface && walk.offers3);
    EXPECT_FALSE(walk.offers2 || walk.offers4);

    m.directDraw.createSurfaceResult = DDERR_GENERIC;
    EXPECT_FALSE(WalkDirectDraw().surface);
    m.directDraw.createResult = DDERR_GENERIC;
    EXPECT_FALSE(WalkDirectDraw().created);
    m.directDraw.exportsCreate = false;
    EXPECT_FALSE(WalkDirectDraw().created);
    EXPECT_TRUE(m.Unreleased().empty());
}

TEST_F(LibrariesTest, DirectDrawMisuseIsReported) {
    HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
    auto create = EntryAs<DirectDrawCreateProc>(GetProcAddress(ddraw, "DirectDrawCreate"));
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(create(nullptr, &dd, nullptr), DD_OK);

    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(surface, nullptr);

    IDirectDraw2* dd2 = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)), DD_OK);
    EXPECT_EQ(dd2->Release(), 0u);
    EXPECT_EQ(dd2->Release(), 0u);
    EXPECT_EQ(TakeErrors().size(), 1u) << "each interface has its own count";

    FreeLibrary(ddraw);
    EXPECT_EQ(TakeErrors().size(), 1u) << "unloading DDRAW.DLL under a live object";
    EXPECT_EQ(m.Unreleased(), std::vector<std::string>{"IDirectDraw not released (1 reference)"});
    dd->Release();
}

}  // namespace
