// The component step on a decoded machine: "ProgramFilesDir" of any type,
// length and termination, folder create results, package files and installed
// files with any version information, copy outcomes, load and registration
// results of the component, and the old type library tree.
#include "fuzz/fuzz_support.h"
#include "placement/placement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::Session session;
    sim::Machine& m = session.machine();
    fuzzing::Input in(data, size);

    static const OsFamily kFamilies[] = {OsNone, OsWindows9x, OsWindowsNT};
    InstallState.osFamily = kFamilies[in.Pick(3)];
    fuzzing::DecodeComponentMachine(in, m);
    fuzzing::DecodeAnswers(in, m);

    InstallComponent();
    session.CheckBooks("InstallComponent");
    return 0;
}
