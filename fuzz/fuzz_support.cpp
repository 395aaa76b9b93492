#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "installer/install_state.h"
#include "program_resources.h"
#include "report/report.h"

namespace fuzzing {

std::uint8_t Input::Byte()
{
    if (size_ == 0)
        return 0;
    std::uint8_t value = *data_;
    ++data_;
    --size_;
    return value;
}

std::uint16_t Input::Word()
{
    std::uint16_t low = Byte();
    std::uint16_t high = Byte();
    return static_cast<std::uint16_t>(low | (high << 8));
}

std::uint32_t Input::Dword()
{
    std::uint32_t low = Word();
    std::uint32_t high = Word();
    return low | (high << 16);
}

std::size_t Input::Length(std::size_t max)
{
    std::size_t length = Byte();
    if (length >= 0x80)
        length = ((length & 0x7F) << 8) | Byte();
    return length < max ? length : max;
}

std::string Input::Text(std::size_t max)
{
    std::size_t literal = Length(max);
    if (literal > size_)
        literal = size_;
    std::string text(reinterpret_cast<const char*>(data_), literal);
    data_ += literal;
    size_ -= literal;
    char fill = static_cast<char>(Byte());
    if (fill != '\0') {
        std::size_t total = Length(max);
        if (total > text.size())
            text.append(total - text.size(), fill);
    }
    return text;
}

namespace {

const DWORD kValueTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_NONE};

// Error codes a copy or a folder create can meet on a real machine, and one
// decoded from the input. Never 0: a scripted failure must be a failure (the
// simulation takes a scripted 0 for a copy that succeeded, even from a
// missing source; see fuzz/findings/).
DWORD DecodeError(Input& in)
{
    static const DWORD kErrors[] = {ERROR_ACCESS_DENIED,   ERROR_SHARING_VIOLATION,
                                    ERROR_FILE_NOT_FOUND,  ERROR_PATH_NOT_FOUND,
                                    ERROR_FILE_EXISTS,     ERROR_FILENAME_EXCED_RANGE,
                                    ERROR_ALREADY_EXISTS};
    unsigned choice = in.Pick(8);
    if (choice < 7)
        return kErrors[choice];
    DWORD error = in.Dword();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

sim::ModuleSpec DecodeModule(Input& in)
{
    sim::ModuleSpec module;
    switch (in.Pick(6)) {
    case 2: module.loadError = ERROR_GEN_FAILURE; break;
    case 3: module.loadError = ERROR_PROC_NOT_FOUND; break;
    case 4: module.loadError = ERROR_MOD_NOT_FOUND; break;
    case 5: module.loadError = in.Dword(); break;
    default: break;
    }
    module.exportsRegisterServer = !in.Bool();
    switch (in.Pick(4)) {
    case 1: module.registerResult = S_FALSE; break;
    case 2: module.registerResult = E_FAIL; break;
    case 3: module.registerResult = static_cast<HRESULT>(in.Dword()); break;
    default: break;
    }
    if (in.Bool()) {
        // What the component's own registration writes.
        module.OnRegister([](sim::Machine& machine) {
            sim::RegKey& clsid = machine.Key(HKEY_CLASSES_ROOT, "CLSID\\{5A1C0F7E-3B2D-4E6A-9C81-7F0D2B4E6A13}");
            clsid.SetString("", "Quarvel Control");
            machine.Key(HKEY_CLASSES_ROOT, "TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}\\1.5")
                .SetString("", "Quarvel 1.5 Type Library");
        });
    }
    module.staysLoaded = in.Bool();
    return module;
}

void DecodeTypeLibrary(Input& in, sim::Machine& m)
{
    std::vector<sim::RegKey*> keys;
    switch (in.Pick(3)) {
    case 1: {
        sim::RegKey& version =
            m.Key(HKEY_CLASSES_ROOT, "TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}\\1.0");
        version.SetString("", "Quarvel 1.0 Type Library");
        keys.push_back(&version.Key("0\\win32"));
        keys.push_back(&version.Key("FLAGS"));
        keys.push_back(&version.Key("HELPDIR"));
        keys.push_back(&version);
        break;
    }
    case 2: {
        sim::RegKey& version =
            m.Key(HKEY_CLASSES_ROOT, "TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}\\1.0");
        keys.push_back(&version);
        for (unsigned count = in.Pick(8); count > 0; --count) {
            sim::RegKey& key = version.Key(in.Text(40));
            if (in.Bool())
                DecodeValue(in, key, "");
            keys.push_back(&key);
        }
        break;
    }
    default:
        break;
    }
    if (!keys.empty()) {
        keys.push_back(&m.Key(HKEY_CLASSES_ROOT, "TypeLib"));
        keys.push_back(&m.Key(HKEY_CLASSES_ROOT, "TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}"));
        for (unsigned count = in.Pick(3); count > 0; --count)
            keys[in.Pick(static_cast<unsigned>(keys.size()))]->refuseWrite = true;
    }
    switch (in.Pick(3)) {
    case 1: m.deleteBehaviour = sim::DeleteBehaviour::NT; break;
    case 2: m.deleteBehaviour = sim::DeleteBehaviour::Win9x; break;
    default: break;
    }
}

// A file at a destination that was there before the run, and what copies
// onto it meet.
void DecodeDestination(Input& in, sim::Machine& m, const std::string& destination)
{
    if (in.Bool())
        TryAddFile(m, destination, DecodeFile(in));
    DecodeCopyOutcome(in, m, destination);
}

// One browser root (Navigator or Netscape 6) with decoded version subkeys.
void DecodeBrowser(Input& in, sim::Machine& m, const char* rootPath, const char* folderValue,
                   const char* pluginSubfolder)
{
    if (!in.Bool())
        return;
    sim::RegKey& root = m.Key(HKEY_LOCAL_MACHINE, rootPath);
    std::vector<std::string> names;
    for (unsigned count = in.Pick(24); count > 0; --count) {
        std::string name = in.Text(300);
        names.push_back(name);
        sim::RegKey& version = root.Key(name);
        if (!in.Bool())
            continue;
        sim::RegKey& main = version.Key("Main");
        if (!in.Bool())
            continue;
        std::string folder = TextUpToNul(DecodeValue(in, main, folderValue));
        std::string plugins = folder + pluginSubfolder;
        if (in.Bool())
            TryAddFolder(m, plugins);
        if (in.Bool()) {
            DecodeDestination(in, m, plugins + "\\NPKestrix.dll");
            DecodeDestination(in, m, plugins + "\\NPKestrix.class");
        }
    }
    switch (in.Pick(3)) {
    case 1:
        DecodeValue(in, root, "CurrentVersion");
        break;
    case 2:
        if (!names.empty())
            root.SetString("CurrentVersion", names[in.Pick(static_cast<unsigned>(names.size()))]);
        break;
    default:
        break;
    }
}

}  // namespace

std::string DecodeValue(Input& in, sim::RegKey& key, const std::string& valueName)
{
    unsigned choice = in.Pick(7);
    DWORD type = choice < 6 ? kValueTypes[choice] : in.Dword();
    std::string data = in.Text(kMaxText);
    if (in.Bool())
        data.push_back('\0');
    key.SetValue(valueName, type, data);
    return data;
}

std::string TextUpToNul(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

sim::FileSpec DecodeFile(Input& in)
{
    sim::FileSpec spec;
    spec.contents = in.Text(32);
    switch (in.Pick(4)) {
    case 1: {
        WORD major = in.Word();
        WORD minor = in.Word();
        WORD build = in.Word();
        WORD revision = in.Word();
        spec.WithVersion(major, minor, build, revision);
        break;
    }
    case 2: spec.WithVersionBlockWithoutFixedInfo(false); break;
    case 3: spec.WithVersionBlockWithoutFixedInfo(true); break;
    default: break;
    }
    static const std::size_t kBlockSizes[] = {760, 0, 40, 52, 92, 1024, 1025};
    unsigned size = in.Pick(8);
    spec.versionBlockSize = size < 7 ? kBlockSizes[size] : in.Word();
    static const DWORD kAttributes[] = {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY,
                                        FILE_ATTRIBUTE_HIDDEN,
                                        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN};
    spec.attributes = kAttributes[in.Pick(4)];
    return spec;
}

void DecodeCopyOutcome(Input& in, sim::Machine& m, const std::string& destination)
{
    unsigned hold = in.Pick(4);
    std::vector<DWORD> errors;
    for (unsigned count = in.Pick(4); count > 0; --count)
        errors.push_back(DecodeError(in));
    try {
        if (hold != 0 && m.FileExists(destination))
            m.HoldFile(destination, hold == 3 ? sim::Machine::kUntilReleased : static_cast<int>(hold));
        if (!errors.empty())
            m.ScriptCopyErrors(destination, errors);
    } catch (const std::exception&) {
        // Not a path the machine can hold: the copy meets what the path gives.
    }
}

bool TryAddFolder(sim::Machine& m, const std::string& path)
{
    try {
        m.AddFolder(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TryAddFile(sim::Machine& m, const std::string& path, const sim::FileSpec& spec)
{
    try {
        m.AddFile(path, spec);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void DecodeAnswers(Input& in, sim::Machine& m)
{
    static const int kAnswers[] = {0, IDOK, IDCANCEL, IDRETRY};
    for (unsigned count = in.Pick(16); count > 0; --count)
        m.user.Answer(kAnswers[in.Pick(4)]);
    for (int i = 0; i < 128; ++i)
        m.user.Answer(IDCANCEL);
}

void DecodeComponentMachine(Input& in, sim::Machine& m)
{
    std::string programFiles;
    unsigned registry = in.Pick(3);
    if (registry != 0) {
        sim::RegKey& key = m.Key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion");
        if (registry == 2)
            programFiles = TextUpToNul(DecodeValue(in, key, "ProgramFilesDir"));
    }
    if (in.Bool())
        TryAddFolder(m, programFiles);
    if (in.Bool())
        TryAddFolder(m, "C:\\program");

    const std::string products[] = {programFiles + "\\Quarvel", "C:\\program\\Quarvel", "\\Quarvel"};
    const std::string installs[] = {products[0] + "\\1.50", products[1] + "\\1.50", products[2] + "\\1.50"};
    for (unsigned count = in.Pick(4); count > 0; --count) {
        unsigned which = in.Pick(6);
        m.createDirectoryFailures[which < 3 ? products[which] : installs[which - 3]] = DecodeError(in);
    }
    if (in.Bool())
        TryAddFolder(m, installs[in.Pick(3)]);
    if (in.Bool()) {
        unsigned which = in.Pick(4);
        try {
            sim::FolderSpec* folder = m.FindFolder(which < 3 ? products[which] : programFiles);
            if (folder != nullptr)
                folder->denyWrite = true;
        } catch (const std::exception&) {
            // Not a usable path: there is no such folder to close.
        }
    }

    if (!in.Bool())
        TryAddFile(m, "C:\\package\\tqm408k.dll", DecodeFile(in));
    if (!in.Bool()) {
        sim::FileSpec component = DecodeFile(in);
        component.AsModule(DecodeModule(in));
        TryAddFile(m, "C:\\package\\Quarvel.dll", component);
    }
    for (const char* file : {"\\tqm408k.dll", "\\Quarvel.dll"}) {
        if (in.Bool())
            DecodeDestination(in, m, installs[in.Pick(3)] + file);
    }
    DecodeTypeLibrary(in, m);
}

void DecodePluginMachine(Input& in, sim::Machine& m)
{
    if (!in.Bool())
        TryAddFile(m, "C:\\package\\NPKestrix.dll", DecodeFile(in));
    if (!in.Bool())
        TryAddFile(m, "C:\\package\\NPKestrix.class", DecodeFile(in));
    DecodeBrowser(in, m, "Software\\Netscape\\Netscape Navigator", "Plugins Directory", "");
    DecodeBrowser(in, m, "Software\\Netscape\\Netscape 6", "Install Directory", "\\Plugins");
}

void ResetProgramState()
{
    InstallState = InstallStateRecord();
    std::memset(ReportLines, 0, sizeof ReportLines);
    ReportLineCount = 0;
    std::memset(ReportText, 0, sizeof ReportText);
}

Session::Session() : machine_(std::make_unique<sim::Machine>())
{
    machine_->onError = [](const std::string&) {};
    InstallProgramResources(*machine_);
    ResetProgramState();
}

namespace {

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A decoded answer that is not a button of the box it met (IDRETRY on an OK
// box, 0 on the completion dialog) is the input's doing, not the program's.
bool IsAnswerMismatch(const std::string& error)
{
    if (error.rfind("MessageBoxA: answer ", 0) == 0 || error.rfind("DialogBoxParamA: answer ", 0) == 0)
        return true;
    if (error.rfind("DialogBoxParamA: the dialog procedure did not end dialog", 0) == 0)
        return !EndsWith(error, " after answer 1") && !EndsWith(error, " after answer 2");
    return false;
}

}  // namespace

void Session::CheckBooks(const char* step)
{
    sim::Machine& m = *machine_;
    if (std::getenv("QUARVEL_FUZZ_SHOW") != nullptr) {
        // Shows what an input did, to check a seed or a finding.
        for (const std::string& call : m.calls)
            std::fprintf(stderr, "  %s\n", call.c_str());
    }
    std::vector<std::string> faults = m.Unreleased({"Quarvel.dll"});
    for (const std::string& error : m.errors) {
        if (!IsAnswerMismatch(error))
            faults.push_back("simulated Windows: " + error);
    }
    if (faults.empty())
        return;
    std::fprintf(stderr, "==== %s broke the machine's books:\n", step);
    for (const std::string& fault : faults)
        std::fprintf(stderr, "  %s\n", fault.c_str());
    std::fprintf(stderr, "---- calls:\n");
    for (const std::string& call : m.calls)
        std::fprintf(stderr, "  %s\n", call.c_str());
    std::abort();
}

}  // namespace fuzzing
