// Installs the COM component: the versioned install folder under Program
// Files, the support library and the component, the component's own
// registration, and the removal of the old type library's version 1.0 keys.
#include "placement/placement.h"

#include <string.h>

#include "installer/text_buffer.h"

enum { FolderSize = MAX_PATH, DestinationSize = 256, MessageSize = 256 };

static const char SupportLibraryFile[] = "tqm408k.dll";
static const char ComponentFile[] = "Quarvel.dll";
static const char ProductSubfolder[] = "\\Quarvel\\";
static const char VersionSubfolder[] = "1.50\\";
static const char FallbackProductFolder[] = "C:\\program\\Quarvel\\";

// The longest install folder that still leaves room in a destination buffer
// for either file name and the terminator.
enum { InstallFolderLimit = DestinationSize - 1 - (sizeof SupportLibraryFile - 1) };

// Reads "ProgramFilesDir" into folder and appends the product folder. A value
// without a terminator, or one too long to hold the install folder and its
// files, is treated as a value that could not be read.
static void ReadProductFolder(char* folder)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return;

    DWORD size = FolderSize;
    LONG result = RegQueryValueExA(key, "ProgramFilesDir", NULL, NULL,
                                   reinterpret_cast<LPBYTE>(folder), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || !IsTerminated(folder, FolderSize) ||
        strlen(folder) + strlen(ProductSubfolder) + strlen(VersionSubfolder) > InstallFolderLimit) {
        memset(folder, 0, FolderSize);
        return;
    }
    AppendText(folder, FolderSize, ProductSubfolder);
}

static bool ShowFolderMessage(const char* installFolder)
{
    char message[MessageSize];
    if (InstallState.osFamily == OsWindowsNT)
        FormatText(message, sizeof message,
                   "Can't create directory %s.\nYou must be logged on as administrator on windows NT",
                   installFolder);
    else
        FormatText(message, sizeof message, "Can't create directory %s.\n", installFolder);
    MessageBoxA(NULL, message, "Quarvel Install", MB_OK);
    return false;
}

// Makes the product folder and the install folder below it; a folder that
// already exists is as good as one just made.
static bool MakeInstallFolder(char* folder)
{
    bool productFailed = false;
    DWORD productError = ERROR_SUCCESS;
    if (!CreateDirectoryA(folder, NULL)) {
        productFailed = true;
        productError = GetLastError();
    }

    AppendText(folder, FolderSize, VersionSubfolder);
    DWORD error;
    if (CreateDirectoryA(folder, NULL)) {
        if (!productFailed)
            return true;
        error = productError;
    } else {
        error = GetLastError();
    }
    if (error == ERROR_ALREADY_EXISTS)
        return true;
    return ShowFolderMessage(folder);
}

static bool FailRegistration(const char* message)
{
    MessageBoxA(NULL, message, "Quarvel install", MB_OK);
    CoUninitialize();
    return false;
}

// Loads the installed component and calls its DllRegisterServer. The
// component stays loaded until the program ends.
static bool RegisterComponent(const char* componentPath)
{
    char message[MessageSize];
    CoInitialize(NULL);

    HMODULE component = LoadLibraryA(componentPath);
    if (component == NULL) {
        DWORD error = GetLastError();
        if (error == ERROR_GEN_FAILURE || error == ERROR_PROC_NOT_FOUND)
            FormatText(message, sizeof message,
                       "LoadLibrary() Failed with: %i\n"
                       "Quarvel uses components distributed with IE4 and later",
                       static_cast<int>(error));
        else
            FormatText(message, sizeof message, "LoadLibrary() Failed with: %i",
                       static_cast<int>(error));
        return FailRegistration(message);
    }

    FARPROC entry = GetProcAddress(component, "DllRegisterServer");
    if (entry == NULL) {
        FormatText(message, sizeof message, "GetProcAddress() Failed with %i",
                   static_cast<int>(GetLastError()));
        return FailRegistration(message);
    }

    typedef HRESULT(WINAPI * RegisterServerEntry)();
    RegisterServerEntry registerServer =
        reinterpret_cast<RegisterServerEntry>(reinterpret_cast<void (*)()>(entry));
    if (FAILED(registerServer()))
        return FailRegistration("DLLRegisterServer() Failed");

    CoUninitialize();
    return true;
}

// Deletes a subkey of parent through its own handle, then by name.
static void DeleteSubkey(HKEY parent, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, "");
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name);
}

// Removes the version key's subkeys before the key itself, so that a system
// which deletes only keys without subkeys removes it too.
static void DeleteTypeLibraryVersion(HKEY library)
{
    HKEY version;
    if (RegOpenKeyExA(library, "1.0", 0, KEY_WRITE, &version) == ERROR_SUCCESS) {
        DeleteSubkey(version, "HELPDIR");
        DeleteSubkey(version, "FLAGS");
        HKEY locale;
        if (RegOpenKeyExA(version, "0", 0, KEY_WRITE, &locale) == ERROR_SUCCESS) {
            DeleteSubkey(locale, "win32");
            RegCloseKey(locale);
        }
        RegDeleteKeyA(version, "0");
        RegDeleteKeyA(version, "");
        RegCloseKey(version);
    }
    RegDeleteKeyA(library, "1.0");
}

static void RemoveOldTypeLibrary()
{
    HKEY typeLibraries;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib", 0, KEY_WRITE, &typeLibraries) != ERROR_SUCCESS)
        return;
    HKEY library;
    if (RegOpenKeyExA(typeLibraries, "{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}", 0, KEY_WRITE,
                      &library) == ERROR_SUCCESS) {
        DeleteTypeLibraryVersion(library);
        RegCloseKey(library);
    }
    RegCloseKey(typeLibraries);
}

bool InstallComponent()
{
    char folder[FolderSize];
    memset(folder, 0, sizeof folder);
    ReadProductFolder(folder);
    if (folder[0] == '\0')
        CopyText(folder, sizeof folder, FallbackProductFolder);

    if (!MakeInstallFolder(folder))
        return false;

    char supportLibrary[DestinationSize];
    char component[DestinationSize];
    memset(supportLibrary, 0, sizeof supportLibrary);
    memset(component, 0, sizeof component);
    CopyText(supportLibrary, sizeof supportLibrary, folder);
    AppendText(supportLibrary, sizeof supportLibrary, SupportLibraryFile);
    CopyText(component, sizeof component, folder);
    AppendText(component, sizeof component, ComponentFile);

    if (!InstallFile(SupportLibraryFile, supportLibrary))
        return false;
    if (!InstallFile(ComponentFile, component))
        return false;

    if (!RegisterComponent(component))
        return false;
    RemoveOldTypeLibrary();
    return true;
}
