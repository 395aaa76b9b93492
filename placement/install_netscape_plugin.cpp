// Copies the Netscape plug-in files into the plug-in folder of the current
// Netscape Navigator version and of the current Netscape 6 version.
#include "placement/placement.h"

#include <string.h>

#include "installer/text_buffer.h"

enum { TextSize = MAX_PATH, VersionNameSize = 261, VersionCapacity = 10 };

static const char NavigatorKey[] = "Software\\Netscape\\Netscape Navigator\\";
static const char Netscape6Key[] = "Software\\Netscape\\Netscape 6\\";
static const char PluginLibrary[] = "NPKestrix.dll";
static const char PluginClass[] = "NPKestrix.class";
static const char NavigatorLibraryPath[] = "\\NPKestrix.dll";
static const char NavigatorClassPath[] = "\\NPKestrix.class";
static const char Netscape6LibraryPath[] = "\\Plugins\\NPKestrix.dll";
static const char Netscape6ClassPath[] = "\\Plugins\\NPKestrix.class";

struct VersionTable {
    char names[VersionCapacity][VersionNameSize];
    int count;
};

// Reads a text value into a buffer of TextSize bytes. Data that fills the
// buffer without a terminator counts as a value that could not be read.
static bool ReadRegistryText(HKEY key, const char* valueName, char* text)
{
    DWORD size = TextSize;
    if (RegQueryValueExA(key, valueName, NULL, NULL, reinterpret_cast<LPBYTE>(text), &size) !=
        ERROR_SUCCESS)
        return false;
    if (size < TextSize) {
        text[size] = '\0';
        return true;
    }
    return IsTerminated(text, TextSize);
}

// Version subkeys are the ones whose names begin with a digit from 1 to 8.
static void CollectVersions(HKEY root, VersionTable* table)
{
    char name[TextSize];
    table->count = 0;
    for (DWORD index = 0; RegEnumKeyA(root, index, name, sizeof name) == ERROR_SUCCESS; index++) {
        if (name[0] < '1' || name[0] > '8')
            continue;
        if (table->count == VersionCapacity) {
            MessageBoxA(NULL, "Installations error, too much Netscape", "Quarvel Install", MB_OK);
            continue;
        }
        CopyText(table->names[table->count++], VersionNameSize, name);
    }
}

// The entry that "CurrentVersion" names, or the first one.
static int ChooseVersion(HKEY root, const VersionTable* table)
{
    char current[TextSize];
    int chosen = 0;
    if (!ReadRegistryText(root, "CurrentVersion", current))
        return chosen;
    for (int i = 0; i < table->count; i++) {
        if (strcmp(current, table->names[i]) == 0)
            chosen = i;
    }
    return chosen;
}

// Finds the browser's current version under its open root key, closes the
// root key, and opens the version's Main key. A version name too long for the
// key path counts as a version without a Main key.
static bool OpenCurrentMainKey(HKEY root, const char* rootPath, HKEY* mainKey)
{
    VersionTable table;
    CollectVersions(root, &table);
    int chosen = ChooseVersion(root, &table);
    RegCloseKey(root);
    if (table.count == 0)
        return false;

    char keyPath[TextSize];
    CopyText(keyPath, sizeof keyPath, rootPath);
    if (!AppendText(keyPath, sizeof keyPath, table.names[chosen]) ||
        !AppendText(keyPath, sizeof keyPath, "\\Main"))
        return false;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, mainKey) == ERROR_SUCCESS;
}

// Reads the plug-in folder from the Main key and closes the key. A folder too
// long to hold the longer of the two destinations counts as missing.
static bool ReadPluginFolder(HKEY mainKey, const char* valueName, const char* longestSuffix,
                             char* folder)
{
    bool read = ReadRegistryText(mainKey, valueName, folder);
    RegCloseKey(mainKey);
    return read && strlen(folder) + strlen(longestSuffix) < TextSize;
}

static bool InstallPluginFile(const char* folder, const char* source, const char* suffix)
{
    char destination[TextSize];
    CopyText(destination, sizeof destination, folder);
    AppendText(destination, sizeof destination, suffix);
    return InstallFile(source, destination);
}

static bool InstallForNavigator()
{
    HKEY root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NavigatorKey, 0, KEY_READ, &root) != ERROR_SUCCESS) {
        InstallState.pluginStatus = NavigatorNotFound;
        return true;
    }
    HKEY mainKey;
    if (!OpenCurrentMainKey(root, NavigatorKey, &mainKey))
        return true;
    char folder[TextSize];
    if (!ReadPluginFolder(mainKey, "Plugins Directory", NavigatorClassPath, folder))
        return true;

    bool result = true;
    if (!InstallPluginFile(folder, PluginLibrary, NavigatorLibraryPath))
        result = false;
    if (!InstallPluginFile(folder, PluginClass, NavigatorClassPath))
        result = false;
    return result;
}

// Once Netscape 6 is found, its pass alone decides the result.
static bool InstallForNetscape6(bool navigatorResult)
{
    HKEY root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Netscape6Key, 0, KEY_READ, &root) != ERROR_SUCCESS)
        return navigatorResult;

    bool result = true;
    HKEY mainKey;
    char folder[TextSize];
    if (!OpenCurrentMainKey(root, Netscape6Key, &mainKey)) {
        result = false;
    } else if (ReadPluginFolder(mainKey, "Install Directory", Netscape6ClassPath, folder)) {
        if (!InstallPluginFile(folder, PluginLibrary, Netscape6LibraryPath))
            result = false;
        if (!InstallPluginFile(folder, PluginClass, Netscape6ClassPath))
            result = false;
    }

    if (!result)
        MessageBoxA(NULL,
                    "Failed to install Quarvel for Netscape Navigator 6\n"
                    "(You may get this if you have tried to uninstall Netscape Navigator6)",
                    "Quarvel Install", MB_OK);
    return result;
}

bool InstallNetscapePlugin()
{
    bool navigatorResult = InstallForNavigator();
    return InstallForNetscape6(navigatorResult);
}
