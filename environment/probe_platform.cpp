// Finds the Windows family and the installed DirectX level by trying what the
// DirectDraw and DirectInput libraries of successive DirectX releases offer.
// Nothing is shown to the user; failures leave a trace line for a developer.
#include "environment/environment.h"

#include <string.h>

typedef HRESULT(WINAPI* DirectDrawCreateEntry)(GUID* driver, LPDIRECTDRAW* directDraw,
                                               IUnknown* outer);

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA keeps its Win32 size");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(DDSURFACEDESC) == 108, "DDSURFACEDESC keeps its Win32 size");
#endif

static bool DirectInputPresent()
{
    HMODULE directInput = LoadLibraryA("DINPUT.DLL");
    if (directInput == NULL) {
        OutputDebugStringA("Couldn't LoadLibrary DInput\r\n");
        return false;
    }
    FARPROC create = GetProcAddress(directInput, "DirectInputCreateA");
    FreeLibrary(directInput);
    if (create == NULL) {
        OutputDebugStringA("Couldn't GetProcAddress DInputCreate\r\n");
        return false;
    }
    return true;
}

static void ReleaseDirectDraw(LPDIRECTDRAW directDraw, HMODULE library)
{
    directDraw->Release();
    FreeLibrary(library);
}

static void ReleaseSurface(LPDIRECTDRAWSURFACE surface, LPDIRECTDRAW directDraw, HMODULE library)
{
    surface->Release();
    ReleaseDirectDraw(directDraw, library);
}

// Climbs the ladder DirectX1, 2, 3, 5, 6 on DirectDraw and DirectInput.
static void ProbeDirectDraw(DirectXLevel* level, OsFamily* family)
{
    HMODULE library = LoadLibraryA("DDRAW.DLL");
    if (library == NULL) {
        *level = DirectXNone;
        *family = OsNone;
        OutputDebugStringA("Couldn't LoadLibrary DDraw\r\n");
        return;
    }

    FARPROC entry = GetProcAddress(library, "DirectDrawCreate");
    if (entry == NULL) {
        *level = DirectXNone;
        *family = OsNone;
        FreeLibrary(library);
        OutputDebugStringA("Couldn't GetProcAddress DDrawCreate\r\n");
        return;
    }
    // FARPROC is the generic entry type; the cast goes through a plain
    // function pointer type, which every function pointer converts to.
    DirectDrawCreateEntry directDrawCreate =
        reinterpret_cast<DirectDrawCreateEntry>(reinterpret_cast<void (*)()>(entry));

    LPDIRECTDRAW directDraw = NULL;
    if (FAILED(directDrawCreate(NULL, &directDraw, NULL))) {
        *level = DirectXNone;
        *family = OsNone;
        FreeLibrary(library);
        OutputDebugStringA("Couldn't create DDraw\r\n");
        return;
    }

    *level = DirectX1;
    IDirectDraw2* directDraw2 = NULL;
    if (FAILED(directDraw->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&directDraw2)))) {
        ReleaseDirectDraw(directDraw, library);
        OutputDebugStringA("Couldn't QI DDraw2\r\n");
        return;
    }
    directDraw2->Release();
    *level = DirectX2;

    if (!DirectInputPresent()) {
        ReleaseDirectDraw(directDraw, library);
        return;
    }
    *level = DirectX3;

    DDSURFACEDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;

    if (FAILED(directDraw->SetCooperativeLevel(NULL, DDSCL_NORMAL))) {
        ReleaseDirectDraw(directDraw, library);
        *level = DirectXNone;
        OutputDebugStringA("Couldn't Set coop level\r\n");
        return;
    }

    LPDIRECTDRAWSURFACE surface = NULL;
    if (FAILED(directDraw->CreateSurface(&description, &surface, NULL))) {
        ReleaseDirectDraw(directDraw, library);
        *level = DirectXNone;
        OutputDebugStringA("Couldn't CreateSurface\r\n");
        return;
    }

    IDirectDrawSurface3* surface3 = NULL;
    if (FAILED(surface->QueryInterface(IID_IDirectDrawSurface3, reinterpret_cast<void**>(&surface3)))) {
        ReleaseSurface(surface, directDraw, library);
        return;
    }
    surface3->Release();
    *level = DirectX5;

    IDirectDrawSurface4* surface4 = NULL;
    if (FAILED(surface->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&surface4)))) {
        ReleaseSurface(surface, directDraw, library);
        return;
    }
    surface4->Release();
    *level = DirectX6;
    ReleaseSurface(surface, directDraw, library);
}

void ProbePlatform(DirectXLevel* level, OsFamily* family)
{
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        *level = DirectXNone;
        *family = OsNone;
        return;
    }

    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        *family = OsWindowsNT;
        if (version.dwMajorVersion < 4) {
            *family = OsNone;
            return;
        }
        if (version.dwMajorVersion == 4) {
            // DirectDraw is not probed on NT 4: its DirectX stops at level 3.
            *level = DirectX2;
            if (DirectInputPresent())
                *level = DirectX3;
            return;
        }
    } else {
        *family = OsWindows9x;
    }
    ProbeDirectDraw(level, family);
}
