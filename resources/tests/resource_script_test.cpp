// setup.exe gets its resources from quarvel.rc through the resource
// compiler; the host build gets them from InstallProgramResources. Both read
// the same definitions, but the compiler adds its own defaults (CONTROL adds
// WS_CHILD | WS_VISIBLE, FONT adds DS_SETFONT, class names become atoms).
// These tests compile the script with windres and check that the simulated
// machine serves exactly what the real program will find in its module.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "machine.h"
#include "program_resources.h"
#include "resource_files.h"
#include "resource_ids.h"

using namespace resource_files;

namespace {

const uint16_t kIcon = 3;
const uint16_t kBitmap = 2;
const uint16_t kDialog = 5;
const uint16_t kString = 6;
const uint16_t kGroupIcon = 14;
const uint16_t kEnglishUnitedStates = 0x0409;

std::string SourceFile(const std::string& name)
{
    return std::string(QUARVEL_RESOURCES_DIR) + "/" + name;
}

// The resources that windres compiled from quarvel.rc at build time.
class CompiledResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources = ReadRes(ReadFile(QUARVEL_COMPILED_RES));
        InstallProgramResources(machine);
    }

    const Resource* Find(uint16_t type, uint16_t name) const
    {
        const Resource* found = nullptr;
        for (const Resource& r : resources) {
            if (r.type == type && r.name == name) {
                EXPECT_EQ(found, nullptr) << "resource " << type << "/" << name << " twice";
                found = &r;
            }
        }
        return found;
    }

    std::vector<Resource> resources;
    sim::Machine machine;
};

// UTF-16 text of the compiled file as the program's 8-bit text; the
// program's resource texts are plain ASCII.
std::string Narrow(const Bytes& data, size_t at, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const uint16_t c = U16(data, at + 2 * i);
        EXPECT_LT(c, 0x80u) << "non-ASCII character in a resource text";
        text += static_cast<char>(c);
    }
    return text;
}

// A NUL-terminated UTF-16 string; moves `at` past it.
std::string ReadWideString(const Bytes& data, size_t& at)
{
    size_t length = 0;
    while (U16(data, at + 2 * length) != 0)
        ++length;
    std::string text = Narrow(data, at, length);
    at += 2 * (length + 1);
    return text;
}

// A field of a dialog template that is empty, a number or a text.
struct NameOrNumber {
    int number = 0;  // 0 when empty or a text
    std::string text;
};

NameOrNumber ReadNameOrNumber(const Bytes& data, size_t& at)
{
    NameOrNumber field;
    const uint16_t first = U16(data, at);
    if (first == 0x0000) {
        at += 2;
    } else if (first == 0xFFFF) {
        field.number = U16(data, at + 2);
        at += 4;
    } else {
        field.text = ReadWideString(data, at);
    }
    return field;
}

// The predefined window classes that a dialog template names by atom.
std::string ClassName(const NameOrNumber& field)
{
    switch (field.number) {
    case 0:
        return field.text;
    case 0x0080:
        return "Button";
    case 0x0082:
        return "Static";
    default:
        return "atom " + std::to_string(field.number);
    }
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

size_t AlignToDword(size_t at)
{
    return (at + 3) & ~static_cast<size_t>(3);
}

// DLGTEMPLATE and its DLGITEMTEMPLATEs, read into the host's form.
sim::DialogTemplate ReadDialog(const Bytes& data)
{
    sim::DialogTemplate dialog{};
    dialog.style = U32(data, 0);
    dialog.exStyle = U32(data, 4);
    const int count = U16(data, 8);
    dialog.x = static_cast<int16_t>(U16(data, 10));
    dialog.y = static_cast<int16_t>(U16(data, 12));
    dialog.cx = static_cast<int16_t>(U16(data, 14));
    dialog.cy = static_cast<int16_t>(U16(data, 16));
    size_t at = 18;
    const NameOrNumber menu = ReadNameOrNumber(data, at);
    EXPECT_TRUE(menu.number == 0 && menu.text.empty()) << "the dialog has no menu";
    const NameOrNumber windowClass = ReadNameOrNumber(data, at);
    EXPECT_TRUE(windowClass.number == 0 && windowClass.text.empty()) << "the dialog uses the standard dialog class";
    dialog.caption = ReadWideString(data, at);
    if (dialog.style & 0x40 /* DS_SETFONT */) {
        dialog.pointSize = U16(data, at);
        at += 2;
        dialog.fontName = ReadWideString(data, at);
    }
    for (int i = 0; i < count; ++i) {
        at = AlignToDword(at);
        sim::DialogControl control{};
        control.style = U32(data, at);
        EXPECT_EQ(U32(data, at + 4), 0u) << "control " << i << " has an extended style";
        control.x = static_cast<int16_t>(U16(data, at + 8));
        control.y = static_cast<int16_t>(U16(data, at + 10));
        control.cx = static_cast<int16_t>(U16(data, at + 12));
        control.cy = static_cast<int16_t>(U16(data, at + 14));
        control.id = static_cast<int16_t>(U16(data, at + 16));
        at += 18;
        control.className = ClassName(ReadNameOrNumber(data, at));
        const NameOrNumber title = ReadNameOrNumber(data, at);
        control.text = title.text;
        control.pictureId = title.number;
        const uint16_t extra = U16(data, at);
        at += 2 + extra;
        dialog.controls.push_back(control);
    }
    EXPECT_LE(at, data.size());
    return dialog;
}

}  // namespace

TEST_F(CompiledResources, StringTableIsTheHostsStringTableInEnglishUnitedStates)
{
    std::map<UINT, std::string> compiled;
    for (const Resource& r : resources) {
        if (r.type != kString)
            continue;
        EXPECT_EQ(r.language, kEnglishUnitedStates) << "string block " << r.name;
        // Block n holds the strings (n - 1) * 16 to (n - 1) * 16 + 15, each
        // a length and that many characters; an empty one is no entry.
        size_t at = 0;
        for (UINT i = 0; i < 16; ++i) {
            const uint16_t length = U16(r.data, at);
            if (length != 0)
                compiled[(r.name - 1u) * 16u + i] = Narrow(r.data, at + 2, length);
            at += 2 + 2 * static_cast<size_t>(length);
        }
    }
    EXPECT_EQ(compiled, machine.program.strings);
    EXPECT_EQ(compiled.size(), 21u) << "the table's 21 entries, no more";
}

TEST_F(CompiledResources, CompletionDialogIsTheHostsTemplate)
{
    std::set<UINT> compiledDialogs;
    for (const Resource& r : resources)
        if (r.type == kDialog)
            compiledDialogs.insert(r.name);
    std::set<UINT> hostDialogs;
    for (const auto& entry : machine.program.dialogs)
        hostDialogs.insert(entry.first);
    EXPECT_EQ(compiledDialogs, hostDialogs);

    const Resource* resource = Find(kDialog, IDD_COMPLETION);
    ASSERT_NE(resource, nullptr);
    ASSERT_EQ(machine.program.dialogs.count(IDD_COMPLETION), 1u);
    const sim::DialogTemplate compiled = ReadDialog(resource->data);
    const sim::DialogTemplate& host = machine.program.dialogs.at(IDD_COMPLETION);

    EXPECT_EQ(compiled.caption, host.caption);
    EXPECT_EQ(compiled.fontName, host.fontName);
    EXPECT_EQ(compiled.pointSize, host.pointSize);
    EXPECT_EQ(compiled.style, host.style);
    EXPECT_EQ(compiled.exStyle, host.exStyle);
    EXPECT_EQ(compiled.x, host.x);
    EXPECT_EQ(compiled.y, host.y);
    EXPECT_EQ(compiled.cx, host.cx);
    EXPECT_EQ(compiled.cy, host.cy);
    ASSERT_EQ(compiled.controls.size(), host.controls.size());
    for (size_t i = 0; i < host.controls.size(); ++i) {
        const sim::DialogControl& c = compiled.controls[i];
        const sim::DialogControl& h = host.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + h.text + "\"");
        // windres writes a quoted class as an upper-case name, other resource
        // compilers write the predefined classes as atoms; Windows looks
        // either up without regard to case.
        EXPECT_EQ(Lower(c.className), Lower(h.className));
        EXPECT_EQ(c.text, h.text);
        EXPECT_EQ(c.pictureId, h.pictureId);
        EXPECT_EQ(c.id, h.id);
        EXPECT_EQ(c.x, h.x);
        EXPECT_EQ(c.y, h.y);
        EXPECT_EQ(c.cx, h.cx);
        EXPECT_EQ(c.cy, h.cy);
        EXPECT_EQ(c.style, h.style) << std::hex << "compiled 0x" << c.style << ", host 0x" << h.style;
    }
}

TEST_F(CompiledResources, PicturesAreTheCommittedFiles)
{
    // A bitmap resource is the .bmp file without its 14-byte file header.
    const Resource* banner = Find(kBitmap, IDB_BANNER);
    ASSERT_NE(banner, nullptr);
    const Bytes bmp = ReadFile(SourceFile("banner.bmp"));
    EXPECT_EQ(banner->data, Slice(bmp, 14, bmp.size() - 14));

    // An icon group lists its images like the .ico directory, each image
    // being an icon resource of its own.
    const struct {
        UINT group;
        const char* file;
    } icons[] = {{IDI_QUARVEL_SMALL, "quarvel_small.ico"}, {IDI_QUARVEL, "quarvel.ico"}};
    for (const auto& icon : icons) {
        SCOPED_TRACE(icon.file);
        const Resource* group = Find(kGroupIcon, static_cast<uint16_t>(icon.group));
        ASSERT_NE(group, nullptr);
        const IcoFile ico = ReadIco(ReadFile(SourceFile(icon.file)));
        EXPECT_EQ(U16(group->data, 2), 1) << "an icon group";
        ASSERT_EQ(U16(group->data, 4), ico.entries.size());
        for (size_t i = 0; i < ico.entries.size(); ++i) {
            const size_t at = 6 + 14 * i;
            const IcoEntry& e = ico.entries[i];
            EXPECT_EQ(U8(group->data, at), e.width % 256);
            EXPECT_EQ(U8(group->data, at + 1), e.height % 256);
            EXPECT_EQ(U8(group->data, at + 2), e.colourCount);
            EXPECT_EQ(U16(group->data, at + 4), e.planes);
            EXPECT_EQ(U16(group->data, at + 6), e.bitCount);
            EXPECT_EQ(U32(group->data, at + 8), e.bytes);
            const Resource* image = Find(kIcon, U16(group->data, at + 12));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->data, e.image);
        }
    }
}
