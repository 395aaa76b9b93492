// Shared set-up for the tests: a simulated machine with the program's
// resources, a clean program state, and the end-of-test books.
#ifndef QUARVEL_TESTS_TEST_MACHINE_H
#define QUARVEL_TESTS_TEST_MACHINE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/install_state.h"
#include "machine.h"

namespace testing_support {

extern const char kProgramFiles[];     // "C:\Program Files"
extern const char kInstallFolder[];    // "C:\Program Files\Quarvel\1.50\"
extern const char kNavigatorPlugins[]; // Navigator 4.7's plug-in folder
extern const char kTypeLibraryKey[];   // "TypeLib\{7D2E9A41-...}"

// Puts InstallState and the report back to their all-zero start.
void ResetProgramState();

// The machine of a typical run: Windows 98 with DirectX 6 and a 16-bit
// display, Program Files named in the registry, a full package in
// C:\package, Netscape Navigator 4.7, and the type library's 1.0 registration
// left by an earlier version.
void SetUpTypicalMachine(sim::Machine& m);

// The package files alone.
void AddPackage(sim::Machine& m, bool withPlugin = true);

// The keys an earlier version's type library registration left behind.
void AddOldTypeLibraryRegistration(sim::Machine& m);

// Navigator with the given versions, CurrentVersion and one plug-in folder per
// version ("C:\Netscape\<version>\Plugins", made on the machine).
void AddNavigator(sim::Machine& m, const std::vector<std::string>& versions,
                  const std::string& currentVersion);

std::string Join(const std::vector<std::string>& lines);

// A test on a fresh machine whose every box fails the test unless scripted;
// at the end nothing that the program opened may be left open, except the
// component, which stays loaded by design.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<std::string> Boxes() const { return m.user.MessageTexts(); }

    // Position in the call log of the first or the last call that starts
    // with prefix; -1 when there is none.
    int FirstCall(const std::string& prefix) const;
    int LastCall(const std::string& prefix) const;

    sim::Machine m;
};

}  // namespace testing_support

#endif
