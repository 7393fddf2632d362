#include "card_link/frame_scanner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes feed(card_link::FrameScanner& scanner, const Bytes& bytes)
{
    return scanner.feed(bytes.data(), bytes.size());
}

TEST(FrameScanner, FindsWholeFramesInOneRead)
{
    card_link::FrameScanner scanner;
    EXPECT_EQ(feed(scanner, {0x2A, 0x2A, 0x5A, 0x23, 0x2A, 0x2A, 0x01, 0x23}), (Bytes{0x5A, 0x01}));
    EXPECT_EQ(scanner.pending(), 0u);
}

TEST(FrameScanner, MaskMayLookLikeHeaderOrTrailer)
{
    card_link::FrameScanner scanner;
    EXPECT_EQ(feed(scanner, {0x2A, 0x2A, 0x00, 0x23, 0x2A, 0x2A, 0x2A, 0x23, 0x2A, 0x2A, 0x23, 0x23,
                             0x2A, 0x2A, 0xFF, 0x23}),
              (Bytes{0x00, 0x2A, 0x23, 0xFF}));
}

TEST(FrameScanner, KeepsPartialFrameUntilCompleted)
{
    card_link::FrameScanner scanner;
    const Bytes frame{0x2A, 0x2A, 0x2A, 0x23};
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        EXPECT_TRUE(feed(scanner, {frame[i]}).empty());
        EXPECT_EQ(scanner.pending(), i + 1);
    }
    EXPECT_EQ(feed(scanner, {frame.back()}), Bytes{0x2A});
    EXPECT_EQ(scanner.pending(), 0u);
}

TEST(FrameScanner, FrameSplitAcrossReadsAfterAnother)
{
    card_link::FrameScanner scanner;
    EXPECT_EQ(feed(scanner, {0x2A, 0x2A, 0x10, 0x23, 0x2A, 0x2A}), Bytes{0x10});
    EXPECT_EQ(feed(scanner, {0x20, 0x23, 0x2A}), Bytes{0x20});
    EXPECT_EQ(scanner.pending(), 1u);
}

TEST(FrameScanner, DropsGarbageBeforeAndBetweenFrames)
{
    card_link::FrameScanner scanner;
    EXPECT_EQ(feed(scanner, {0x00, 0x23, 0x41, 0x2A, 0x2A, 0x07, 0x23, 0x99, 0x23, 0x2A, 0x2A, 0x08, 0x23}),
              (Bytes{0x07, 0x08}));
    EXPECT_EQ(feed(scanner, {0x11, 0x12, 0x13}), Bytes{});
    EXPECT_EQ(scanner.pending(), 0u);
}

TEST(FrameScanner, ResynchronisesAfterBrokenFrame)
{
    card_link::FrameScanner scanner;
    // A frame cut short by a new one: the first header pair leads nowhere.
    EXPECT_EQ(feed(scanner, {0x2A, 0x2A, 0x05, 0x2A, 0x2A, 0x06, 0x23}), Bytes{0x06});
    // A lone header byte followed by a real frame.
    EXPECT_EQ(feed(scanner, {0x2A, 0x01, 0x2A, 0x2A, 0x09, 0x23}), Bytes{0x09});
    // Three header bytes in a row: the last two start the frame.
    EXPECT_EQ(feed(scanner, {0x2A, 0x2A, 0x2A, 0x2A, 0x23}), Bytes{0x2A});
}

TEST(FrameScanner, LongGarbageLeavesNothingBehind)
{
    card_link::FrameScanner scanner;
    Bytes noise(5000, 0x23);
    EXPECT_TRUE(feed(scanner, noise).empty());
    EXPECT_EQ(scanner.pending(), 0u);
    EXPECT_EQ(feed(scanner, {0x2A, 0x2A, 0x33, 0x23}), Bytes{0x33});
}

} // namespace
