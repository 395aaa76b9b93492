// The simulated Windows machine that the host build of the set-up program
// runs on. Every Win32 function declared in platform/host_win32.h is defined
// in sim/ and answers from the machine that is current (sim::Current()).
//
// A test builds one machine, describes the Windows it wants, runs the
// program (or one step of it) and then reads what the machine holds:
//
//   sim::Machine m;
//   m.version = sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 4, 0, 1381};
//   m.AddFolder("C:\\Program Files");
//   m.Key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")
//       .SetString("ProgramFilesDir", "C:\\Program Files");
//   m.AddFile("C:\\package\\Quarvel.dll",
//             sim::FileSpec{}.WithVersion(1, 50, 0, 0).AsModule(sim::ModuleSpec{}));
//   m.user.Answer(IDRETRY, [&] { m.ReleaseFile("C:\\x\\Quarvel.dll"); });
//   ...
//   EXPECT_TRUE(m.Unreleased({"Quarvel.dll"}).empty());
//
// Choices the model makes (where Windows leaves a value open or differs
// between versions, the model takes the answer that is hardest on a caller):
//
// General
// - One machine is current at a time; constructing a second one throws
//   std::logic_error. A Win32 call with no current machine aborts.
// - Failing calls set the last error as Windows does; successful calls leave
//   it alone. Misuse that would crash or corrupt a real process (double close,
//   release beyond zero, a null out-pointer, calling into a freed library) is
//   reported at once through the error hook: every report is appended to
//   `errors`, then handed to `onError` if set, otherwise printed to stderr.
// - `calls` logs the significant calls with arguments and results, in order.
//
// Files and folders
// - Paths are case-insensitive; '\' and '/' both separate; repeated
//   separators collapse, "." and ".." are resolved; a path that starts with
//   '\' names the current drive; other relative paths resolve against
//   `currentDirectory` (default "C:\package"). UNC paths are not modelled.
// - A new machine has the folders C:\ and C:\package and nothing else.
//   AddFolder and AddFile create missing parent folders; the program's own
//   calls never do (CreateDirectoryA makes the last folder only).
// - A path of MAX_PATH characters or more (248 for CreateDirectoryA) fails
//   with ERROR_FILENAME_EXCED_RANGE (206); characters that Windows forbids in
//   names fail with ERROR_INVALID_NAME (123).
// - CopyFileA checks, in this order: source missing (2; 3 if its folder is
//   missing; 5 if it is a folder), destination folder missing (3),
//   destination is a folder (5), failIfExists on an existing file (80),
//   destination held by another program or loaded as a module (32),
//   destination folder denyWrite (5), destination read-only or hidden (5);
//   a file copied onto itself gives 32. Each attempt onto a held file uses
//   up one of its held attempts. A copy takes contents, version, module and
//   attributes of the source.
// - CreateDirectoryA checks: a forced failure (createDirectoryFailures), an
//   existing folder or file (183), a missing parent (3), a denyWrite parent
//   (5). SetFileAttributesA changes files only; a denyWrite folder stays
//   closed whatever the attributes of its files.
// - CreateFileA(OPEN_EXISTING) on a missing file fails with 2, with 3 when
//   its folder is missing, with 5 on a folder.
// - A version block from GetFileVersionInfoA is the model's own layout with
//   the VS_FIXEDFILEINFO at offset 40 (as in a real block); without fixed
//   information VerQueryValueA(block, "\\") returns TRUE with length 0 and a
//   pointer to unrelated bytes, unless the file says the query fails.
//
// Registry
// - HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are separate trees. Key and
//   value names compare case-insensitively; subkeys enumerate in the order in
//   which they were created.
// - A failed RegOpenKeyExA sets *result to NULL.
// - Access is checked on every system: RegQueryValueExA needs
//   KEY_QUERY_VALUE, RegEnumKeyA KEY_ENUMERATE_SUB_KEYS, RegDeleteKeyA a
//   handle opened with a write right (KEY_SET_VALUE, KEY_CREATE_SUB_KEY or
//   DELETE); a key with `refuseWrite` refuses such opens and its deletion.
// - RegQueryValueExA into a buffer that is too small returns ERROR_MORE_DATA
//   and fills the whole buffer with 0xCD (no terminator). RegEnumKeyA with a
//   name too long for the buffer does the same.
// - RegDeleteKeyA of a key with subkeys: `deleteBehaviour`, when not set,
//   follows the version: NT (refused with 5) on VER_PLATFORM_WIN32_NT,
//   Win9x (the whole subtree goes) on every other platform or no version.
// - A handle to a deleted key can still be closed; other calls on it fail
//   with ERROR_KEY_DELETED (1018).
//
// Libraries and COM
// - LoadLibraryA with a bare name looks first at the system libraries
//   "DDRAW.DLL" and "DINPUT.DLL", then in the current directory; a name
//   without an extension gets ".DLL". A file loaded as a module cannot be
//   copied over (32) while it stays loaded.
// - DirectDraw operations return `successResult` when they succeed; each
//   `...Result` field decides only whether the operation fails (a failed
//   code is returned as it is). Every interface handed out has its own
//   reference count, as DirectDraw's interfaces have.
// - CreateSurface before a successful SetCooperativeLevel fails with
//   DDERR_NOCOOPERATIVELEVELSET, and with DDERR_INVALIDPARAMS when dwSize is
//   not sizeof(DDSURFACEDESC).
//
// User
// - MessageBoxA and DialogBoxParamA take the next scripted answer; the
//   answer must be a button of the box (0, "could not be shown", always
//   fits). With no answer left the error hook is told and the box returns 0
//   (a dialog returns -1). A box that returns 0 sets the last error to
//   ERROR_NOT_ENOUGH_MEMORY (8).
// - LoadStringA with an unknown id empties the buffer and sets 1814.
#ifndef QUARVEL_SIM_MACHINE_H
#define QUARVEL_SIM_MACHINE_H

#include "host_win32.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Further Win32 values that only the model and the tests use.
#ifndef ERROR_NOT_ENOUGH_MEMORY
#define ERROR_NOT_ENOUGH_MEMORY 8L
#endif
#ifndef ERROR_FILE_EXISTS
#define ERROR_FILE_EXISTS 80L
#endif
#ifndef ERROR_INVALID_NAME
#define ERROR_INVALID_NAME 123L
#endif
#ifndef ERROR_BAD_EXE_FORMAT
#define ERROR_BAD_EXE_FORMAT 193L
#endif
#ifndef ERROR_FILENAME_EXCED_RANGE
#define ERROR_FILENAME_EXCED_RANGE 206L
#endif
#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif
#ifndef E_INVALIDARG
#define E_INVALIDARG ((HRESULT)0x80070057L)
#endif
#ifndef DDERR_INVALIDPARAMS
#define DDERR_INVALIDPARAMS E_INVALIDARG
#endif
#ifndef DDERR_NOCOOPERATIVELEVELSET
#define DDERR_NOCOOPERATIVELEVELSET ((HRESULT)0x887600D4L)
#endif
#ifndef DDERR_GENERIC
#define DDERR_GENERIC E_FAIL
#endif
#ifndef DELETE
#define DELETE 0x00010000L
#endif

namespace sim {

class Machine;

// The machine that the Win32 functions act on. Aborts when there is none.
Machine& Current();

// ---- Windows version -------------------------------------------------------
struct WindowsVersion {
    DWORD platformId;
    DWORD major;
    DWORD minor;
    DWORD build;
};

// ---- Program module resources ----------------------------------------------
// Filled by the program's resource glue; the model only serves them.
struct DialogControl {
    std::string className;
    std::string text;
    int pictureId;
    int id;
    int x, y, cx, cy;
    DWORD style;
};
struct DialogTemplate {
    std::string caption;
    std::string fontName;
    int pointSize;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;
    std::vector<DialogControl> controls;
};
struct ProgramModule {
    std::map<UINT, std::string> strings;
    std::map<UINT, DialogTemplate> dialogs;
};

// The program's own module handle: the instance that LoadStringA and
// DialogBoxParamA accept.
HINSTANCE ProgramInstance();

// ---- Files -----------------------------------------------------------------
struct FileVersion {
    WORD major, minor, build, revision;
};

enum class VersionInfo {
    None,                   // GetFileVersionInfoA fails with 1813
    Fixed,                  // a block with a VS_FIXEDFILEINFO
    WithoutFixedInfo,       // a block whose root query gives TRUE and length 0
    WithoutFixedInfoFails,  // a block whose root query returns FALSE
};

// A loadable module: what LoadLibraryA and GetProcAddress find in a file.
struct ModuleSpec {
    DWORD loadError = 0;                // non-zero: LoadLibraryA fails with it
    bool exportsRegisterServer = true;  // exports "DllRegisterServer"
    HRESULT registerResult = S_OK;      // what DllRegisterServer returns
    std::function<void(Machine&)> onRegisterServer;  // run inside the call
    bool staysLoaded = false;           // not listed by Unreleased()

    ModuleSpec& FailsToLoad(DWORD error) { loadError = error; return *this; }
    ModuleSpec& WithoutRegisterServer() { exportsRegisterServer = false; return *this; }
    ModuleSpec& RegisterReturns(HRESULT hr) { registerResult = hr; return *this; }
    ModuleSpec& OnRegister(std::function<void(Machine&)> f) { onRegisterServer = std::move(f); return *this; }
    ModuleSpec& StaysLoaded() { staysLoaded = true; return *this; }
};

// A file: what tests put on the machine, and what the machine holds.
struct FileSpec {
    std::string contents;
    VersionInfo versionInfo = VersionInfo::None;
    FileVersion version{0, 0, 0, 0};      // used when versionInfo is Fixed
    std::size_t versionBlockSize = 760;   // bytes in the whole version block
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    std::optional<ModuleSpec> module;

    FileSpec& WithContents(std::string text) { contents = std::move(text); return *this; }
    FileSpec& WithVersion(WORD major, WORD minor, WORD build, WORD revision) {
        versionInfo = VersionInfo::Fixed;
        version = FileVersion{major, minor, build, revision};
        return *this;
    }
    FileSpec& WithVersionBlockWithoutFixedInfo(bool rootQueryFails = false) {
        versionInfo = rootQueryFails ? VersionInfo::WithoutFixedInfoFails : VersionInfo::WithoutFixedInfo;
        return *this;
    }
    FileSpec& WithVersionBlockSize(std::size_t bytes) { versionBlockSize = bytes; return *this; }
    FileSpec& WithAttributes(DWORD attrs) { attributes = attrs; return *this; }
    FileSpec& AsModule(ModuleSpec spec) { module = std::move(spec); return *this; }
};

struct FolderSpec {
    bool denyWrite = false;  // creating files or folders in it fails with 5
};

struct CopyAttempt {
    std::string source;       // as the caller passed them
    std::string destination;
    bool failIfExists;
    BOOL result;
    DWORD error;              // 0 on success
};

struct AttributeChange {
    std::string path;  // as the caller passed it
    DWORD attributes;
    BOOL result;
};

// ---- Registry --------------------------------------------------------------
struct RegValue {
    DWORD type;
    std::string data;  // the raw bytes, terminator included if stored
};

class RegKey {
public:
    // Test API. Values and subkeys are created or replaced.
    RegKey& SetString(const std::string& name, const std::string& text);  // REG_SZ, text + NUL
    RegKey& SetValue(const std::string& name, DWORD type, const std::string& bytes);
    RegKey& SetDword(const std::string& name, DWORD value);
    RegKey& Key(const std::string& subPath);  // creates the path below this key
    bool refuseWrite = false;  // opens for writing and its deletion fail with 5

    const std::string& Name() const { return name; }
    const std::string& Path() const { return path; }  // e.g. "HKLM\Software\Netscape"
    std::vector<std::string> SubkeyNames() const;
    const RegValue* FindValue(const std::string& valueName) const;
    std::shared_ptr<RegKey> FindSubkey(const std::string& subName) const;

    // The model's own state (used by the registry functions).
    std::string name;
    std::string path;
    RegKey* parent = nullptr;
    bool deleted = false;
    std::vector<std::shared_ptr<RegKey>> subkeys;            // creation order
    std::vector<std::pair<std::string, RegValue>> values;    // creation order
};

enum class DeleteBehaviour {
    NT,     // RegDeleteKeyA refuses a key with subkeys (5), nothing deleted
    Win9x,  // RegDeleteKeyA deletes the whole subtree
};

// ---- DirectX ---------------------------------------------------------------
struct DirectDrawSpec {
    bool present = true;             // "DDRAW.DLL" loads (else 126)
    bool exportsCreate = true;       // exports "DirectDrawCreate"
    HRESULT createResult = DD_OK;    // a failed code makes DirectDrawCreate fail
    bool offersDirectDraw2 = true;
    HRESULT setCooperativeLevelResult = DD_OK;
    HRESULT createSurfaceResult = DD_OK;
    bool surfaceOffers3 = true;
    bool surfaceOffers4 = true;
    HRESULT successResult = DD_OK;   // returned by every operation that succeeds
};

struct DirectInputSpec {
    bool present = true;        // "DINPUT.DLL" loads (else 126)
    bool exportsCreateA = true; // exports "DirectInputCreateA"
};

// What the DirectDraw side of the machine was asked.
struct DirectDrawRecord {
    struct Create {
        const GUID* guid;
        IUnknown* outer;
    };
    struct CooperativeLevel {
        HWND window;
        DWORD flags;
    };
    struct SurfaceRequest {
        DWORD size;          // dwSize
        DWORD flags;         // dwFlags
        DWORD caps;          // ddsCaps.dwCaps
        bool otherBytesZero; // every other byte of the description is zero
        IUnknown* outer;
    };
    std::vector<Create> creates;
    std::vector<std::string> directDrawQueries;  // IIDs asked of the DirectDraw object, by name
    std::vector<CooperativeLevel> cooperativeLevels;
    std::vector<SurfaceRequest> surfaceRequests;
    std::vector<std::string> surfaceQueries;     // IIDs asked of the surface, by name
};

// "IID_IDirectDraw2" for the known interfaces, else "{XXXXXXXX-XXXX-...}".
std::string GuidName(const GUID& guid);
std::string GuidText(const GUID& guid);

// ---- User ------------------------------------------------------------------
enum class ShownKind { MessageBox, Dialog };

struct Shown {
    ShownKind kind;
    HWND owner;
    std::string title;   // message box title, or the dialog's caption
    std::string text;    // message box text (empty for a dialog)
    UINT style;          // message box style, or the dialog template's style
    int answer;          // the scripted answer taken (0 when none)
    UINT dialogId = 0;
    INT_PTR initDialogResult = 0;  // what WM_INITDIALOG returned
    INT_PTR result = 0;            // what MessageBoxA / DialogBoxParamA returned
};

class User {
public:
    // Queues the next answer: IDOK, IDCANCEL, IDRETRY... or 0 ("the box could
    // not be shown"); for a dialog, the control id that is pressed. The action
    // runs just before the answer is given.
    User& Answer(int answer, std::function<void()> action = {});

    struct Scripted {
        int answer;
        std::function<void()> action;
    };
    std::deque<Scripted> answers;
    std::vector<Shown> transcript;

    std::vector<std::string> MessageTexts() const;  // texts of the message boxes, in order
};

// ---- Ledger ----------------------------------------------------------------
struct Ledger {
    int keysOpened = 0, keysClosed = 0;
    int fileHandlesOpened = 0, fileHandlesClosed = 0;
    int comInterfacesHandedOut = 0;   // objects created and interfaces handed out
    int comReferencesAlive = 0;
    std::map<std::string, int> libraryLoads;  // by module name, e.g. "DDRAW.DLL"
    std::map<std::string, int> libraryFrees;
    int coInitializeDepth = 0;
    int coInitializeCalls = 0, coUninitializeCalls = 0;
};

// ---- The machine -----------------------------------------------------------
class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Version and display.
    std::optional<WindowsVersion> version = WindowsVersion{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998};
    std::vector<std::optional<DWORD>> displayDepths{DWORD{16}};  // one per query, the last repeats
    int displayQueries = 0;

    // Files and folders.
    std::string currentDirectory = "C:\\package";
    std::map<std::string, DWORD> createDirectoryFailures;  // path -> forced error of CreateDirectoryA
    FolderSpec& AddFolder(const std::string& path);  // parents too
    FileSpec& AddFile(const std::string& path, FileSpec spec = {});  // parents too; replaces
    void RemoveFile(const std::string& path);
    bool FileExists(const std::string& path) const;
    bool FolderExists(const std::string& path) const;
    const FileSpec* FindFile(const std::string& path) const;  // nullptr when missing
    FileSpec* FindFile(const std::string& path);
    FolderSpec* FindFolder(const std::string& path);
    std::string FileContents(const std::string& path) const;  // reports a missing file
    std::vector<std::string> Files() const;    // full paths of all files, sorted
    std::vector<std::string> Folders() const;  // full paths of all folders, sorted
    static constexpr int kUntilReleased = -1;
    // Another program holds the file: copies onto it fail with 32 for the next
    // `attempts` copy attempts, or until ReleaseFile.
    void HoldFile(const std::string& path, int attempts = kUntilReleased);
    void ReleaseFile(const std::string& path);
    // The next copies onto the file fail with these codes, one per attempt,
    // before any other check (0: that attempt runs the ordinary checks); then
    // copies behave as the file says.
    void ScriptCopyErrors(const std::string& path, std::vector<DWORD> errors);
    std::vector<CopyAttempt> copyAttempts;
    std::vector<AttributeChange> attributeChanges;

    // Registry.
    RegKey& Key(HKEY root, const std::string& path);  // creates the path
    bool KeyExists(HKEY root, const std::string& path) const;
    std::optional<RegValue> GetValue(HKEY root, const std::string& path, const std::string& name) const;
    std::optional<std::string> GetString(HKEY root, const std::string& path, const std::string& name) const;
    std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) const;
    std::optional<DeleteBehaviour> deleteBehaviour;  // unset: follows the version
    DeleteBehaviour EffectiveDeleteBehaviour() const;

    // Libraries and COM.
    DirectDrawSpec directDraw;
    DirectInputSpec directInput;
    DirectDrawRecord directDrawRecord;
    bool IsLoaded(const std::string& moduleName) const;  // by file name or full path
    int RegisterServerCalls(const std::string& path) const;  // DllRegisterServer calls of that file's module

    // User, resources, debugger.
    User user;
    ProgramModule program;
    std::vector<std::string> debugOutput;

    // Books.
    std::vector<std::string> calls;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    Ledger ledger;
    // Everything still open, held or initialised; libraries whose file name or
    // path is in `allowedLibraries` (or whose module says staysLoaded) may stay.
    std::vector<std::string> Unreleased(const std::vector<std::string>& allowedLibraries = {}) const;

    // Errors.
    std::function<void(const std::string&)> onError;
    std::vector<std::string> errors;
    void ReportError(const std::string& message);

    DWORD lastError = 0;

    // The model's own state, for the Win32 functions in sim/.
    struct Internals;
    Internals& internals() { return *in_; }
    const Internals& internals() const { return *in_; }

private:
    std::unique_ptr<Internals> in_;
};

}  // namespace sim

#endif
