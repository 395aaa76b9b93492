// Readers for the binary files behind the program's resources: the committed
// bitmap and icon files, and the compiled resource file (.res). Every read is
// checked against the end of the data, so a truncated file fails a test
// instead of reading past the buffer.
#ifndef QUARVEL_RESOURCES_TESTS_RESOURCE_FILES_H
#define QUARVEL_RESOURCES_TESTS_RESOURCE_FILES_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace resource_files {

using Bytes = std::vector<uint8_t>;

// The whole file; throws std::runtime_error when it can't be read.
Bytes ReadFile(const std::string& path);

// Little-endian reads at an offset; throw std::out_of_range past the end.
uint8_t U8(const Bytes& data, size_t offset);
uint16_t U16(const Bytes& data, size_t offset);
uint32_t U32(const Bytes& data, size_t offset);
int32_t I32(const Bytes& data, size_t offset);
Bytes Slice(const Bytes& data, size_t offset, size_t length);

struct Rgb {
    uint8_t r, g, b;
    bool operator<(const Rgb& o) const { return (r << 16 | g << 8 | b) < (o.r << 16 | o.g << 8 | o.b); }
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A device-independent bitmap of 4 bits per pixel: a BITMAPINFOHEADER, its
// 16-entry palette and the pixels, as found in a .bmp after its file header
// and in every image of a .ico.
struct Dib {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // as stored: twice the picture's height in an icon
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<Rgb> palette;
    std::vector<std::vector<uint8_t>> pixels;  // [row from the top][x] -> palette index
    std::vector<std::vector<bool>> clear;      // icons only: AND mask bit set
};

// Reads a 4 bpp, uncompressed DIB whose picture is `rows` high; with
// `withMask` an icon's AND mask follows the pixels. Throws
// std::runtime_error when the header does not describe such a picture.
Dib ReadDib(const Bytes& data, int rows, bool withMask);

// One entry of a .ico directory with its image bytes.
struct IcoEntry {
    int width = 0, height = 0, colourCount = 0, reserved = 0, planes = 0, bitCount = 0;
    uint32_t bytes = 0, offset = 0;
    Bytes image;
};
struct IcoFile {
    int reserved = 0, type = 0;
    std::vector<IcoEntry> entries;
};
IcoFile ReadIco(const Bytes& file);

// One resource of a compiled .res file, named by numbers only (the program
// names all its resources by number).
struct Resource {
    uint16_t type = 0;
    uint16_t name = 0;
    uint16_t language = 0;
    Bytes data;
};
std::vector<Resource> ReadRes(const Bytes& file);

}  // namespace resource_files

#endif
