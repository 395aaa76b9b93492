// The simulated machine's private state and helpers, shared by the files of
// sim/ that define the Win32 functions. Tests use machine.h only.
#ifndef QUARVEL_SIM_INTERNAL_H
#define QUARVEL_SIM_INTERNAL_H

#include "machine.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// ---- Text helpers ----------------------------------------------------------
std::string Upper(const std::string& text);
bool EqualNoCase(const std::string& a, const std::string& b);
std::string Quote(const char* text);  // 'text' with \r \n escaped, or NULL
std::string Hex(DWORD value);          // 0x0000001F
std::string HResultText(HRESULT hr);   // 0x80004005
std::string ErrorSuffix(BOOL ok, DWORD error);  // "" or " (5)"

// ---- Paths -----------------------------------------------------------------
struct ResolvedPath {
    std::vector<std::string> parts;  // the drive ("C:") and then each name
    std::string display;             // "C:\Program Files\Quarvel"
    std::string key;                 // upper-case display, root as "C:"
    std::string parentKey;           // empty for a drive root
    std::string parentDisplay;
    std::string name;                // last component ("" for a root)
    bool IsRoot() const { return parts.size() == 1; }
};

// Resolves a Win32 path; on failure returns nullopt and sets *error to the
// code Windows gives (ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME,
// ERROR_FILENAME_EXCED_RANGE).
std::optional<ResolvedPath> ResolvePath(const std::string& currentDirectory, const std::string& path,
                                        DWORD* error, std::size_t maxLength = MAX_PATH);

// ---- COM objects -----------------------------------------------------------
// Every COM interface that the machine hands out has its own reference count
// and stays in memory until the machine ends, so that a call on a released
// interface is reported instead of touching freed memory.
struct ComCounted {
    std::string interfaceName;  // "IDirectDraw", "IDirectDrawSurface3"...
    ULONG refs = 1;
    virtual ~ComCounted() = default;
};

// ---- Machine internals -----------------------------------------------------
struct FileEntry {
    std::string display;
    FileSpec spec;
};

struct FolderEntry {
    std::string display;
    FolderSpec spec;
};

struct KeyHandle {
    std::shared_ptr<RegKey> key;
    REGSAM access;
    bool open;
};

struct FileHandle {
    std::string display;
    bool open;
};

enum class ModuleKind { DirectDraw, DirectInput, File };

struct LoadedModule {
    ModuleKind kind;
    std::string name;     // "DDRAW.DLL", or the file's full path
    std::string fileKey;  // key of the file, for File modules
    HMODULE handle;
    int loadCount = 0;
    int registerServerCalls = 0;
    bool staysLoaded = false;
};

struct DialogState {
    HWND window;
    bool ended = false;
    INT_PTR result = 0;
};

struct Machine::Internals {
    std::shared_ptr<RegKey> hklm;
    std::shared_ptr<RegKey> hkcr;
    std::map<HKEY, KeyHandle> keyHandles;

    std::map<std::string, FolderEntry> folders;  // by key
    std::map<std::string, FileEntry> files;      // by key
    std::map<std::string, int> holds;            // file key -> attempts left (-1: until released)
    std::map<std::string, std::deque<DWORD>> scriptedCopyErrors;  // file key -> next copy errors
    std::map<HANDLE, FileHandle> fileHandles;
    std::map<const void*, std::size_t> versionBlocks;  // block written -> bytes written

    std::map<std::string, LoadedModule> modules;  // by upper-case module name
    std::vector<std::string> exportSlots;         // trampoline slot -> module key

    std::vector<std::unique_ptr<ComCounted>> comObjects;

    std::vector<DialogState> dialogs;  // open dialogs, innermost last

    uintptr_t nextHandle = 0x100;
    uintptr_t nextModule = 0x10000000;
    uintptr_t nextWindow = 0x00010010;

    HANDLE NewHandle() {
        HANDLE h = reinterpret_cast<HANDLE>(nextHandle);
        nextHandle += 4;
        return h;
    }
};

// Where a Win32 path leads on the current machine.
struct Located {
    std::optional<ResolvedPath> path;
    DWORD error = 0;                      // why the path could not be resolved
    FileEntry* file = nullptr;            // the file it names
    FolderEntry* folder = nullptr;        // the folder it names
    FolderEntry* parentFolder = nullptr;  // the folder that holds or would hold it
};
Located Locate(Machine& m, const char* name, std::size_t maxLength = MAX_PATH);

// Short helpers on the current machine.
void Log(const std::string& line);
void Fail(const std::string& message);  // the current machine's error hook
void SetError(DWORD error);

// Registry helpers shared with the machine's test API.
std::shared_ptr<RegKey> RootKey(Machine& m, HKEY root);
std::string RootName(HKEY root);
bool IsPredefinedKey(HKEY key);
std::vector<std::string> SplitKeyPath(const std::string& path, bool* valid);

// The file module that a loaded module record stands for (nullptr if gone).
const ModuleSpec* FileModuleSpec(Machine& m, const LoadedModule& module);

// Pointers to the exported entries.
FARPROC DirectDrawCreateEntry();
FARPROC DirectInputCreateEntry();
FARPROC ExportSlotEntry(std::size_t slot);
std::size_t ExportSlotCount();

// COM objects alive that came from "DDRAW.DLL".
int DirectDrawObjectsAlive(Machine& m);

}  // namespace sim

#endif
