// The mapping from the two fault words to one status: every single bit of
// both words, and the combinations where the order of the tests decides.
#include "edit/rules.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// Word 1 bits with a status, in the order the mapping tests them.
const std::vector<std::pair<uint32_t, OtlStatus>> kWord1 = {
    {0x1, 1060015},      {0x2, 1060016},      {0x4, 1060017},     {0x8, 1060018},
    {0x10, 1060019},     {0x20, 1060020},     {0x40, 1060021},    {0x80, 1060022},
    {0x100, 1060023},    {0x200, 1060024},    {0x400, 1060025},   {0x800, 1060026},
    {0x2000, 1060028},   {0x8000, 1060030},   {0x10000, 1060031}, {0x20000, 1060032},
    {0x40000, 1060033},  {0x80000, 1060021},  {0x100000, 1060034}, {0x200000, 1060049},
    {0x400000, 1060058}, {0x800000, 1060064}, {0x1000000, 1060066},
};

const std::vector<std::pair<uint32_t, OtlStatus>> kWord2 = {
    {0x1, 1060085},   {0x2, 1060082},   {0x4, 1060101},    {0x8, 1060102},   {0x10, 1060103},
    {0x20, 1060104},  {0x40, 1060081},  {0x80, 1060105},   {0x100, 1060109}, {0x200, 1060110},
    {0x400, 1060111}, {0x800, 1060112}, {0x1000, 1060113}, {0x2000, 1060083}, {0x8000, 1060108},
};

constexpr uint32_t kMarker = 0x80000000u;
constexpr uint32_t kWarning = 0x2000000;

} // namespace

// Each bit alone in word 1; behind the marker in word 2, where a bit without
// a code leaves no status because the marker alone no longer decides. Of two
// bits of one word, the earlier decides.
TEST(FaultMapping, EveryBitAloneAndEarlierBitWins)
{
    const std::map<uint32_t, OtlStatus> one(kWord1.begin(), kWord1.end());
    const std::map<uint32_t, OtlStatus> two(kWord2.begin(), kWord2.end());
    for (int b = 0; b < 32; ++b) {
        const uint32_t bit = 1u << b;
        const OtlStatus alone = one.count(bit) ? one.at(bit)
                                : bit == kMarker ? OTL_ERR_ATTR_MARKER
                                                 : OTL_OK;
        EXPECT_EQ(otlFaultsToStatus(bit, 0), alone) << std::hex << bit;
        EXPECT_EQ(otlFaultsToStatus(kMarker, bit), two.count(bit) ? two.at(bit) : OTL_OK)
            << std::hex << bit;
    }
    for (size_t i = 0; i < kWord1.size(); ++i)
        for (size_t j = i + 1; j < kWord1.size(); ++j)
            EXPECT_EQ(otlFaultsToStatus(kWord1[i].first | kWord1[j].first, 0), kWord1[i].second)
                << std::hex << kWord1[i].first << "|" << kWord1[j].first;
    for (size_t i = 0; i < kWord2.size(); ++i)
        for (size_t j = i + 1; j < kWord2.size(); ++j)
            EXPECT_EQ(otlFaultsToStatus(kMarker, kWord2[i].first | kWord2[j].first),
                      kWord2[i].second)
                << std::hex << kWord2[i].first << "|" << kWord2[j].first;
}

// A word-1 fault hides word 2; the warning means success and hides word 2
// and the marker; word-1 bits without a status fall through to word 2.
TEST(FaultMapping, WhatHidesWhat)
{
    const struct {
        uint32_t word1, word2;
        OtlStatus expected;
    } cases[] = {
        {kWarning, 0, OTL_OK},
        {kWarning | kMarker, 0xFFFF, OTL_OK},
        {0x1000, 0x20, 1060104},                // 0x1000 and 0x4000 of word 1
        {0x4000 | kMarker, 0x8000, 1060108},    // are no faults of their own
        {0x1000 | 0x4000, 0, OTL_OK},
        {0x1000 | kMarker, 0, OTL_ERR_ATTR_MARKER},
        {kMarker, 0x4000, OTL_OK},              // nor is 0x4000 of word 2
        {kMarker, 0x4000 | 0x8000, 1060108},
        {kMarker, 0, 1060106},
        {0x1FFFFFFu, 0xFFFF, 1060015},
        {0, 0xFFFFFFFFu, OTL_OK},
        {0, 0, OTL_OK},
    };
    for (const auto &c : cases)
        EXPECT_EQ(otlFaultsToStatus(c.word1, c.word2), c.expected)
            << std::hex << c.word1 << " " << c.word2;
}
