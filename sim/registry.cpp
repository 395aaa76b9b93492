// The registry of the simulated machine: HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT, with counted handles.
#include "internal.h"

#include <cstring>
#include <stdexcept>

namespace sim {

namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | 0x00040000 /* WRITE_DAC */ |
                                0x00080000 /* WRITE_OWNER */ | 0x02000000 /* MAXIMUM_ALLOWED */ |
                                0x10000000 /* GENERIC_ALL */ | 0x40000000 /* GENERIC_WRITE */;
constexpr REGSAM kAllRights = 0xFFFFFFFF;

REGSAM ReadRight(REGSAM wanted) {
    return wanted | 0x02000000 /* MAXIMUM_ALLOWED */ | 0x10000000 /* GENERIC_ALL */ |
           0x80000000 /* GENERIC_READ */;
}

std::shared_ptr<RegKey> NewKey(RegKey& parent, const std::string& name) {
    auto key = std::make_shared<RegKey>();
    key->name = name;
    key->path = parent.path + "\\" + name;
    key->parent = &parent;
    parent.subkeys.push_back(key);
    return key;
}

void MarkDeleted(RegKey& key) {
    key.deleted = true;
    for (auto& sub : key.subkeys) {
        MarkDeleted(*sub);
        sub->parent = nullptr;
    }
    key.subkeys.clear();
}

std::shared_ptr<RegKey> Walk(std::shared_ptr<RegKey> key, const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        if (!key) {
            return nullptr;
        }
        key = key->FindSubkey(part);
    }
    return key;
}

std::vector<std::string> TestPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

// The key behind a handle that a registry function was given.
struct Opened {
    std::shared_ptr<RegKey> key;
    REGSAM access = 0;
    bool predefined = false;
    std::string name;  // for the call log
    LONG error = ERROR_SUCCESS;
};

Opened OpenedKey(Machine& m, HKEY handle, const char* function) {
    Opened found;
    if (IsPredefinedKey(handle)) {
        found.key = RootKey(m, handle);
        found.access = kAllRights;
        found.predefined = true;
        found.name = RootName(handle);
        if (!found.key) {
            Fail(std::string(function) + ": predefined key " + found.name + " is not modelled");
            found.error = ERROR_INVALID_HANDLE;
        }
        return found;
    }
    auto record = m.internals().keyHandles.find(handle);
    if (record == m.internals().keyHandles.end()) {
        Fail(std::string(function) + ": not a key handle that the machine gave out");
        found.error = ERROR_INVALID_HANDLE;
        found.name = "<bad handle>";
        return found;
    }
    found.key = record->second.key;
    found.access = record->second.access;
    found.name = found.key->path;
    if (!record->second.open) {
        Fail(std::string(function) + ": key " + found.key->path + " used after RegCloseKey");
        found.error = ERROR_INVALID_HANDLE;
    } else if (found.key->deleted) {
        found.error = ERROR_KEY_DELETED;
    }
    return found;
}

std::string Result(LONG result) { return " -> " + std::to_string(result); }

}  // namespace

// ---- Shared helpers --------------------------------------------------------
bool IsPredefinedKey(HKEY key) {
    uintptr_t value = reinterpret_cast<uintptr_t>(key);
    uintptr_t base = reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT);
    return value - base <= 6;
}

std::string RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) {
        return "HKLM";
    }
    if (root == HKEY_CLASSES_ROOT) {
        return "HKCR";
    }
    return "HKEY(" + Hex(static_cast<DWORD>(reinterpret_cast<uintptr_t>(root))) + ")";
}

std::shared_ptr<RegKey> RootKey(Machine& m, HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) {
        return m.internals().hklm;
    }
    if (root == HKEY_CLASSES_ROOT) {
        return m.internals().hkcr;
    }
    return nullptr;
}

// Win32 key paths: one closing backslash is allowed; a leading backslash or
// an empty name inside the path makes the path invalid.
std::vector<std::string> SplitKeyPath(const std::string& path, bool* valid) {
    std::vector<std::string> parts;
    *valid = true;
    if (path.empty()) {
        return parts;
    }
    std::string trimmed = path;
    if (trimmed.back() == '\\') {
        trimmed.pop_back();
    }
    std::size_t start = 0;
    while (start <= trimmed.size()) {
        std::size_t end = trimmed.find('\\', start);
        if (end == std::string::npos) {
            end = trimmed.size();
        }
        if (end == start) {
            *valid = false;
            return {};
        }
        parts.push_back(trimmed.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// ---- RegKey ----------------------------------------------------------------
RegKey& RegKey::SetString(const std::string& valueName, const std::string& text) {
    return SetValue(valueName, REG_SZ, text + std::string(1, '\0'));
}

RegKey& RegKey::SetValue(const std::string& valueName, DWORD type, const std::string& bytes) {
    for (auto& [existing, value] : values) {
        if (EqualNoCase(existing, valueName)) {
            value = RegValue{type, bytes};
            return *this;
        }
    }
    values.emplace_back(valueName, RegValue{type, bytes});
    return *this;
}

RegKey& RegKey::SetDword(const std::string& valueName, DWORD value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(&bytes[0], &value, sizeof value);
    return SetValue(valueName, REG_DWORD, bytes);
}

RegKey& RegKey::Key(const std::string& subPath) {
    if (deleted) {
        throw std::logic_error("sim: RegKey::Key on deleted key " + path);
    }
    RegKey* key = this;
    for (const std::string& part : TestPath(subPath)) {
        std::shared_ptr<RegKey> sub = key->FindSubkey(part);
        key = sub ? sub.get() : NewKey(*key, part).get();
    }
    return *key;
}

std::vector<std::string> RegKey::SubkeyNames() const {
    std::vector<std::string> names;
    for (const auto& sub : subkeys) {
        names.push_back(sub->name);
    }
    return names;
}

const RegValue* RegKey::FindValue(const std::string& valueName) const {
    for (const auto& [existing, value] : values) {
        if (EqualNoCase(existing, valueName)) {
            return &value;
        }
    }
    return nullptr;
}

std::shared_ptr<RegKey> RegKey::FindSubkey(const std::string& subName) const {
    for (const auto& sub : subkeys) {
        if (EqualNoCase(sub->name, subName)) {
            return sub;
        }
    }
    return nullptr;
}

// ---- Machine test API ------------------------------------------------------
RegKey& Machine::Key(HKEY root, const std::string& path) {
    std::shared_ptr<RegKey> key = RootKey(*this, root);
    if (!key) {
        throw std::invalid_argument("sim: only HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are modelled");
    }
    return key->Key(path);
}

bool Machine::KeyExists(HKEY root, const std::string& path) const {
    return Walk(RootKey(const_cast<Machine&>(*this), root), TestPath(path)) != nullptr;
}

std::optional<RegValue> Machine::GetValue(HKEY root, const std::string& path, const std::string& name) const {
    std::shared_ptr<RegKey> key = Walk(RootKey(const_cast<Machine&>(*this), root), TestPath(path));
    const RegValue* value = key ? key->FindValue(name) : nullptr;
    return value ? std::optional<RegValue>(*value) : std::nullopt;
}

std::optional<std::string> Machine::GetString(HKEY root, const std::string& path, const std::string& name) const {
    std::optional<RegValue> value = GetValue(root, path, name);
    if (!value) {
        return std::nullopt;
    }
    std::string text = value->data;
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::vector<std::string> Machine::SubkeyNames(HKEY root, const std::string& path) const {
    std::shared_ptr<RegKey> key = Walk(RootKey(const_cast<Machine&>(*this), root), TestPath(path));
    return key ? key->SubkeyNames() : std::vector<std::string>{};
}

DeleteBehaviour Machine::EffectiveDeleteBehaviour() const {
    if (deleteBehaviour) {
        return *deleteBehaviour;
    }
    return version && version->platformId == VER_PLATFORM_WIN32_NT ? DeleteBehaviour::NT : DeleteBehaviour::Win9x;
}

}  // namespace sim

using sim::Current;
using sim::Fail;
using sim::Log;
using sim::Quote;

// ---- Win32 -----------------------------------------------------------------
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    sim::Machine& m = Current();
    if (result == nullptr) {
        Fail("RegOpenKeyExA: null result pointer");
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    sim::Opened parent = sim::OpenedKey(m, key, "RegOpenKeyExA");
    const std::string call = "RegOpenKeyExA " + parent.name + " " + Quote(subKey) + " " + sim::Hex(desired);
    (void)options;
    LONG error = parent.error;
    std::shared_ptr<sim::RegKey> target;
    if (error == ERROR_SUCCESS) {
        bool valid = true;
        std::vector<std::string> parts = sim::SplitKeyPath(subKey ? subKey : "", &valid);
        target = valid ? sim::Walk(parent.key, parts) : nullptr;
        if (!target) {
            error = ERROR_FILE_NOT_FOUND;
        } else if (target->refuseWrite && (desired & sim::kWriteRights) != 0) {
            error = ERROR_ACCESS_DENIED;
        }
    }
    Log(call + sim::Result(error));
    if (error != ERROR_SUCCESS) {
        return error;
    }
    HKEY handle = reinterpret_cast<HKEY>(m.internals().NewHandle());
    m.internals().keyHandles[handle] = sim::KeyHandle{target, desired, true};
    ++m.ledger.keysOpened;
    *result = handle;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    sim::Machine& m = Current();
    sim::Opened opened = sim::OpenedKey(m, key, "RegQueryValueExA");
    std::string call = "RegQueryValueExA " + opened.name + " " + Quote(valueName);
    if (dataSize != nullptr) {
        call += " " + std::to_string(*dataSize);
    }
    LONG error = opened.error;
    const sim::RegValue* value = nullptr;
    if (error == ERROR_SUCCESS) {
        if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
            error = ERROR_INVALID_PARAMETER;
        } else if ((opened.access & sim::ReadRight(KEY_QUERY_VALUE)) == 0) {
            error = ERROR_ACCESS_DENIED;
        } else {
            value = opened.key->FindValue(valueName ? valueName : "");
            if (value == nullptr) {
                error = ERROR_FILE_NOT_FOUND;
            }
        }
    }
    if (error == ERROR_SUCCESS) {
        if (type != nullptr) {
            *type = value->type;
        }
        const DWORD length = static_cast<DWORD>(value->data.size());
        if (data != nullptr) {
            if (length > *dataSize) {
                std::memset(data, 0xCD, *dataSize);
                error = ERROR_MORE_DATA;
            } else if (length > 0) {
                std::memcpy(data, value->data.data(), length);
            }
        }
        if (dataSize != nullptr) {
            *dataSize = length;
        }
    }
    Log(call + sim::Result(error));
    return error;
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
    sim::Machine& m = Current();
    sim::Opened opened = sim::OpenedKey(m, key, "RegEnumKeyA");
    std::string call = "RegEnumKeyA " + opened.name + " " + std::to_string(index);
    LONG error = opened.error;
    if (error == ERROR_SUCCESS) {
        if (name == nullptr) {
            Fail("RegEnumKeyA: null name buffer");
            error = ERROR_INVALID_PARAMETER;
        } else if ((opened.access & sim::ReadRight(KEY_ENUMERATE_SUB_KEYS)) == 0) {
            error = ERROR_ACCESS_DENIED;
        } else if (index >= opened.key->subkeys.size()) {
            error = ERROR_NO_MORE_ITEMS;
        } else {
            const std::string& subName = opened.key->subkeys[index]->name;
            if (subName.size() + 1 > nameSize) {
                std::memset(name, 0xCD, nameSize);
                error = ERROR_MORE_DATA;
            } else {
                std::memcpy(name, subName.c_str(), subName.size() + 1);
                call += " " + Quote(subName.c_str());
            }
        }
    }
    Log(call + sim::Result(error));
    return error;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    sim::Machine& m = Current();
    sim::Opened opened = sim::OpenedKey(m, key, "RegDeleteKeyA");
    const std::string call = "RegDeleteKeyA " + opened.name + " " + Quote(subKey);
    LONG error = opened.error;
    std::shared_ptr<sim::RegKey> target;
    if (error == ERROR_SUCCESS) {
        bool valid = true;
        std::vector<std::string> parts = sim::SplitKeyPath(subKey ? subKey : "", &valid);
        target = valid ? sim::Walk(opened.key, parts) : nullptr;
        if (!target) {
            error = ERROR_FILE_NOT_FOUND;
        } else if ((opened.access & sim::kWriteRights) == 0 || target->refuseWrite || target->parent == nullptr) {
            error = ERROR_ACCESS_DENIED;  // a read-only handle, a protected key, or a root
        } else if (!target->subkeys.empty() && m.EffectiveDeleteBehaviour() == sim::DeleteBehaviour::NT) {
            error = ERROR_ACCESS_DENIED;
        }
    }
    if (error == ERROR_SUCCESS) {
        std::vector<std::shared_ptr<sim::RegKey>>& siblings = target->parent->subkeys;
        for (auto it = siblings.begin(); it != siblings.end(); ++it) {
            if (*it == target) {
                siblings.erase(it);
                break;
            }
        }
        target->parent = nullptr;
        sim::MarkDeleted(*target);
    }
    Log(call + sim::Result(error));
    return error;
}

LONG RegCloseKey(HKEY key) {
    sim::Machine& m = Current();
    if (sim::IsPredefinedKey(key)) {
        Log("RegCloseKey " + sim::RootName(key) + " -> 0");
        return ERROR_SUCCESS;
    }
    auto record = m.internals().keyHandles.find(key);
    if (record == m.internals().keyHandles.end()) {
        Fail("RegCloseKey: not a key handle that the machine gave out");
        return ERROR_INVALID_HANDLE;
    }
    if (!record->second.open) {
        Fail("RegCloseKey: key " + record->second.key->path + " closed twice");
        return ERROR_INVALID_HANDLE;
    }
    record->second.open = false;
    ++m.ledger.keysClosed;
    Log("RegCloseKey " + record->second.key->path + " -> 0");
    return ERROR_SUCCESS;
}
