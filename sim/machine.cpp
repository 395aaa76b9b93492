// The machine itself: which one is current, the error hook, the books, and
// the text and path helpers that the Win32 functions share.
#include "internal.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace sim {

namespace {
Machine* g_current = nullptr;
}

Machine& Current() {
    if (g_current == nullptr) {
        std::fprintf(stderr, "sim: a Win32 function was called with no sim::Machine in existence\n");
        std::abort();
    }
    return *g_current;
}

HINSTANCE ProgramInstance() {
    // The usual image base of a Win32 program.
    return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));
}

Machine::Machine() : in_(std::make_unique<Internals>()) {
    if (g_current != nullptr) {
        throw std::logic_error("sim::Machine: another machine is current");
    }
    in_->hklm = std::make_shared<RegKey>();
    in_->hklm->name = "HKEY_LOCAL_MACHINE";
    in_->hklm->path = "HKLM";
    in_->hkcr = std::make_shared<RegKey>();
    in_->hkcr->name = "HKEY_CLASSES_ROOT";
    in_->hkcr->path = "HKCR";
    AddFolder(currentDirectory);
    g_current = this;
}

Machine::~Machine() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

void Machine::ReportError(const std::string& message) {
    errors.push_back(message);
    if (onError) {
        onError(message);
    } else {
        std::fprintf(stderr, "sim: %s\n", message.c_str());
    }
}

std::vector<std::string> Machine::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : calls) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

namespace {
std::string FileNamePart(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

bool Machine::IsLoaded(const std::string& moduleName) const {
    for (const auto& [key, module] : in_->modules) {
        if (module.loadCount > 0 &&
            (EqualNoCase(module.name, moduleName) || EqualNoCase(FileNamePart(module.name), moduleName))) {
            return true;
        }
    }
    return false;
}

int Machine::RegisterServerCalls(const std::string& path) const {
    DWORD error = 0;
    std::optional<ResolvedPath> resolved = ResolvePath(currentDirectory, path, &error);
    if (!resolved) {
        return 0;
    }
    int count = 0;
    for (const auto& [key, module] : in_->modules) {
        if (module.kind == ModuleKind::File && module.fileKey == resolved->key) {
            count += module.registerServerCalls;
        }
    }
    return count;
}

std::vector<std::string> Machine::Unreleased(const std::vector<std::string>& allowedLibraries) const {
    std::vector<std::string> open;
    for (const auto& [handle, record] : in_->keyHandles) {
        if (record.open) {
            open.push_back("registry key " + record.key->path + " not closed");
        }
    }
    for (const auto& [handle, record] : in_->fileHandles) {
        if (record.open) {
            open.push_back("file handle of " + record.display + " not closed");
        }
    }
    for (const auto& object : in_->comObjects) {
        if (object->refs > 0) {
            open.push_back(object->interfaceName + " not released (" + std::to_string(object->refs) +
                           (object->refs == 1 ? " reference)" : " references)"));
        }
    }
    for (const auto& [key, module] : in_->modules) {
        if (module.loadCount <= 0 || module.staysLoaded) {
            continue;
        }
        bool allowed = false;
        for (const std::string& name : allowedLibraries) {
            if (EqualNoCase(name, module.name) || EqualNoCase(name, FileNamePart(module.name))) {
                allowed = true;
            }
        }
        if (!allowed) {
            open.push_back("library " + module.name + " still loaded (" + std::to_string(module.loadCount) +
                           (module.loadCount == 1 ? " load)" : " loads)"));
        }
    }
    if (ledger.coInitializeDepth > 0) {
        open.push_back("CoInitialize without CoUninitialize (depth " + std::to_string(ledger.coInitializeDepth) +
                       ")");
    }
    return open;
}

// ---- Short helpers on the current machine ----------------------------------
void Log(const std::string& line) { Current().calls.push_back(line); }
void Fail(const std::string& message) { Current().ReportError(message); }
void SetError(DWORD error) { Current().lastError = error; }

// ---- Text helpers ----------------------------------------------------------
std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

std::string Quote(const char* text) {
    if (text == nullptr) {
        return "NULL";
    }
    std::string out = "'";
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += *p; break;
        }
    }
    return out + "'";
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string HResultText(HRESULT hr) { return Hex(static_cast<DWORD>(hr)); }

std::string ErrorSuffix(BOOL ok, DWORD error) { return ok ? "" : " (" + std::to_string(error) + ")"; }

// ---- Paths -----------------------------------------------------------------
namespace {
bool IsForbiddenNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}
}  // namespace

std::optional<ResolvedPath> ResolvePath(const std::string& currentDirectory, const std::string& path,
                                        DWORD* error, std::size_t maxLength) {
    std::string p = path;
    for (char& c : p) {
        if (c == '/') {
            c = '\\';
        }
    }
    if (p.empty()) {
        *error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }

    std::string drive;
    std::string rest;
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        drive = Upper(p.substr(0, 1)) + ":";
        rest = p.substr(2);  // "C:name" is taken from the root of C:
    } else if (p[0] == '\\') {
        if (p.size() > 1 && p[1] == '\\') {
            *error = ERROR_PATH_NOT_FOUND;  // UNC names are not modelled
            return std::nullopt;
        }
        if (currentDirectory.size() < 2 || currentDirectory[1] != ':') {
            *error = ERROR_PATH_NOT_FOUND;
            return std::nullopt;
        }
        drive = Upper(currentDirectory.substr(0, 1)) + ":";
        rest = p;
    } else {
        if (currentDirectory.size() < 2 || currentDirectory[1] != ':') {
            *error = ERROR_PATH_NOT_FOUND;
            return std::nullopt;
        }
        return ResolvePath(currentDirectory, currentDirectory + "\\" + p, error, maxLength);
    }

    ResolvedPath resolved;
    resolved.parts.push_back(drive);
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (resolved.parts.size() > 1) {
                resolved.parts.pop_back();
            }
            continue;
        }
        for (char c : part) {
            if (IsForbiddenNameChar(c)) {
                *error = ERROR_INVALID_NAME;
                return std::nullopt;
            }
        }
        // Windows drops trailing dots and spaces of a name.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
            part.pop_back();
        }
        if (!part.empty()) {
            resolved.parts.push_back(part);
        }
    }

    std::string joined = resolved.parts[0];
    for (std::size_t i = 1; i < resolved.parts.size(); ++i) {
        if (i + 1 == resolved.parts.size()) {
            resolved.parentDisplay = joined == resolved.parts[0] ? joined + "\\" : joined;
            resolved.parentKey = Upper(joined);
        }
        joined += "\\" + resolved.parts[i];
    }
    resolved.key = Upper(joined);
    resolved.display = resolved.IsRoot() ? joined + "\\" : joined;
    resolved.name = resolved.IsRoot() ? "" : resolved.parts.back();
    if (resolved.display.size() >= maxLength) {
        *error = ERROR_FILENAME_EXCED_RANGE;
        return std::nullopt;
    }
    return resolved;
}

}  // namespace sim
