// Runs the set-up program on the simulated machine and shows what happened:
// every box and dialog the user saw, the trace lines, the exit code, the files
// placed and the registry afterwards.
//
//   simulated_run [typical|colour-cancel|nt4-without-directinput|older-file]
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "installer/install_state.h"
#include "program_resources.h"
#include "tests/test_machine.h"

namespace {

using Scenario = std::function<void(sim::Machine&)>;

const std::map<std::string, std::pair<const char*, Scenario>>& Scenarios()
{
    static const std::map<std::string, std::pair<const char*, Scenario>> scenarios = {
        {"typical",
         {"Windows 98, DirectX 6, 16-bit display, Navigator 4.7, full package; OK on the dialog",
          [](sim::Machine& m) {
              testing_support::SetUpTypicalMachine(m);
              m.user.Answer(IDOK);
          }}},
        {"colour-cancel",
         {"an 8-bit display: Retry once, then Cancel",
          [](sim::Machine& m) {
              testing_support::SetUpTypicalMachine(m);
              m.displayDepths = {DWORD{8}};
              m.user.Answer(IDRETRY).Answer(IDCANCEL);
          }}},
        {"nt4-without-directinput",
         {"Windows NT 4.0 without DirectInput",
          [](sim::Machine& m) {
              testing_support::SetUpTypicalMachine(m);
              m.version = sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 4, 0, 1381};
              m.directInput.present = false;
              m.user.Answer(IDOK);
          }}},
        {"older-file",
         {"a newer tqm408k.dll (2.5) is installed; the user keeps it",
          [](sim::Machine& m) {
              testing_support::SetUpTypicalMachine(m);
              m.AddFile(std::string(testing_support::kInstallFolder) + "tqm408k.dll",
                        sim::FileSpec{}.WithContents("support 2.5").WithVersion(2, 5, 0, 0));
              m.user.Answer(IDCANCEL).Answer(IDOK);
          }}},
    };
    return scenarios;
}

std::string Printable(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\n        ";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

void PrintKeys(const sim::Machine& m, HKEY root, const std::string& path, int depth)
{
    if (!m.KeyExists(root, path))
        return;
    std::printf("  %*s%s\n", depth * 2, "", path.substr(path.rfind('\\') + 1).c_str());
    for (const std::string& name : m.SubkeyNames(root, path))
        PrintKeys(m, root, path + "\\" + name, depth + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string name = argc > 1 ? argv[1] : "typical";
    auto found = Scenarios().find(name);
    if (found == Scenarios().end()) {
        std::fprintf(stderr, "unknown scenario '%s'; known:", name.c_str());
        for (const auto& entry : Scenarios())
            std::fprintf(stderr, " %s", entry.first.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }

    sim::Machine m;
    InstallProgramResources(m);
    found->second.second(m);

    std::printf("Scenario %s: %s\n\n", name.c_str(), found->second.first);
    char commandLine[] = "";
    int exitCode = InstallerMain(sim::ProgramInstance(), NULL, commandLine, SW_SHOWNORMAL);

    std::printf("What the user saw:\n");
    for (const sim::Shown& shown : m.user.transcript) {
        if (shown.kind == sim::ShownKind::Dialog)
            std::printf("  dialog %u \"%s\" -> control %d\n", shown.dialogId, shown.title.c_str(),
                        shown.answer);
        else
            std::printf("  box \"%s\" (style 0x%X) -> %d\n        %s\n", shown.title.c_str(),
                        shown.style, shown.answer, Printable(shown.text).c_str());
    }
    std::printf("\nDebugger output:\n");
    for (const std::string& line : m.debugOutput)
        std::printf("  %s\n", Printable(line).c_str());
    std::printf("\nExit code: %d\n\nFiles on the machine:\n", exitCode);
    for (const std::string& file : m.Files())
        std::printf("  %s\n", file.c_str());
    std::printf("\nHKEY_CLASSES_ROOT afterwards:\n");
    PrintKeys(m, HKEY_CLASSES_ROOT, "TypeLib", 0);
    PrintKeys(m, HKEY_CLASSES_ROOT, "CLSID", 0);

    std::vector<std::string> left = m.Unreleased({"Quarvel.dll"});
    std::printf("\nLeft open by the program: %s\n", left.empty() ? "nothing" : "");
    for (const std::string& item : left)
        std::printf("  %s\n", item.c_str());
    return m.errors.empty() && left.empty() ? 0 : 1;
}
