// The committed pictures are what the resource script compiles into
// setup.exe: the completion dialog's banner and the program's icons. These
// tests read the files as Windows will and check that each is a real
// 16-colour picture of the right size.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "resource_files.h"

using namespace resource_files;

namespace {

std::string PictureFile(const std::string& name)
{
    return std::string(QUARVEL_RESOURCES_DIR) + "/" + name;
}

}  // namespace

TEST(BannerBitmap, IsA240By54SixteenColourPictureOfSeveralColours)
{
    const Bytes file = ReadFile(PictureFile("banner.bmp"));

    // BITMAPFILEHEADER: "BM", the file's size, the offset of the pixels.
    ASSERT_GE(file.size(), 14u + 40u + 64u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), file.size());
    EXPECT_EQ(U32(file, 10), 14u + 40u + 16u * 4u) << "pixels must follow the 16-entry palette";

    const Bytes info = Slice(file, 14, file.size() - 14);
    const Dib dib = ReadDib(info, 54, false);
    EXPECT_EQ(dib.width, 240);
    EXPECT_EQ(dib.height, 54) << "a bottom-up picture 54 rows high";
    EXPECT_EQ(dib.planes, 1);
    EXPECT_EQ(dib.bitCount, 4);
    EXPECT_EQ(dib.compression, 0u);
    EXPECT_EQ(file.size(), 14u + 40u + 64u + 120u * 54u);

    std::set<Rgb> shown;
    for (const auto& row : dib.pixels)
        for (uint8_t index : row)
            shown.insert(dib.palette[index]);
    EXPECT_GE(shown.size(), 4u) << "a banner with a picture on it, not a blank or two-tone area";
}

// The icon files with the sizes each must hold, largest first.
struct IconCase {
    const char* file;
    std::vector<int> sizes;
};

class IconFile : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconFile, HoldsItsSizesAsSixteenColourImagesWithAPicture)
{
    const IconCase& c = GetParam();
    const Bytes file = ReadFile(PictureFile(c.file));
    const IcoFile ico = ReadIco(file);

    EXPECT_EQ(ico.reserved, 0);
    EXPECT_EQ(ico.type, 1) << "1 marks an icon, 2 a cursor";
    ASSERT_EQ(ico.entries.size(), c.sizes.size());

    for (size_t i = 0; i < c.sizes.size(); ++i) {
        const IcoEntry& e = ico.entries[i];
        const int size = c.sizes[i];
        SCOPED_TRACE(std::string(c.file) + " image " + std::to_string(size) + "x" + std::to_string(size));
        EXPECT_EQ(e.width, size);
        EXPECT_EQ(e.height, size);
        EXPECT_EQ(e.colourCount, 16);
        EXPECT_EQ(e.reserved, 0);
        EXPECT_EQ(e.planes, 1);
        EXPECT_EQ(e.bitCount, 4);

        const Dib dib = ReadDib(e.image, size, true);
        EXPECT_EQ(dib.width, size);
        EXPECT_EQ(dib.height, 2 * size) << "an icon's header counts the colours and the mask";
        EXPECT_EQ(dib.planes, 1);
        const size_t colours = (static_cast<size_t>(size) * 4 + 31) / 32 * 4 * static_cast<size_t>(size);
        const size_t mask = (static_cast<size_t>(size) + 31) / 32 * 4 * static_cast<size_t>(size);
        EXPECT_EQ(e.bytes, 40u + 64u + colours + mask);

        size_t opaque = 0;
        std::set<Rgb> shown;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const uint8_t index = dib.pixels[static_cast<size_t>(y)][static_cast<size_t>(x)];
                if (dib.clear[static_cast<size_t>(y)][static_cast<size_t>(x)]) {
                    // Windows draws AND mask then XOR colour: a transparent
                    // pixel that is not black would invert the screen there.
                    EXPECT_EQ(dib.palette[index], (Rgb{0, 0, 0}))
                        << "transparent pixel " << x << "," << y << " is not black";
                } else {
                    ++opaque;
                    shown.insert(dib.palette[index]);
                }
            }
        }
        EXPECT_GE(opaque, static_cast<size_t>(size * size / 2)) << "most of the icon is drawn";
        EXPECT_GE(shown.size(), 3u) << "a picture, not a filled square";
    }

    // The images follow the directory one after the other, without overlap.
    size_t end = 6 + 16 * ico.entries.size();
    for (const IcoEntry& e : ico.entries) {
        EXPECT_GE(e.offset, end);
        end = e.offset + e.bytes;
    }
    EXPECT_EQ(end, file.size());
}

INSTANTIATE_TEST_SUITE_P(ProgramIcons, IconFile,
                         ::testing::Values(IconCase{"quarvel.ico", {32, 16}},
                                           IconCase{"quarvel_small.ico", {16}}),
                         [](const ::testing::TestParamInfo<IconCase>& info) {
                             return std::string(info.param.file).substr(0, std::string(info.param.file).find('.'));
                         });
