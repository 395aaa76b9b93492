// The Netscape plug-in step on a decoded registry tree: root keys present or
// not, any number of version subkeys with any names, "CurrentVersion",
// "Plugins Directory" and "Install Directory" of any type, length and
// termination, Main keys present or not, copies that succeed or fail.
#include "fuzz/fuzz_support.h"
#include "placement/placement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::Session session;
    sim::Machine& m = session.machine();
    fuzzing::Input in(data, size);

    m.version = sim::WindowsVersion{in.Bool() ? DWORD{VER_PLATFORM_WIN32_NT} : DWORD{VER_PLATFORM_WIN32_WINDOWS},
                                    4, 0, 0};
    fuzzing::DecodePluginMachine(in, m);
    fuzzing::DecodeAnswers(in, m);

    InstallNetscapePlugin();
    session.CheckBooks("InstallNetscapePlugin");
    return 0;
}
