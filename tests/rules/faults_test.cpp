// The mapping from the two fault words to one status: every single bit of
// both words, the earlier of two bits, and what hides what.
#include "edit/rules.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using Bits = std::vector<std::pair<uint32_t, OtlStatus>>; // in the order the mapping tests them
const Bits kWord1 = {
    {0x1, 1060015},      {0x2, 1060016},      {0x4, 1060017},     {0x8, 1060018},
    {0x10, 1060019},     {0x20, 1060020},     {0x40, 1060021},    {0x80, 1060022},
    {0x100, 1060023},    {0x200, 1060024},    {0x400, 1060025},   {0x800, 1060026},
    {0x2000, 1060028},   {0x8000, 1060030},   {0x10000, 1060031}, {0x20000, 1060032},
    {0x40000, 1060033},  {0x80000, 1060021},  {0x100000, 1060034}, {0x200000, 1060049},
    {0x400000, 1060058}, {0x800000, 1060064}, {0x1000000, 1060066},
};
const Bits kWord2 = {
    {0x1, 1060085},   {0x2, 1060082},   {0x4, 1060101},    {0x8, 1060102},   {0x10, 1060103},
    {0x20, 1060104},  {0x40, 1060081},  {0x80, 1060105},   {0x100, 1060109}, {0x200, 1060110},
    {0x400, 1060111}, {0x800, 1060112}, {0x1000, 1060113}, {0x2000, 1060083}, {0x8000, 1060108},
};
constexpr uint32_t kMarker = 0x80000000u, kWarning = 0x2000000;

} // namespace

// Word 2 counts only behind the marker, where a bit without a code leaves no
// status. A word-1 fault hides word 2; the warning means success and hides
// word 2 and the marker; word-1 bits without a status fall through.
TEST(FaultMapping, EveryBitAloneEarlierBitWinsAndWhatHidesWhat)
{
    const std::map<uint32_t, OtlStatus> one(kWord1.begin(), kWord1.end()), two(kWord2.begin(), kWord2.end());
    for (int b = 0; b < 32; ++b) {
        const uint32_t bit = 1u << b;
        const OtlStatus alone = one.count(bit) ? one.at(bit) : bit == kMarker ? OTL_ERR_ATTR_MARKER : OTL_OK;
        EXPECT_EQ(otlFaultsToStatus(bit, 0), alone) << std::hex << bit;
        EXPECT_EQ(otlFaultsToStatus(kMarker, bit), two.count(bit) ? two.at(bit) : OTL_OK) << std::hex << bit;
    }
    for (const auto &[words, marker] : {std::pair{&kWord1, 0u}, {&kWord2, kMarker}}) {
        const Bits &w = *words;
        for (size_t i = 0; i < w.size(); ++i)
            for (size_t j = i + 1; j < w.size(); ++j) {
                const uint32_t both = w[i].first | w[j].first;
                EXPECT_EQ(marker ? otlFaultsToStatus(marker, both) : otlFaultsToStatus(both, 0), w[i].second)
                    << std::hex << both;
            }
    }
    const struct {
        uint32_t word1, word2;
        OtlStatus expected;
    } cases[] = {
        {kWarning, 0, OTL_OK}, {kWarning | kMarker, 0xFFFF, OTL_OK},
        {0x1000, 0x20, 1060104}, {0x4000 | kMarker, 0x8000, 1060108}, // 0x1000, 0x4000: no faults of their own
        {0x1000 | 0x4000, 0, OTL_OK}, {0x1000 | kMarker, 0, OTL_ERR_ATTR_MARKER},
        {kMarker, 0x4000, OTL_OK}, {kMarker, 0x4000 | 0x8000, 1060108}, // nor is 0x4000 of word 2
        {kMarker, 0, 1060106}, {0x1FFFFFFu, 0xFFFF, 1060015}, {0, 0xFFFFFFFFu, OTL_OK}, {0, 0, OTL_OK},
    };
    for (const auto &c : cases)
        EXPECT_EQ(otlFaultsToStatus(c.word1, c.word2), c.expected) << std::hex << c.word1 << " " << c.word2;
}
