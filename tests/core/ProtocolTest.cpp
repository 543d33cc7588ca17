#include "core/DataRecord.h"
#include "core/Protocol.h"

#include <gtest/gtest.h>

#include <random>

using namespace viscora;

TEST(RetrievalParse, FieldsSeparatorsAndBounds)
{
    auto r = parseRetrievalData(std::string("1,30,212,510,0,30000,1;2,60,200,500,,0,6|\x02"));
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 2u);
    EXPECT_EQ((*r)[0], (RetrievedRecord{1, 30, 212, 510, 0, 300, 1}));
    EXPECT_EQ((*r)[1], (RetrievedRecord{2, 60, 200, 500, 0, 0, 6}));
    EXPECT_TRUE(parseRetrievalData("\x02")->empty());
    EXPECT_FALSE(parseRetrievalData(""));
    EXPECT_FALSE(parseRetrievalData("1,2,3"));
    EXPECT_FALSE(parseRetrievalData(std::string("1,2,3,4,5,6,7\x02")));

    std::string block;
    for (int i = 0; i < 101; ++i)
        block += "1,1,1,1,1,1,1,";
    EXPECT_EQ(parseRetrievalData(block + "\x02")->size(), 101u);
    EXPECT_FALSE(parseRetrievalData(block + "1,1,1,1,1,1,1,\x02"));
}

TEST(RetrievalParse, ArbitraryBytesNeverCrash)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(0, 3000), byte(0, 255);
    for (int i = 0; i < 2000; ++i) {
        std::string s(static_cast<size_t>(len(rng)), '\0');
        for (char &c : s)
            c = static_cast<char>(i % 2 ? byte(rng) : "0123456789,\x02"[byte(rng) % 12]);
        const auto r = parseRetrievalData(s);
        if (r) {
            EXPECT_LE(r->size(), 101u);
        }
        // A factor comes only from four digits above 7 and the end of the block at the tenth.
        if (const auto factor = customHeaderFactor(s)) {
            EXPECT_EQ(s.find('\x02'), 9u);
            EXPECT_GT(*factor, 7);
            EXPECT_LE(*factor, 9999);
            EXPECT_EQ(*factor, std::stod(s.substr(0, 4)));
        }
    }
}

TEST(CustomHeader, NineCharactersThenBlockEnd)
{
    EXPECT_EQ(customHeaderFactor("1702XXXXX\x02"), 1702);
    EXPECT_EQ(customHeaderFactor("2500ABCDE\x02tail"), 2500);
    EXPECT_FALSE(customHeaderFactor("K7400R V1.0 SIM\x02"));
    EXPECT_FALSE(customHeaderFactor("1702XXXX\x02"));
    EXPECT_FALSE(customHeaderFactor("0005XXXXX\x02"));
    EXPECT_FALSE(customHeaderFactor("17A2XXXXX\x02"));
    EXPECT_FALSE(customHeaderFactor(""));
    // A factor above 7 marks a custom rotor-bob; 7 and below are codes.
    EXPECT_FALSE(customHeaderFactor("0007XXXXX\x02"));
    EXPECT_EQ(customHeaderFactor("0008XXXXX\x02"), 8);
}

TEST(RecordSplitter, RecordsAcrossReadsAndTheCapOnTextWithoutAnEnd)
{
    RecordSplitter s;
    s.append("01,0001,075,00510");
    EXPECT_FALSE(s.next());
    s.append(",00000,30000,1\x1a"
             "02,");
    EXPECT_EQ(s.next(), "01,0001,075,00510,00000,30000,1\x1a");
    EXPECT_FALSE(s.next());
    EXPECT_EQ(s.pending(), "02,");

    // Noise that never ends a record keeps only the newest 64 KiB.
    s.clear();
    s.append(std::string(RecordSplitter::kMaxPending + 1000, '7'));
    s.append("X");
    EXPECT_FALSE(s.next());
    ASSERT_EQ(s.pending().size(), RecordSplitter::kMaxPending);
    EXPECT_EQ(s.pending().back(), 'X');
    s.append("\x1a");
    const auto last = s.next();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->size(), RecordSplitter::kMaxPending + 1);
    EXPECT_TRUE(s.pending().empty());
    // The end of a test is TestEnd alone.
    s.append("\x08");
    EXPECT_TRUE(s.holdsOnlyTestEnd());
    s.append("\x08");
    EXPECT_FALSE(s.holdsOnlyTestEnd());
}

// A recorded record read from its last seven fields: noise before it spoils nothing but itself.
TEST(ReadRecord, WellFormedFromItsOwnStart)
{
    const RecordFields one{1, 5, 150, 100, 0, 30000, 1};
    const std::pair<std::string, std::optional<RecordFields>> cases[] = {
        {"1,5,150,100,0,30000,1\x1a", one},
        {"\x83\x02"
         "1,5,150,100,0,30000,1\x1a",
         one},
        {"9,9;1,5,150,100,0,30000,1\x1a", one},
        {"1;5;150;100;0;30000;1", one},
        {"1,5,150,100,0,30000\x1a", std::nullopt},    // six fields
        {"1,5,150,,100,0,30000,1\x1a", std::nullopt}, // two separators
        {"garbage\x1a", std::nullopt},
        {"\x1a", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &[text, fields] : cases)
        EXPECT_EQ(readRecord(text), fields) << text;
}

// The instrument's own ranges: a record beyond them is spoiled, however it parses.
TEST(ReadRecord, PhysicalRanges)
{
    const RecordFields good{1, 5, 150, 100, 0, 30000, 1};
    EXPECT_TRUE(isPhysicalRecord(good));
    const struct {
        std::size_t field;
        double value;
        bool physical;
    } cases[] = {
        {1, 6300, true},         {1, 6301, false},  {1, 99999999999, false},
        {2, 400, true},          {2, 401, false},   {2, 99999999999, false},
        {3, 60000, true},        {3, 60001, false}, {4, 60000, true},
        {4, 20879999, false},    {5, 60100, true},  {5, 60101, false},
        {5, 99999999999, false}, {0, 101, true},    {6, 7, true},
    };
    for (const auto &c : cases) {
        RecordFields f = good;
        f[c.field] = c.value;
        EXPECT_EQ(isPhysicalRecord(f), c.physical) << c.field << " = " << c.value;
    }
}
