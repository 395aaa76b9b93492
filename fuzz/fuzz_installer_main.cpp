// The whole run from the entry: any command line (as given to InstallerMain,
// or whole with the program's name first), and a machine decoded from
// the input: Windows version, display depths, DirectDraw and DirectInput,
// the component's and the plug-in's parts of the machine, and the answers of
// the user.
#include "fuzz/fuzz_support.h"
#include "installer/install_state.h"

namespace {

HRESULT DecodeResult(fuzzing::Input& in)
{
    switch (in.Pick(4)) {
    case 1: return E_FAIL;
    case 2: return DDERR_GENERIC;
    case 3: return static_cast<HRESULT>(in.Dword() | 0x80000000u);
    default: return DD_OK;
    }
}

void DecodePlatform(fuzzing::Input& in, sim::Machine& m)
{
    switch (in.Pick(4)) {
    case 0:
        m.version.reset();
        break;
    case 1: {
        DWORD platform = in.Pick(4);
        DWORD major = in.Pick(8);
        DWORD minor = in.Byte();
        m.version = sim::WindowsVersion{platform, major, minor, in.Word()};
        break;
    }
    case 2:
        m.version = sim::WindowsVersion{VER_PLATFORM_WIN32_NT, 4, 0, 1381};
        break;
    default:
        break;  // Windows 98
    }

    static const DWORD kDepths[] = {1, 4, 8, 15, 16, 24, 32};
    m.displayDepths.clear();
    for (unsigned count = in.Pick(4) + 1; count > 0; --count) {
        unsigned choice = in.Pick(9);
        if (choice == 7)
            m.displayDepths.push_back(std::nullopt);
        else
            m.displayDepths.push_back(choice < 7 ? kDepths[choice] : DWORD{in.Byte()});
    }

    sim::DirectDrawSpec& draw = m.directDraw;
    draw.present = !in.Bool();
    draw.exportsCreate = !in.Bool();
    draw.createResult = DecodeResult(in);
    draw.offersDirectDraw2 = !in.Bool();
    draw.setCooperativeLevelResult = DecodeResult(in);
    draw.createSurfaceResult = DecodeResult(in);
    draw.surfaceOffers3 = !in.Bool();
    draw.surfaceOffers4 = !in.Bool();
    draw.successResult = in.Bool() ? static_cast<HRESULT>(in.Dword() & 0x7FFFFFFF) : DD_OK;
    m.directInput.present = !in.Bool();
    m.directInput.exportsCreateA = !in.Bool();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::Session session;
    sim::Machine& m = session.machine();
    fuzzing::Input in(data, size);

    bool nullCommandLine = in.Bool();
    std::string commandLine = in.Text(fuzzing::kMaxText);
    DecodePlatform(in, m);
    fuzzing::DecodeComponentMachine(in, m);
    fuzzing::DecodePluginMachine(in, m);
    fuzzing::DecodeAnswers(in, m);
    // Last, so that inputs that end with the answers keep their meaning: the
    // line as the Windows entry sees it, program name first.
    bool throughEntry = in.Bool();

    LPSTR line = nullCommandLine ? NULL : &commandLine[0];
    if (throughEntry)
        line = SkipProgramName(line);
    InstallerMain(sim::ProgramInstance(), NULL, line, 10);
    session.CheckBooks("InstallerMain");
    return 0;
}
