#include "card_link/card_frames.h"
#include "card_link/output_mask.h"

#include <gtest/gtest.h>

using namespace card_link;

TEST(CardFrames, RequestCarriesTheMaskBetweenTheMarkers)
{
    EXPECT_EQ(buildRequest(0), QByteArray::fromHex("2a2a0023"));
    EXPECT_EQ(buildRequest(255), QByteArray::fromHex("2a2aff23"));
    EXPECT_EQ(buildRequest(0x2A), QByteArray::fromHex("2a2a2a23"));
    EXPECT_EQ(buildRequest(129).size(), 4);
}

TEST(CardFrames, ThreeByteReplyDecodes)
{
    const auto reply = decodeReply(QByteArray::fromHex("0500ff"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->inputMask, 5);
    EXPECT_DOUBLE_EQ(reply->volts1, 0.0);
    EXPECT_DOUBLE_EQ(reply->volts2, 5.0);

    const auto zeros = decodeReply(QByteArray(3, '\0'));
    ASSERT_TRUE(zeros) << "a zero byte is data, not a terminator";
    EXPECT_EQ(zeros->inputMask, 0);
}

TEST(CardFrames, AnyOtherLengthDecodesToNothing)
{
    const QByteArray valid = QByteArray::fromHex("0500ff");
    for (const QByteArray& read : {QByteArray(), valid.left(1), valid.left(2), valid + "\x01",
                                   valid + valid}) {
        EXPECT_FALSE(decodeReply(read)) << read.toHex().constData();
    }
}

TEST(CardFrames, RawToVolts)
{
    EXPECT_DOUBLE_EQ(rawToVolts(0), 0.0);
    EXPECT_DOUBLE_EQ(rawToVolts(51), 1.0);
    EXPECT_DOUBLE_EQ(rawToVolts(128), 640.0 / 255.0);
    EXPECT_DOUBLE_EQ(rawToVolts(255), 5.0);
}

TEST(OutputMask, ChannelZeroIsTheHighBit)
{
    std::array<int, kChannelCount> colours{};
    EXPECT_EQ(maskFromColours(colours), 0);
    colours[0] = kColourOn;
    EXPECT_EQ(maskFromColours(colours), 128);
    colours[7] = kColourOn;
    EXPECT_EQ(maskFromColours(colours), 129);
    colours.fill(kColourOn);
    EXPECT_EQ(maskFromColours(colours), 255);
}

TEST(OutputMask, OnlyExactRedCountsButAnyColourTogglesOff)
{
    std::array<int, kChannelCount> colours{};
    colours[3] = 0x00FF00;
    EXPECT_EQ(maskFromColours(colours), 0);
    EXPECT_EQ(toggledColour(0x00FF00), kColourOff);
    EXPECT_EQ(toggledColour(kColourOff), kColourOn);
    EXPECT_EQ(toggledColour(kColourOn), kColourOff);
}
