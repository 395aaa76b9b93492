// Version, display and debugger output of the simulated machine.
#include "internal.h"

#include <cstring>

using sim::Current;
using sim::Fail;
using sim::Log;
using sim::Quote;
using sim::SetError;

BOOL GetVersionExA(LPOSVERSIONINFOA versionInformation) {
    sim::Machine& m = Current();
    if (versionInformation == nullptr) {
        Fail("GetVersionExA: null record");
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD error = 0;
    if (versionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        error = ERROR_INVALID_PARAMETER;
    } else if (!m.version) {
        error = ERROR_GEN_FAILURE;
    }
    if (error != 0) {
        Log("GetVersionExA -> 0 (" + std::to_string(error) + ")");
        SetError(error);
        return FALSE;
    }
    versionInformation->dwMajorVersion = m.version->major;
    versionInformation->dwMinorVersion = m.version->minor;
    versionInformation->dwBuildNumber = m.version->build;
    versionInformation->dwPlatformId = m.version->platformId;
    std::memset(versionInformation->szCSDVersion, 0, sizeof versionInformation->szCSDVersion);
    Log("GetVersionExA -> 1");
    return TRUE;
}

BOOL EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNum, DEVMODEA* devMode) {
    sim::Machine& m = Current();
    if (devMode == nullptr) {
        Fail("EnumDisplaySettingsA: null record");
        return FALSE;
    }
    if (deviceName != nullptr || modeNum != ENUM_CURRENT_SETTINGS) {
        Fail("EnumDisplaySettingsA: only the current settings of the display the program runs on are modelled");
        return FALSE;
    }
    if (devMode->dmDriverExtra != 0) {
        // The caller's record has no room for driver-private data after it.
        Fail("EnumDisplaySettingsA: dmDriverExtra is " + std::to_string(devMode->dmDriverExtra) + ", not 0");
        return FALSE;
    }
    std::optional<DWORD> depth;
    if (!m.displayDepths.empty()) {
        std::size_t index = static_cast<std::size_t>(m.displayQueries);
        if (index >= m.displayDepths.size()) {
            index = m.displayDepths.size() - 1;
        }
        depth = m.displayDepths[index];
    }
    ++m.displayQueries;
    if (devMode->dmSize != sizeof(DEVMODEA) || !depth) {
        Log("EnumDisplaySettingsA -> 0");
        return FALSE;
    }
    devMode->dmFields = 0x00040000 /* DM_BITSPERPEL */ | 0x00080000 /* DM_PELSWIDTH */ |
                        0x00100000 /* DM_PELSHEIGHT */ | 0x00400000 /* DM_DISPLAYFREQUENCY */;
    devMode->dmBitsPerPel = *depth;
    devMode->dmPelsWidth = 800;
    devMode->dmPelsHeight = 600;
    devMode->dmDisplayFrequency = 60;
    Log("EnumDisplaySettingsA -> 1 (" + std::to_string(*depth) + " bits per pixel)");
    return TRUE;
}

void OutputDebugStringA(LPCSTR outputString) {
    sim::Machine& m = Current();
    const std::string text = outputString ? outputString : "";
    m.debugOutput.push_back(text);
    Log("OutputDebugStringA " + Quote(text.c_str()));
}
