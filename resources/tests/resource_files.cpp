#include "resource_files.h"

#include <fstream>
#include <iterator>

namespace resource_files {

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static void Need(const Bytes& data, size_t offset, size_t length)
{
    if (offset > data.size() || length > data.size() - offset)
        throw std::out_of_range("read of " + std::to_string(length) + " bytes at " +
                                std::to_string(offset) + " beyond " + std::to_string(data.size()));
}

uint8_t U8(const Bytes& data, size_t offset)
{
    Need(data, offset, 1);
    return data[offset];
}

uint16_t U16(const Bytes& data, size_t offset)
{
    Need(data, offset, 2);
    return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

uint32_t U32(const Bytes& data, size_t offset)
{
    Need(data, offset, 4);
    return static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
           static_cast<uint32_t>(data[offset + 2]) << 16 | static_cast<uint32_t>(data[offset + 3]) << 24;
}

int32_t I32(const Bytes& data, size_t offset)
{
    return static_cast<int32_t>(U32(data, offset));
}

Bytes Slice(const Bytes& data, size_t offset, size_t length)
{
    Need(data, offset, length);
    return Bytes(data.begin() + static_cast<std::ptrdiff_t>(offset),
                 data.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

Dib ReadDib(const Bytes& data, int rows, bool withMask)
{
    Dib dib;
    dib.headerSize = U32(data, 0);
    dib.width = I32(data, 4);
    dib.height = I32(data, 8);
    dib.planes = U16(data, 12);
    dib.bitCount = U16(data, 14);
    dib.compression = U32(data, 16);
    dib.coloursUsed = U32(data, 32);
    if (dib.headerSize != 40 || dib.bitCount != 4 || dib.compression != 0 || dib.width <= 0 ||
        rows <= 0 || (dib.coloursUsed != 0 && dib.coloursUsed != 16))
        throw std::runtime_error("not an uncompressed 16-colour DIB with a BITMAPINFOHEADER");

    size_t at = dib.headerSize;
    for (int i = 0; i < 16; ++i, at += 4)
        dib.palette.push_back(Rgb{U8(data, at + 2), U8(data, at + 1), U8(data, at)});

    // Rows are stored bottom-up, each padded to a multiple of four bytes.
    const size_t width = static_cast<size_t>(dib.width);
    const size_t stride = (width * 4 + 31) / 32 * 4;
    dib.pixels.assign(static_cast<size_t>(rows), std::vector<uint8_t>(width));
    for (int row = 0; row < rows; ++row) {
        const size_t line = at + stride * static_cast<size_t>(rows - 1 - row);
        for (size_t x = 0; x < width; ++x) {
            const uint8_t pair = U8(data, line + x / 2);
            dib.pixels[static_cast<size_t>(row)][x] = (x % 2 == 0) ? pair >> 4 : pair & 0x0F;
        }
    }
    at += stride * static_cast<size_t>(rows);
    if (withMask) {
        const size_t maskStride = (width + 31) / 32 * 4;
        dib.clear.assign(static_cast<size_t>(rows), std::vector<bool>(width));
        for (int row = 0; row < rows; ++row) {
            const size_t line = at + maskStride * static_cast<size_t>(rows - 1 - row);
            for (size_t x = 0; x < width; ++x)
                dib.clear[static_cast<size_t>(row)][x] = (U8(data, line + x / 8) & (0x80 >> (x % 8))) != 0;
        }
        at += maskStride * static_cast<size_t>(rows);
    }
    Need(data, 0, at);
    return dib;
}

IcoFile ReadIco(const Bytes& file)
{
    IcoFile ico;
    ico.reserved = U16(file, 0);
    ico.type = U16(file, 2);
    const int count = U16(file, 4);
    for (int i = 0; i < count; ++i) {
        const size_t at = 6 + 16 * static_cast<size_t>(i);
        IcoEntry e;
        e.width = U8(file, at) == 0 ? 256 : U8(file, at);
        e.height = U8(file, at + 1) == 0 ? 256 : U8(file, at + 1);
        e.colourCount = U8(file, at + 2);
        e.reserved = U8(file, at + 3);
        e.planes = U16(file, at + 4);
        e.bitCount = U16(file, at + 6);
        e.bytes = U32(file, at + 8);
        e.offset = U32(file, at + 12);
        e.image = Slice(file, e.offset, e.bytes);
        ico.entries.push_back(e);
    }
    return ico;
}

// A type or name field of a .res header: 0xFFFF and an ordinal, or a string.
static uint16_t ReadOrdinal(const Bytes& file, size_t& at)
{
    if (U16(file, at) != 0xFFFF)
        throw std::runtime_error("resource named by a string at offset " + std::to_string(at));
    const uint16_t ordinal = U16(file, at + 2);
    at += 4;
    return ordinal;
}

std::vector<Resource> ReadRes(const Bytes& file)
{
    std::vector<Resource> resources;
    size_t at = 0;
    while (at < file.size()) {
        const uint32_t dataSize = U32(file, at);
        const uint32_t headerSize = U32(file, at + 4);
        size_t field = at + 8;
        Resource r;
        r.type = ReadOrdinal(file, field);
        r.name = ReadOrdinal(file, field);
        field = (field + 3) & ~static_cast<size_t>(3);
        r.language = U16(file, field + 6);
        r.data = Slice(file, at + headerSize, dataSize);
        // The file starts with an empty entry that only marks it as 32-bit.
        if (!(r.type == 0 && r.name == 0 && dataSize == 0))
            resources.push_back(r);
        at = (at + headerSize + dataSize + 3) & ~static_cast<size_t>(3);
    }
    return resources;
}

}  // namespace resource_files
