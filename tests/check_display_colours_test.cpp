// CheckDisplayColours: which display depths pass, the warning box, the
// Retry rounds, Cancel, and a display mode that cannot be read.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "tests/test_machine.h"

namespace {

using testing_support::MachineTest;

const char kWarningText[] =
    "Your display is set to 256 colours or less\n"
    "Quarvel needs at least 16 bit colour (hi-colour)\n"
    "Change your display settings and retry";
const char kWarningTitle[] = "Quarvel Install";

const std::optional<DWORD> kUnreadable = std::nullopt;

class DisplayColoursTest : public MachineTest {
protected:
    // One depth per query of the display mode; the last one repeats.
    void Depths(std::vector<std::optional<DWORD>> depths) { m.displayDepths = std::move(depths); }

    // Every box shown was the colour warning, exactly as the user must see it.
    void ExpectWarningBoxes(std::size_t count) const
    {
        ASSERT_EQ(count, m.user.transcript.size());
        for (const sim::Shown& shown : m.user.transcript) {
            EXPECT_EQ(sim::ShownKind::MessageBox, shown.kind);
            EXPECT_EQ(nullptr, shown.owner);
            EXPECT_EQ(kWarningTitle, shown.title);
            EXPECT_EQ(kWarningText, shown.text);
            EXPECT_EQ(UINT{MB_RETRYCANCEL}, shown.style);
        }
    }

    // The display-mode queries as the machine answered them.
    std::vector<std::string> Queries() const { return m.CallsStartingWith("EnumDisplaySettingsA"); }
};

// ---- The depth table -------------------------------------------------------

struct DepthCase {
    const char* name;
    DWORD bitsPerPixel;
    bool warns;
};

void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.name; }

class DepthTest : public DisplayColoursTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(DepthTest, MoreThanEightBitsPassSilentlyTheRestAreWarnedAbout)
{
    const DepthCase& c = GetParam();
    Depths({c.bitsPerPixel});
    if (c.warns) {
        m.user.Answer(IDCANCEL);
        EXPECT_FALSE(CheckDisplayColours());
        ExpectWarningBoxes(1);
    } else {
        EXPECT_TRUE(CheckDisplayColours());
        ExpectWarningBoxes(0);
    }
    EXPECT_EQ(1, m.displayQueries);
}

INSTANTIATE_TEST_SUITE_P(CheckDisplayColours, DepthTest,
                         ::testing::Values(DepthCase{"Bits32", 32, false}, DepthCase{"Bits24", 24, false},
                                           DepthCase{"Bits16", 16, false}, DepthCase{"Bits15", 15, false},
                                           DepthCase{"Bits9", 9, false},
                                           // Unsigned: a depth with the top bit set is not "negative".
                                           DepthCase{"TopBitSet", 0x80000000u, false},
                                           DepthCase{"Bits8", 8, true}, DepthCase{"Bits4", 4, true},
                                           DepthCase{"Bits1", 1, true}, DepthCase{"ReportedZero", 0, true}),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- The box ---------------------------------------------------------------

TEST_F(DisplayColoursTest, WarningIsTheFixedTextWithRetryAndCancelOnlyAndNoOwner)
{
    Depths({DWORD{8}});
    m.user.Answer(IDCANCEL);

    EXPECT_FALSE(CheckDisplayColours());

    ASSERT_EQ(1u, m.user.transcript.size());
    const sim::Shown& box = m.user.transcript[0];
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ("Quarvel Install", box.title);
    EXPECT_EQ(130u, box.text.size());
    EXPECT_EQ(kWarningText, box.text);
    // MB_RETRYCANCEL alone: no icon, no default-button or modality flags.
    EXPECT_EQ(UINT{0x5}, box.style);
}

// ---- Retry -----------------------------------------------------------------

TEST_F(DisplayColoursTest, RetryWithoutAChangeShowsTheSameBoxAgainUntilCancel)
{
    Depths({DWORD{8}, DWORD{8}, DWORD{8}, DWORD{8}, DWORD{16}});
    m.user.Answer(IDRETRY).Answer(IDRETRY).Answer(IDRETRY).Answer(IDCANCEL);

    EXPECT_FALSE(CheckDisplayColours());

    ExpectWarningBoxes(4);
    EXPECT_EQ(4, m.displayQueries);
}

TEST_F(DisplayColoursTest, RetryAfterSwitchingToSixteenBitsEndsWithoutAnotherBox)
{
    Depths({DWORD{8}, DWORD{4}, DWORD{16}});
    m.user.Answer(IDRETRY).Answer(IDRETRY);

    EXPECT_TRUE(CheckDisplayColours());

    ExpectWarningBoxes(2);
    EXPECT_EQ(3, m.displayQueries);
}

TEST_F(DisplayColoursTest, RetryAfterSwitchingToFifteenBitsIsEnough)
{
    Depths({DWORD{8}, DWORD{15}});
    m.user.Answer(IDRETRY);

    EXPECT_TRUE(CheckDisplayColours());

    ExpectWarningBoxes(1);
}

TEST_F(DisplayColoursTest, QueryThatFailsAfterRetryLetsTheInstallationGoOn)
{
    Depths({DWORD{8}, kUnreadable, DWORD{8}});
    m.user.Answer(IDRETRY);

    EXPECT_TRUE(CheckDisplayColours());

    ExpectWarningBoxes(1);
    EXPECT_EQ(2, m.displayQueries);
}

// The record handed over each round carries the size the system checks: every
// query, the one after Retry too, is answered with the depth.
TEST_F(DisplayColoursTest, EveryQueryHandsOverARecordTheSystemAccepts)
{
    Depths({DWORD{8}, DWORD{8}, DWORD{24}});
    m.user.Answer(IDRETRY).Answer(IDRETRY);

    EXPECT_TRUE(CheckDisplayColours());

    EXPECT_EQ((std::vector<std::string>{"EnumDisplaySettingsA -> 1 (8 bits per pixel)",
                                        "EnumDisplaySettingsA -> 1 (8 bits per pixel)",
                                        "EnumDisplaySettingsA -> 1 (24 bits per pixel)"}),
              Queries());
}

// ---- Cancel, and a box that cannot be shown --------------------------------

TEST_F(DisplayColoursTest, CancelReturnsFalseWithoutLookingAgain)
{
    Depths({DWORD{8}, DWORD{32}});
    m.user.Answer(IDCANCEL);

    EXPECT_FALSE(CheckDisplayColours());

    ExpectWarningBoxes(1);
    EXPECT_EQ(1, m.displayQueries);
}

// The display turns to 16 bits later on, so that a check that kept asking
// would end with a box too many instead of asking for ever.
TEST_F(DisplayColoursTest, BoxThatCannotBeShownLetsTheInstallationGoOnWithoutAnotherBox)
{
    Depths({DWORD{8}, DWORD{8}, DWORD{16}});
    m.user.Answer(0);

    EXPECT_TRUE(CheckDisplayColours());

    ExpectWarningBoxes(1);
}

TEST_F(DisplayColoursTest, BoxThatCannotBeShownAfterARetryEndsTheRoundsToo)
{
    Depths({DWORD{8}, DWORD{8}, DWORD{8}, DWORD{16}});
    m.user.Answer(IDRETRY).Answer(0);

    EXPECT_TRUE(CheckDisplayColours());

    ExpectWarningBoxes(2);
}

// ---- A display mode that cannot be read ------------------------------------

TEST_F(DisplayColoursTest, UnreadableDisplayModePassesWithoutABoxWhateverComesLater)
{
    Depths({kUnreadable, DWORD{8}});

    EXPECT_TRUE(CheckDisplayColours());

    ExpectWarningBoxes(0);
    EXPECT_EQ(1, m.displayQueries);
}

}  // namespace
