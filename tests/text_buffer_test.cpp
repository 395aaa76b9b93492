// The bounded text helpers behind every fixed-size buffer of the program:
// FormatText and CopyText cut and terminate, AppendText refuses what does not
// fit, IsTerminated looks for the terminator within the buffer only.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "installer/text_buffer.h"

namespace {

// A buffer whose bytes beyond the size handed to a helper are watched: every
// helper must leave them as they were.
constexpr size_t kGuardBytes = 16;
constexpr char kUntouched = '\x7F';

template <size_t Size>
struct GuardedBuffer {
    char bytes[Size + kGuardBytes];

    GuardedBuffer() { std::memset(bytes, kUntouched, sizeof bytes); }
    char* data() { return bytes; }
    bool GuardIntact() const
    {
        for (size_t i = Size; i < sizeof bytes; ++i)
            if (bytes[i] != kUntouched)
                return false;
        return true;
    }
};

// ---- FormatText and CopyText: cut to size - 1 characters, always terminated --

struct CutCase {
    const char* name;
    std::string text;
    std::string expected;  // what a buffer of 8 bytes holds afterwards
};

std::ostream& operator<<(std::ostream& out, const CutCase& c) { return out << c.name; }

const CutCase kCutCases[] = {
    {"Empty", "", ""},
    {"Short", "abc", "abc"},
    {"SevenCharactersFillTheBuffer", "abcdefg", "abcdefg"},
    {"EightCharactersLoseTheLast", "abcdefgh", "abcdefg"},
    {"LongTextIsCut", "abcdefghijklmnopqrstuvwxyz0123456789", "abcdefg"},
};

class CutToBuffer : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutToBuffer, FormatTextCutsAndTerminatesWithinTheBuffer)
{
    GuardedBuffer<8> buffer;

    FormatText(buffer.data(), 8, "%s", GetParam().text.c_str());

    EXPECT_EQ(std::string(buffer.data()), GetParam().expected);
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST_P(CutToBuffer, CopyTextCutsAndTerminatesWithinTheBuffer)
{
    GuardedBuffer<8> buffer;

    CopyText(buffer.data(), 8, GetParam().text.c_str());

    EXPECT_EQ(std::string(buffer.data()), GetParam().expected);
    EXPECT_TRUE(buffer.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(TextBuffer, CutToBuffer, ::testing::ValuesIn(kCutCases),
                         [](const ::testing::TestParamInfo<CutCase>& info) { return info.param.name; });

TEST(FormatText, FormatsEveryArgument)
{
    char buffer[64];

    FormatText(buffer, sizeof buffer, "Failed to copy %s to %s\nReturned error: %d", "a.dll", "C:\\b\\a.dll", 32);

    EXPECT_STREQ(buffer, "Failed to copy a.dll to C:\\b\\a.dll\nReturned error: 32");
}

TEST(FormatText, TextCutInsideAnArgumentKeepsTheFirstSizeMinusOneCharacters)
{
    GuardedBuffer<256> buffer;
    const std::string destination = "C:\\" + std::string(300, 'd');

    FormatText(buffer.data(), 256, "Failed to copy %s to %s\nReturned error: %d", "NPKestrix.dll",
               destination.c_str(), 2);

    const std::string whole = "Failed to copy NPKestrix.dll to " + destination + "\nReturned error: 2";
    EXPECT_EQ(std::string(buffer.data()), whole.substr(0, 255));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(FormatText, BufferOfOneByteHoldsTheEmptyText)
{
    GuardedBuffer<1> buffer;

    FormatText(buffer.data(), 1, "%s", "abc");

    EXPECT_EQ(buffer.bytes[0], '\0');
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(FormatText, BufferOfNoBytesIsNotWritten)
{
    GuardedBuffer<0> buffer;

    FormatText(buffer.data(), 0, "%s", "abc");

    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(CopyText, BufferOfOneByteHoldsTheEmptyText)
{
    GuardedBuffer<1> buffer;

    CopyText(buffer.data(), 1, "abc");

    EXPECT_EQ(buffer.bytes[0], '\0');
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(CopyText, BufferOfNoBytesIsNotWritten)
{
    GuardedBuffer<0> buffer;

    CopyText(buffer.data(), 0, "abc");

    EXPECT_TRUE(buffer.GuardIntact());
}

// ---- AppendText: all or nothing -------------------------------------------

struct AppendCase {
    const char* name;
    std::string before;
    std::string added;
    bool appended;
    std::string after;  // in a buffer of 8 bytes
};

std::ostream& operator<<(std::ostream& out, const AppendCase& c) { return out << c.name; }

const AppendCase kAppendCases[] = {
    {"IntoAnEmptyBuffer", "", "abc", true, "abc"},
    {"AfterText", "abc", "de", true, "abcde"},
    {"EmptyText", "abc", "", true, "abc"},
    {"ExactlyFillsTheBuffer", "abc", "defg", true, "abcdefg"},
    {"OneCharacterTooManyIsRefused", "abc", "defgh", false, "abc"},
    {"MuchTooLongIsRefused", "abc", "defghijklmnopqrstuvwxyz", false, "abc"},
    {"FullBufferRefusesMore", "abcdefg", "h", false, "abcdefg"},
    {"FullBufferTakesTheEmptyText", "abcdefg", "", true, "abcdefg"},
};

class AppendToBuffer : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendToBuffer, AppendsOnlyWhatFitsWhole)
{
    const AppendCase& c = GetParam();
    GuardedBuffer<8> buffer;
    std::memcpy(buffer.data(), c.before.c_str(), c.before.size() + 1);

    EXPECT_EQ(AppendText(buffer.data(), 8, c.added.c_str()), c.appended);

    EXPECT_EQ(std::string(buffer.data()), c.after);
    EXPECT_TRUE(buffer.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(TextBuffer, AppendToBuffer, ::testing::ValuesIn(kAppendCases),
                         [](const ::testing::TestParamInfo<AppendCase>& info) { return info.param.name; });

TEST(AppendText, RefusalLeavesTheBytesAfterTheTerminatorAlone)
{
    GuardedBuffer<8> buffer;
    std::memcpy(buffer.data(), "ab\0zzzzz", 8);

    EXPECT_FALSE(AppendText(buffer.data(), 8, "cdefghij"));

    EXPECT_EQ(std::string(buffer.data(), 8), std::string("ab\0zzzzz", 8));
}

TEST(AppendText, BuildsAKeyPathPieceByPiece)
{
    char path[260] = "Software\\Netscape\\Netscape Navigator\\";

    EXPECT_TRUE(AppendText(path, sizeof path, "4.7"));
    EXPECT_TRUE(AppendText(path, sizeof path, "\\Main"));

    EXPECT_STREQ(path, "Software\\Netscape\\Netscape Navigator\\4.7\\Main");
}

// ---- IsTerminated: a terminator within the first size bytes --------------

struct TerminatorCase {
    const char* name;
    std::string bytes;  // the buffer's bytes; the helper is given 8 of them
    size_t size;
    bool terminated;
};

std::ostream& operator<<(std::ostream& out, const TerminatorCase& c) { return out << c.name; }

const TerminatorCase kTerminatorCases[] = {
    {"EmptyText", std::string("\0bcdefgh", 8), 8, true},
    {"TerminatorInTheMiddle", std::string("abc\0efgh", 8), 8, true},
    {"TerminatorInTheLastByte", std::string("abcdefg\0", 8), 8, true},
    {"NoTerminator", std::string("abcdefgh", 8), 8, false},
    {"TerminatorJustBeyondTheSize", std::string("abcdefgh\0", 9), 8, false},
    {"NoBytesHoldNoTerminator", std::string("\0", 1), 0, false},
};

class Terminator : public ::testing::TestWithParam<TerminatorCase> {};

TEST_P(Terminator, IsFoundOnlyWithinTheSize)
{
    const TerminatorCase& c = GetParam();

    EXPECT_EQ(IsTerminated(c.bytes.data(), c.size), c.terminated);
}

INSTANTIATE_TEST_SUITE_P(TextBuffer, Terminator, ::testing::ValuesIn(kTerminatorCases),
                         [](const ::testing::TestParamInfo<TerminatorCase>& info) { return info.param.name; });

}  // namespace
