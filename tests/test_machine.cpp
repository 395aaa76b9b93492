#include "tests/test_machine.h"

#include <cstring>

#include "program_resources.h"
#include "report/report.h"

namespace testing_support {

const char kProgramFiles[] = "C:\\Program Files";
const char kInstallFolder[] = "C:\\Program Files\\Quarvel\\1.50\\";
const char kNavigatorPlugins[] = "C:\\Netscape\\4.7\\Plugins";
const char kTypeLibraryKey[] = "TypeLib\\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}";

void ResetProgramState()
{
    InstallState = InstallStateRecord();
    std::memset(ReportLines, 0, sizeof ReportLines);
    ReportLineCount = 0;
    std::memset(ReportText, 0, sizeof ReportText);
}

void AddPackage(sim::Machine& m, bool withPlugin)
{
    sim::ModuleSpec component;
    component.OnRegister([](sim::Machine& machine) {
        sim::RegKey& clsid = machine.Key(HKEY_CLASSES_ROOT, "CLSID\\{5A1C0F7E-3B2D-4E6A-9C81-7F0D2B4E6A13}");
        clsid.SetString("", "Quarvel Control");
        clsid.Key("InprocServer32").SetString("", "C:\\Program Files\\Quarvel\\1.50\\Quarvel.dll");
        machine.Key(HKEY_CLASSES_ROOT, std::string(kTypeLibraryKey) + "\\1.5")
            .SetString("", "Quarvel 1.5 Type Library");
    });
    m.AddFile("C:\\package\\Quarvel.dll",
              sim::FileSpec{}.WithContents("component 1.50").WithVersion(1, 50, 0, 0).AsModule(component));
    m.AddFile("C:\\package\\tqm408k.dll",
              sim::FileSpec{}.WithContents("support 2.3").WithVersion(2, 3, 0, 0));
    if (withPlugin) {
        m.AddFile("C:\\package\\NPKestrix.dll", sim::FileSpec{}.WithContents("plug-in"));
        m.AddFile("C:\\package\\NPKestrix.class", sim::FileSpec{}.WithContents("plug-in class"));
    }
}

void AddOldTypeLibraryRegistration(sim::Machine& m)
{
    sim::RegKey& version = m.Key(HKEY_CLASSES_ROOT, std::string(kTypeLibraryKey) + "\\1.0");
    version.SetString("", "Quarvel 1.0 Type Library");
    version.Key("0\\win32").SetString("", "C:\\Program Files\\Quarvel\\1.00\\Quarvel.dll");
    version.Key("FLAGS").SetString("", "0");
    version.Key("HELPDIR").SetString("", "C:\\Program Files\\Quarvel\\1.00");
}

void AddNavigator(sim::Machine& m, const std::vector<std::string>& versions,
                  const std::string& currentVersion)
{
    sim::RegKey& root = m.Key(HKEY_LOCAL_MACHINE, "Software\\Netscape\\Netscape Navigator");
    if (!currentVersion.empty())
        root.SetString("CurrentVersion", currentVersion);
    for (const std::string& version : versions) {
        std::string folder = "C:\\Netscape\\" + version + "\\Plugins";
        m.AddFolder(folder);
        root.Key(version + "\\Main").SetString("Plugins Directory", folder);
    }
}

void SetUpTypicalMachine(sim::Machine& m)
{
    m.AddFolder(kProgramFiles);
    m.Key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")
        .SetString("ProgramFilesDir", kProgramFiles);
    AddPackage(m);
    AddOldTypeLibraryRegistration(m);
    AddNavigator(m, {"4.7"}, "4.7");
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += "  " + line + "\n";
    return all;
}

void MachineTest::SetUp()
{
    m.onError = [](const std::string& error) { ADD_FAILURE() << "simulated Windows: " << error; };
    InstallProgramResources(m);
    ResetProgramState();
}

int MachineTest::FirstCall(const std::string& prefix) const
{
    for (size_t i = 0; i < m.calls.size(); ++i)
        if (m.calls[i].rfind(prefix, 0) == 0)
            return static_cast<int>(i);
    return -1;
}

int MachineTest::LastCall(const std::string& prefix) const
{
    for (size_t i = m.calls.size(); i > 0; --i)
        if (m.calls[i - 1].rfind(prefix, 0) == 0)
            return static_cast<int>(i - 1);
    return -1;
}

void MachineTest::TearDown()
{
    std::vector<std::string> left = m.Unreleased({"Quarvel.dll"});
    EXPECT_TRUE(left.empty()) << "left open by the program:\n" << Join(left);
    EXPECT_TRUE(m.user.answers.empty()) << m.user.answers.size() << " scripted answers were not used";
}

}  // namespace testing_support
