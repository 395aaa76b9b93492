// InstallFile with source and destination paths up to and past the limits,
// version blocks present, absent or malformed on either side, and every copy
// outcome: held files, read-only files, closed folders, scripted errors.
#include "fuzz/fuzz_support.h"
#include "placement/placement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::Session session;
    sim::Machine& m = session.machine();
    fuzzing::Input in(data, size);

    // The source is a bare name in the package folder (the current directory).
    std::string source;
    switch (in.Pick(3)) {
    case 0: source = "Quarvel.dll"; break;
    case 1: source = "tqm408k.dll"; break;
    default: source = in.Text(fuzzing::kMaxText); break;
    }
    std::string folder = in.Bool() ? "C:\\Program Files\\Quarvel\\1.50" : in.Text(fuzzing::kMaxText);
    std::string name = in.Bool() ? source : in.Text(fuzzing::kMaxText);
    std::string destination = folder + "\\" + name;

    if (!in.Bool())
        fuzzing::TryAddFile(m, "C:\\package\\" + source, fuzzing::DecodeFile(in));
    if (!in.Bool()) {
        if (fuzzing::TryAddFolder(m, folder) && in.Bool()) {
            try {
                if (sim::FolderSpec* spec = m.FindFolder(folder))
                    spec->denyWrite = true;
            } catch (const std::exception&) {
            }
        }
    }
    if (in.Bool())
        fuzzing::TryAddFile(m, destination, fuzzing::DecodeFile(in));
    fuzzing::DecodeCopyOutcome(in, m, destination);
    fuzzing::DecodeAnswers(in, m);

    InstallFile(source.c_str(), destination.c_str());
    session.CheckBooks("InstallFile");
    return 0;
}
