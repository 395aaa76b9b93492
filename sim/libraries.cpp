// Libraries of the simulated machine: the system's DirectDraw and DirectInput
// libraries, modules that stand in files, their exports, and COM start-up.
#include "internal.h"

#include <cstring>

namespace sim {

namespace {

constexpr char kDirectDrawName[] = "DDRAW.DLL";
constexpr char kDirectInputName[] = "DINPUT.DLL";

LoadedModule* ModuleByHandle(Machine& m, HMODULE handle) {
    for (auto& [key, module] : m.internals().modules) {
        if (module.handle == handle) {
            return &module;
        }
    }
    return nullptr;
}

// Calls the DllRegisterServer of the module bound to `slot`.
HRESULT CallExportSlot(std::size_t slot) {
    Machine& m = Current();
    Machine::Internals& in = m.internals();
    if (slot >= in.exportSlots.size()) {
        Fail("an exported entry was called that the machine never handed out");
        return E_FAIL;
    }
    LoadedModule& module = in.modules[in.exportSlots[slot]];
    if (module.loadCount <= 0) {
        Fail("DllRegisterServer of " + module.name + " called after its library was freed");
        return E_FAIL;
    }
    const ModuleSpec* spec = FileModuleSpec(m, module);
    if (spec == nullptr) {
        Fail("DllRegisterServer of " + module.name + " called, but its file is gone");
        return E_FAIL;
    }
    const HRESULT result = spec->registerResult;
    const std::function<void(Machine&)> action = spec->onRegisterServer;
    ++module.registerServerCalls;
    Log("DllRegisterServer " + Quote(module.name.c_str()) + " -> " + HResultText(result));
    if (action) {
        action(m);
    }
    return result;
}

template <std::size_t I>
HRESULT ExportTrampoline() {
    return CallExportSlot(I);
}

template <class Function>
FARPROC AsFarProc(Function* function) {
    // Through void (*)(), the one function type that every other converts to
    // without a warning; the caller casts back to the entry's real type.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// A fixed pool of real entry points; each is bound to one module's export.
const FARPROC kExportSlots[] = {
    AsFarProc(&ExportTrampoline<0>), AsFarProc(&ExportTrampoline<1>),
    AsFarProc(&ExportTrampoline<2>), AsFarProc(&ExportTrampoline<3>),
    AsFarProc(&ExportTrampoline<4>), AsFarProc(&ExportTrampoline<5>),
    AsFarProc(&ExportTrampoline<6>), AsFarProc(&ExportTrampoline<7>),
};

INT_PTR DirectInputCreateNeverCalled() {
    Fail("DirectInputCreateA was called: the machine only hands out its address");
    return E_FAIL;
}

// "ddraw" -> "ddraw.DLL"; a name that ends in '.' has no extension.
std::string WithDefaultExtension(const std::string& name) {
    std::size_t slash = name.find_last_of("\\/:");
    std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (!name.empty() && name.back() == '.') {
        return name.substr(0, name.size() - 1);
    }
    if (name.find('.', base) == std::string::npos) {
        return name + ".DLL";
    }
    return name;
}

}  // namespace

FARPROC ExportSlotEntry(std::size_t slot) { return kExportSlots[slot]; }
std::size_t ExportSlotCount() { return sizeof kExportSlots / sizeof kExportSlots[0]; }
FARPROC DirectInputCreateEntry() { return &DirectInputCreateNeverCalled; }

const ModuleSpec* FileModuleSpec(Machine& m, const LoadedModule& module) {
    auto file = m.internals().files.find(module.fileKey);
    if (file == m.internals().files.end() || !file->second.spec.module) {
        return nullptr;
    }
    return &*file->second.spec.module;
}

}  // namespace sim

using sim::Current;
using sim::Fail;
using sim::Log;
using sim::Quote;
using sim::SetError;

HMODULE LoadLibraryA(LPCSTR libFileName) {
    sim::Machine& m = Current();
    if (libFileName == nullptr) {
        Fail("LoadLibraryA: null name");
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string name = sim::WithDefaultExtension(libFileName);
    const bool bare = name.find_first_of("\\/:") == std::string::npos;

    std::string key;
    sim::LoadedModule found{};
    DWORD error = 0;
    if (bare && sim::EqualNoCase(name, sim::kDirectDrawName) && m.directDraw.present) {
        key = sim::kDirectDrawName;
        found.kind = sim::ModuleKind::DirectDraw;
        found.name = sim::kDirectDrawName;
    } else if (bare && sim::EqualNoCase(name, sim::kDirectInputName) && m.directInput.present) {
        key = sim::kDirectInputName;
        found.kind = sim::ModuleKind::DirectInput;
        found.name = sim::kDirectInputName;
    } else {
        sim::Located file = sim::Locate(m, name.c_str());
        if (!file.path || file.file == nullptr) {
            error = ERROR_MOD_NOT_FOUND;
        } else if (!file.file->spec.module) {
            error = ERROR_BAD_EXE_FORMAT;
        } else if (file.file->spec.module->loadError != 0) {
            error = file.file->spec.module->loadError;
        } else {
            key = file.path->key;
            found.kind = sim::ModuleKind::File;
            found.name = file.file->display;
            found.fileKey = file.path->key;
            found.staysLoaded = file.file->spec.module->staysLoaded;
        }
    }
    if (error != 0) {
        Log("LoadLibraryA " + Quote(libFileName) + " -> NULL (" + std::to_string(error) + ")");
        SetError(error);
        return nullptr;
    }

    sim::Machine::Internals& in = m.internals();
    auto existing = in.modules.find(key);
    if (existing == in.modules.end()) {
        found.handle = reinterpret_cast<HMODULE>(in.nextModule);
        in.nextModule += 0x00100000;
        existing = in.modules.emplace(key, found).first;
    }
    sim::LoadedModule& module = existing->second;
    module.staysLoaded = found.staysLoaded;
    ++module.loadCount;
    ++m.ledger.libraryLoads[module.name];
    Log("LoadLibraryA " + Quote(libFileName) + " -> loaded");
    return module.handle;
}

FARPROC GetProcAddress(HMODULE moduleHandle, LPCSTR procName) {
    sim::Machine& m = Current();
    sim::LoadedModule* module = sim::ModuleByHandle(m, moduleHandle);
    if (module == nullptr || module->loadCount <= 0) {
        Fail("GetProcAddress on a module that is not loaded");
        SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const bool byName = procName != nullptr && !IS_INTRESOURCE(procName);
    const std::string call = "GetProcAddress " + Quote(module->name.c_str()) + " " +
                             (byName ? Quote(procName) : std::string("#ordinal"));
    FARPROC entry = nullptr;
    if (byName) {
        switch (module->kind) {
            case sim::ModuleKind::DirectDraw:
                if (m.directDraw.exportsCreate && std::strcmp(procName, "DirectDrawCreate") == 0) {
                    entry = sim::DirectDrawCreateEntry();
                }
                break;
            case sim::ModuleKind::DirectInput:
                if (m.directInput.exportsCreateA && std::strcmp(procName, "DirectInputCreateA") == 0) {
                    entry = sim::DirectInputCreateEntry();
                }
                break;
            case sim::ModuleKind::File: {
                const sim::ModuleSpec* spec = sim::FileModuleSpec(m, *module);
                if (spec != nullptr && spec->exportsRegisterServer && std::strcmp(procName, "DllRegisterServer") == 0) {
                    std::string key = module->fileKey;
                    std::vector<std::string>& slots = m.internals().exportSlots;
                    std::size_t slot = 0;
                    while (slot < slots.size() && slots[slot] != key) {
                        ++slot;
                    }
                    if (slot == slots.size()) {
                        if (slot == sim::ExportSlotCount()) {
                            Fail("GetProcAddress: the machine has no export slot left");
                            break;
                        }
                        slots.push_back(key);
                    }
                    entry = sim::ExportSlotEntry(slot);
                }
                break;
            }
        }
    }
    if (entry == nullptr) {
        Log(call + " -> NULL (127)");
        SetError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    Log(call + " -> found");
    return entry;
}

BOOL FreeLibrary(HMODULE libModule) {
    sim::Machine& m = Current();
    sim::LoadedModule* module = sim::ModuleByHandle(m, libModule);
    if (module == nullptr) {
        Fail("FreeLibrary on a handle that LoadLibraryA never returned");
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (module->loadCount <= 0) {
        Fail("FreeLibrary of " + module->name + " more often than it was loaded");
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --module->loadCount;
    ++m.ledger.libraryFrees[module->name];
    Log("FreeLibrary " + Quote(module->name.c_str()) + " -> 1");
    if (module->loadCount == 0 && module->kind == sim::ModuleKind::DirectDraw && sim::DirectDrawObjectsAlive(m) > 0) {
        Fail("DDRAW.DLL was unloaded while DirectDraw objects of it are still alive");
    }
    return TRUE;
}

HRESULT CoInitialize(LPVOID reserved) {
    sim::Machine& m = Current();
    if (reserved != nullptr) {
        Log("CoInitialize -> " + sim::HResultText(E_INVALIDARG));
        return E_INVALIDARG;
    }
    ++m.ledger.coInitializeCalls;
    HRESULT result = m.ledger.coInitializeDepth == 0 ? S_OK : S_FALSE;
    ++m.ledger.coInitializeDepth;
    Log("CoInitialize -> " + sim::HResultText(result));
    return result;
}

void CoUninitialize(void) {
    sim::Machine& m = Current();
    ++m.ledger.coUninitializeCalls;
    Log("CoUninitialize");
    if (m.ledger.coInitializeDepth <= 0) {
        Fail("CoUninitialize without a CoInitialize to match");
        return;
    }
    --m.ledger.coInitializeDepth;
}
