// Shared pieces of the fuzz targets: a reader that turns the fuzzer's bytes
// into the parts of a simulated machine, the decoders of the machine parts
// that several targets share, and the check of the machine's books after a
// run.
//
// The byte format is sequential and forgiving: every read past the end gives
// zero, so any input decodes to some machine. fuzz/corpus/make_seeds.py writes
// the committed seeds in the same format.
#ifndef QUARVEL_FUZZ_FUZZ_SUPPORT_H
#define QUARVEL_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "machine.h"

namespace fuzzing {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte();
    bool Bool() { return (Byte() & 1) != 0; }
    unsigned Pick(unsigned count) { return Byte() % count; }
    std::uint16_t Word();   // little-endian
    std::uint32_t Dword();  // little-endian
    // One byte below 0x80 is the length itself; otherwise its low seven bits
    // and the next byte make a 15-bit length. Capped at max.
    std::size_t Length(std::size_t max);
    // A literal part (Length, then the bytes), then a fill byte: when it is
    // not zero, the text is padded with that character up to a second Length.
    // The padding lets a short input reach the lengths around the limits.
    std::string Text(std::size_t max);

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Longest text a decoder makes: past every buffer of the program.
constexpr std::size_t kMaxText = 700;

// A registry value of any type: a type (one of six, or any number), the data
// and whether a terminator follows the data.
// Returns the data as stored.
std::string DecodeValue(Input& in, sim::RegKey& key, const std::string& valueName);

// The text of a value as the program would read it, up to its first NUL:
// used to put folders and files where a value points.
std::string TextUpToNul(const std::string& bytes);

// A package or installed file: contents, version information present, absent
// or malformed, block size, attributes.
sim::FileSpec DecodeFile(Input& in);

// What copies onto a destination meet: a held file, scripted error codes.
// Quietly does nothing when the path is not one the machine can hold.
void DecodeCopyOutcome(Input& in, sim::Machine& m, const std::string& destination);

// Adds a folder (and its parents) unless the path is not usable.
bool TryAddFolder(sim::Machine& m, const std::string& path);
// Adds a file unless the path is not usable.
bool TryAddFile(sim::Machine& m, const std::string& path, const sim::FileSpec& spec);

// The user's answers: a decoded list from {0, IDOK, IDCANCEL, IDRETRY}, then
// enough IDCANCEL answers that every further box has one. No box of the
// program asks again after Cancel, so the run always ends.
void DecodeAnswers(Input& in, sim::Machine& m);

// The machine parts that the component step reads: "ProgramFilesDir", the
// folders and their create results, the package's support library and
// component (with its load and registration results), installed files, copy
// outcomes and the old type library tree.
void DecodeComponentMachine(Input& in, sim::Machine& m);

// The machine parts that the plug-in step reads: the Navigator and Netscape 6
// trees, their folders, the plug-in files and their copy outcomes.
void DecodePluginMachine(Input& in, sim::Machine& m);

// A fresh machine with the program's resources, a clean program state and an
// error hook that only records. Construct one per input.
class Session {
public:
    Session();
    sim::Machine& machine() { return *machine_; }
    // Aborts when the program left anything open (except the component, which
    // stays loaded by design) or misused a Win32 call.
    void CheckBooks(const char* step);

private:
    std::unique_ptr<sim::Machine> machine_;
};

// Puts InstallState and the report back to their all-zero start.
void ResetProgramState();

}  // namespace fuzzing

#endif
