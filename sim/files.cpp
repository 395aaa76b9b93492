// Files, folders and version resources of the simulated machine.
#include "internal.h"

#include <cstring>
#include <stdexcept>

namespace sim {

namespace {

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoOffset = 40;
constexpr std::size_t kFlagsOffset = 38;  // the padding word after the key
constexpr char kVersionKey[] = "VS_VERSION_INFO";

DWORD NormalAttributes(DWORD attributes) {
    DWORD kept = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY);
    return kept == 0 ? static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL) : kept;
}

ResolvedPath ResolveForTest(const Machine& m, const std::string& path) {
    DWORD error = 0;
    std::optional<ResolvedPath> resolved = ResolvePath(m.currentDirectory, path, &error);
    if (!resolved) {
        throw std::invalid_argument("sim: not a usable path: " + path);
    }
    return *resolved;
}

void MakeFolders(Machine::Internals& in, const ResolvedPath& path, std::size_t count) {
    std::string key;
    std::string display;
    for (std::size_t i = 0; i < count; ++i) {
        key += (i == 0 ? "" : "\\") + Upper(path.parts[i]);
        display += (i == 0 ? "" : "\\") + path.parts[i];
        if (in.files.count(key) != 0) {
            throw std::invalid_argument("sim: a file stands where a folder is wanted: " + display);
        }
        if (in.folders.count(key) == 0) {
            in.folders[key] = FolderEntry{i == 0 ? display + "\\" : display, FolderSpec{}};
        }
    }
}

void PutWord(BYTE* block, std::size_t offset, WORD value) { std::memcpy(block + offset, &value, sizeof value); }

// The version block of a file, in full.
std::vector<BYTE> BuildVersionBlock(const FileSpec& spec) {
    const bool fixed = spec.versionInfo == VersionInfo::Fixed;
    std::size_t size = spec.versionBlockSize;
    if (size < kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO)) {
        size = kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO);
    }
    std::vector<BYTE> block(size, 0);
    PutWord(block.data(), 0, static_cast<WORD>(size > 0xFFFF ? 0xFFFF : size));
    PutWord(block.data(), 2, fixed ? static_cast<WORD>(sizeof(VS_FIXEDFILEINFO)) : 0);
    PutWord(block.data(), 4, 0);
    for (std::size_t i = 0; i < sizeof kVersionKey; ++i) {
        PutWord(block.data(), 6 + 2 * i, static_cast<WORD>(kVersionKey[i]));
    }
    PutWord(block.data(), kFlagsOffset, spec.versionInfo == VersionInfo::WithoutFixedInfoFails ? 1 : 0);

    std::size_t childOffset = kFixedInfoOffset;
    if (fixed) {
        VS_FIXEDFILEINFO info{};
        info.dwSignature = kFixedFileInfoSignature;
        info.dwStrucVersion = 0x00010000;
        info.dwFileVersionMS = (static_cast<DWORD>(spec.version.major) << 16) | spec.version.minor;
        info.dwFileVersionLS = (static_cast<DWORD>(spec.version.build) << 16) | spec.version.revision;
        info.dwProductVersionMS = info.dwFileVersionMS;
        info.dwProductVersionLS = info.dwFileVersionLS;
        info.dwFileFlagsMask = 0x3F;
        info.dwFileOS = 0x00040004;  // VOS_NT_WINDOWS32
        info.dwFileType = 2;         // VFT_DLL
        std::memcpy(block.data() + kFixedInfoOffset, &info, sizeof info);
        childOffset += sizeof info;
    }
    // What follows is the StringFileInfo child, as in a real block: a caller
    // that reads fixed information where there is none reads these bytes.
    const char childKey[] = "StringFileInfo";
    if (childOffset + 6 + 2 * sizeof childKey <= size) {
        PutWord(block.data(), childOffset, static_cast<WORD>(size - childOffset));
        PutWord(block.data(), childOffset + 2, 0);
        PutWord(block.data(), childOffset + 4, 1);
        for (std::size_t i = 0; i < sizeof childKey; ++i) {
            PutWord(block.data(), childOffset + 6 + 2 * i, static_cast<WORD>(childKey[i]));
        }
    }
    return block;
}

bool HasVersionKey(const BYTE* block) {
    for (std::size_t i = 0; i < sizeof kVersionKey; ++i) {
        WORD c;
        std::memcpy(&c, block + 6 + 2 * i, sizeof c);
        if (c != static_cast<WORD>(kVersionKey[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

Located Locate(Machine& m, const char* name, std::size_t maxLength) {
    Located found;
    found.path = ResolvePath(m.currentDirectory, name, &found.error, maxLength);
    if (!found.path) {
        return found;
    }
    Machine::Internals& in = m.internals();
    auto file = in.files.find(found.path->key);
    if (file != in.files.end()) {
        found.file = &file->second;
    }
    auto folder = in.folders.find(found.path->key);
    if (folder != in.folders.end()) {
        found.folder = &folder->second;
    }
    if (!found.path->IsRoot()) {
        auto parent = in.folders.find(found.path->parentKey);
        if (parent != in.folders.end()) {
            found.parentFolder = &parent->second;
        }
    }
    return found;
}

// ---- Test API --------------------------------------------------------------
FolderSpec& Machine::AddFolder(const std::string& path) {
    ResolvedPath resolved = ResolveForTest(*this, path);
    MakeFolders(*in_, resolved, resolved.parts.size());
    return in_->folders[resolved.key].spec;
}

FileSpec& Machine::AddFile(const std::string& path, FileSpec spec) {
    ResolvedPath resolved = ResolveForTest(*this, path);
    if (resolved.IsRoot() || in_->folders.count(resolved.key) != 0) {
        throw std::invalid_argument("sim: a folder stands where a file is wanted: " + path);
    }
    MakeFolders(*in_, resolved, resolved.parts.size() - 1);
    spec.attributes = NormalAttributes(spec.attributes);
    FileEntry& entry = in_->files[resolved.key];
    entry.display = resolved.display;
    entry.spec = std::move(spec);
    return entry.spec;
}

void Machine::RemoveFile(const std::string& path) {
    in_->files.erase(ResolveForTest(*this, path).key);
}

bool Machine::FileExists(const std::string& path) const { return FindFile(path) != nullptr; }

bool Machine::FolderExists(const std::string& path) const {
    return in_->folders.count(ResolveForTest(*this, path).key) != 0;
}

const FileSpec* Machine::FindFile(const std::string& path) const {
    auto found = in_->files.find(ResolveForTest(*this, path).key);
    return found == in_->files.end() ? nullptr : &found->second.spec;
}

FileSpec* Machine::FindFile(const std::string& path) {
    auto found = in_->files.find(ResolveForTest(*this, path).key);
    return found == in_->files.end() ? nullptr : &found->second.spec;
}

FolderSpec* Machine::FindFolder(const std::string& path) {
    auto found = in_->folders.find(ResolveForTest(*this, path).key);
    return found == in_->folders.end() ? nullptr : &found->second.spec;
}

std::string Machine::FileContents(const std::string& path) const {
    const FileSpec* file = FindFile(path);
    if (file == nullptr) {
        const_cast<Machine*>(this)->ReportError("FileContents: no file " + path);
        return "";
    }
    return file->contents;
}

std::vector<std::string> Machine::Files() const {
    std::vector<std::string> all;
    for (const auto& [key, entry] : in_->files) {
        all.push_back(entry.display);
    }
    return all;
}

std::vector<std::string> Machine::Folders() const {
    std::vector<std::string> all;
    for (const auto& [key, entry] : in_->folders) {
        all.push_back(entry.display);
    }
    return all;
}

void Machine::HoldFile(const std::string& path, int attempts) {
    ResolvedPath resolved = ResolveForTest(*this, path);
    if (in_->files.count(resolved.key) == 0) {
        throw std::invalid_argument("sim: HoldFile on a missing file: " + path);
    }
    in_->holds[resolved.key] = attempts;
}

void Machine::ReleaseFile(const std::string& path) { in_->holds.erase(ResolveForTest(*this, path).key); }

void Machine::ScriptCopyErrors(const std::string& path, std::vector<DWORD> errors) {
    std::deque<DWORD>& queue = in_->scriptedCopyErrors[ResolveForTest(*this, path).key];
    queue.assign(errors.begin(), errors.end());
}

}  // namespace sim

using sim::Current;
using sim::ErrorSuffix;
using sim::Fail;
using sim::Log;
using sim::Quote;
using sim::SetError;

// ---- Win32 -----------------------------------------------------------------
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile) {
    (void)shareMode;
    (void)securityAttributes;
    (void)flagsAndAttributes;
    sim::Machine& m = Current();
    if (fileName == nullptr) {
        Fail("CreateFileA: null file name");
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition != OPEN_EXISTING || templateFile != nullptr) {
        Fail("CreateFileA: only OPEN_EXISTING without a template is modelled");
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    sim::Located found = sim::Locate(m, fileName);
    DWORD error = 0;
    if (!found.path) {
        error = found.error;
    } else if (found.folder != nullptr) {
        error = ERROR_ACCESS_DENIED;
    } else if (found.file == nullptr) {
        error = found.parentFolder != nullptr ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    } else if (desiredAccess != 0 && m.internals().holds.count(found.path->key) != 0) {
        error = ERROR_SHARING_VIOLATION;
    }
    if (error != 0) {
        Log("CreateFileA " + Quote(fileName) + " -> INVALID_HANDLE_VALUE (" + std::to_string(error) + ")");
        SetError(error);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = m.internals().NewHandle();
    m.internals().fileHandles[handle] = sim::FileHandle{found.file->display, true};
    ++m.ledger.fileHandlesOpened;
    Log("CreateFileA " + Quote(fileName) + " -> handle");
    return handle;
}

BOOL CloseHandle(HANDLE object) {
    sim::Machine& m = Current();
    auto found = m.internals().fileHandles.find(object);
    if (found == m.internals().fileHandles.end()) {
        Fail("CloseHandle: not a handle that the machine gave out");
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!found->second.open) {
        Fail("CloseHandle: handle of " + found->second.display + " closed twice");
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    found->second.open = false;
    ++m.ledger.fileHandlesClosed;
    Log("CloseHandle " + Quote(found->second.display.c_str()) + " -> 1");
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes) {
    (void)securityAttributes;
    sim::Machine& m = Current();
    if (pathName == nullptr) {
        Fail("CreateDirectoryA: null path");
        SetError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    sim::Located found = sim::Locate(m, pathName, MAX_PATH - 12);
    DWORD error = 0;
    if (!found.path) {
        error = found.error;
    } else {
        for (const auto& [path, code] : m.createDirectoryFailures) {
            DWORD ignored = 0;
            std::optional<sim::ResolvedPath> forced = sim::ResolvePath(m.currentDirectory, path, &ignored);
            if (forced && forced->key == found.path->key) {
                error = code;
            }
        }
        if (error != 0) {
        } else if (found.file != nullptr || found.folder != nullptr) {
            error = ERROR_ALREADY_EXISTS;
        } else if (found.parentFolder == nullptr) {
            error = ERROR_PATH_NOT_FOUND;
        } else if (found.parentFolder->spec.denyWrite) {
            error = ERROR_ACCESS_DENIED;
        }
    }
    if (error != 0) {
        Log("CreateDirectoryA " + Quote(pathName) + " -> 0" + ErrorSuffix(FALSE, error));
        SetError(error);
        return FALSE;
    }
    m.internals().folders[found.path->key] = sim::FolderEntry{found.path->display, sim::FolderSpec{}};
    Log("CreateDirectoryA " + Quote(pathName) + " -> 1");
    return TRUE;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
    sim::Machine& m = Current();
    if (existingFileName == nullptr || newFileName == nullptr) {
        Fail("CopyFileA: null file name");
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::Machine::Internals& in = m.internals();
    sim::Located source = sim::Locate(m, existingFileName);
    sim::Located target = sim::Locate(m, newFileName);

    DWORD error = 0;
    // A scripted code of 0 lets that attempt run the ordinary checks.
    auto scripted = target.path ? in.scriptedCopyErrors.find(target.path->key) : in.scriptedCopyErrors.end();
    if (scripted != in.scriptedCopyErrors.end() && !scripted->second.empty()) {
        error = scripted->second.front();
        scripted->second.pop_front();
    }
    if (error != 0) {
    } else if (!source.path) {
        error = source.error;
    } else if (source.folder != nullptr) {
        error = ERROR_ACCESS_DENIED;
    } else if (source.file == nullptr) {
        error = source.parentFolder != nullptr ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    } else if (!target.path) {
        error = target.error;
    } else if (target.parentFolder == nullptr) {
        error = ERROR_PATH_NOT_FOUND;
    } else if (target.folder != nullptr) {
        error = ERROR_ACCESS_DENIED;
    } else if (failIfExists && target.file != nullptr) {
        error = ERROR_FILE_EXISTS;
    } else if (source.path->key == target.path->key) {
        error = ERROR_SHARING_VIOLATION;
    } else {
        auto hold = in.holds.find(target.path->key);
        bool loaded = false;
        for (const auto& [key, module] : in.modules) {
            if (module.kind == sim::ModuleKind::File && module.loadCount > 0 && module.fileKey == target.path->key) {
                loaded = true;
            }
        }
        if (hold != in.holds.end() && target.file != nullptr) {
            error = ERROR_SHARING_VIOLATION;
            if (hold->second > 0 && --hold->second == 0) {
                in.holds.erase(hold);
            }
        } else if (loaded) {
            error = ERROR_SHARING_VIOLATION;
        } else if (target.parentFolder->spec.denyWrite) {
            error = ERROR_ACCESS_DENIED;
        } else if (target.file != nullptr &&
                   (target.file->spec.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) != 0) {
            error = ERROR_ACCESS_DENIED;
        }
    }

    const bool ok = error == 0;
    m.copyAttempts.push_back(sim::CopyAttempt{existingFileName, newFileName, failIfExists != FALSE, ok ? TRUE : FALSE, error});
    Log("CopyFileA " + Quote(existingFileName) + " " + Quote(newFileName) + " " + std::to_string(failIfExists) +
        " -> " + (ok ? "1" : "0") + ErrorSuffix(ok, error));
    if (!ok) {
        SetError(error);
        return FALSE;
    }
    sim::FileSpec copy = source.file->spec;  // contents, version, module and attributes
    sim::FileEntry& entry = in.files[target.path->key];
    entry.display = target.path->display;
    entry.spec = std::move(copy);
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD fileAttributes) {
    sim::Machine& m = Current();
    if (fileName == nullptr) {
        Fail("SetFileAttributesA: null file name");
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::Located found = sim::Locate(m, fileName);
    DWORD error = 0;
    if (!found.path) {
        error = found.error;
    } else if (found.file == nullptr && found.folder == nullptr) {
        error = found.parentFolder != nullptr ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    const bool ok = error == 0;
    m.attributeChanges.push_back(sim::AttributeChange{fileName, fileAttributes, ok ? TRUE : FALSE});
    Log("SetFileAttributesA " + Quote(fileName) + " " + sim::Hex(fileAttributes) + " -> " + (ok ? "1" : "0") +
        ErrorSuffix(ok, error));
    if (!ok) {
        SetError(error);
        return FALSE;
    }
    if (found.file != nullptr) {
        found.file->spec.attributes = sim::NormalAttributes(fileAttributes);
    }
    return TRUE;
}

DWORD GetLastError(void) { return Current().lastError; }

void SetLastError(DWORD errorCode) { Current().lastError = errorCode; }

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data) {
    (void)handle;
    sim::Machine& m = Current();
    if (fileName == nullptr || data == nullptr) {
        Fail("GetFileVersionInfoA: null file name or buffer");
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::Located found = sim::Locate(m, fileName);
    DWORD error = 0;
    if (!found.path) {
        error = found.error;
    } else if (found.folder != nullptr) {
        error = ERROR_ACCESS_DENIED;
    } else if (found.file == nullptr) {
        error = found.parentFolder != nullptr ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    } else if (found.file->spec.versionInfo == sim::VersionInfo::None) {
        error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    }
    if (error != 0) {
        Log("GetFileVersionInfoA " + Quote(fileName) + " " + std::to_string(length) + " -> 0" +
            ErrorSuffix(FALSE, error));
        SetError(error);
        return FALSE;
    }
    std::vector<BYTE> block = sim::BuildVersionBlock(found.file->spec);
    std::size_t written = block.size() < length ? block.size() : length;
    std::memcpy(data, block.data(), written);
    m.internals().versionBlocks[data] = written;
    Log("GetFileVersionInfoA " + Quote(fileName) + " " + std::to_string(length) + " -> 1");
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
    sim::Machine& m = Current();
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) {
        Fail("VerQueryValueA: null argument");
        return FALSE;
    }
    const BYTE* bytes = static_cast<const BYTE*>(block);
    auto written = m.internals().versionBlocks.find(block);
    if (written != m.internals().versionBlocks.end() && written->second < sim::kFixedInfoOffset) {
        return FALSE;  // cut before its header ended
    }
    if (!sim::HasVersionKey(bytes)) {
        Fail("VerQueryValueA: the buffer holds no version block");
        return FALSE;
    }
    if (std::strcmp(subBlock, "\\") != 0) {
        return FALSE;  // only the root block is modelled
    }
    WORD valueLength;
    WORD flags;
    std::memcpy(&valueLength, bytes + 2, sizeof valueLength);
    std::memcpy(&flags, bytes + sim::kFlagsOffset, sizeof flags);
    if (valueLength == 0 && (flags & 1) != 0) {
        return FALSE;
    }
    if (valueLength != 0 && written != m.internals().versionBlocks.end() &&
        written->second < sim::kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO)) {
        return FALSE;  // the fixed information was cut off
    }
    *buffer = const_cast<BYTE*>(bytes + sim::kFixedInfoOffset);
    *length = valueLength;
    return TRUE;
}
