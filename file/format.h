/*
 * The outline file's own layout: the section opcodes and versions, the
 * fixed sizes, and the bit tables of a member record's flag words. The file
 * services frame the file (header block, section headers); everything inside
 * a section is laid out here and in docs/file-format.md.
 */
#ifndef SHROTL_FILE_FORMAT_H
#define SHROTL_FILE_FORMAT_H

#include "shrotl.h"

#include <stddef.h>
#include <stdint.h>

namespace otl {

// Section opcodes, in the order the writer emits them.
constexpr uint16_t OTL_OP_BEGIN = 1500;
constexpr uint16_t OTL_OP_STATISTICS = 1530;
constexpr uint16_t OTL_OP_ATTR_SPECS = 1535;
constexpr uint16_t OTL_OP_MEMBERS = 1505;
constexpr uint16_t OTL_OP_CHANGE_LOG = 1510;
constexpr uint16_t OTL_OP_TIME_SERIES = 1515;
constexpr uint16_t OTL_OP_COMMENTS = 1520;
constexpr uint16_t OTL_OP_COMMENTS_EX = 1525;
constexpr uint16_t OTL_OP_END = 1950; // also the embedded header of the time series

// Section versions the writer emits; the reader looks only at the members'
// and the time series'.
constexpr uint16_t kBeginVersion = 1;
constexpr uint16_t kStatisticsVersion = 1;
constexpr uint16_t kAttrSpecsVersion = 1;
constexpr uint16_t kMembersVersion = 6;
constexpr uint16_t kChangeLogVersion = 1;
constexpr uint16_t kTimeSeriesVersion = 2;
constexpr uint16_t kCommentsVersion = 2;
constexpr uint16_t kEndVersion = 2;

// Members-section versions from which a record carries more.
constexpr uint16_t kLongInfoVersion = 1;       // the info block with four extra words
constexpr uint16_t kNamesVersion = 3;          // user-defined attributes, generation and level names
constexpr uint16_t kAttributeVersion = 6;      // the attribute extension; statistics trusted

// Statistics block: 13 words, two counters per alias table, 16 bytes per dimension.
constexpr uint32_t kStatsBytes = 52;
constexpr uint32_t kDimStatsBytes = 16;
// Info block: the fixed words and the end marker around the table names.
constexpr uint32_t kInfoFixedBytes = 20;
constexpr uint32_t kInfoBytes = kInfoFixedBytes + 2;
// Member record: length, kind, child count, next sibling, three flag words,
// and the name's length word.
constexpr uint32_t kRecordFixedBytes = 22;
constexpr uint16_t kDimensionRecord = 1;
constexpr uint16_t kMemberRecord = 2;
// A change-log record's head (letter, two words, text length) and the most
// text it may carry.
constexpr uint32_t kChangeHeadBytes = 7;
constexpr uint32_t kChangeTextBytes = 408;
// A comment entry's head: length, dimension and member number, text length.
constexpr uint32_t kCommentHeadBytes = 14;
// Numbers of the universe member.
constexpr uint32_t kRootNumber = 0xFFFFFFFFu;

// Dimension word of a dimension record.
constexpr uint16_t kDimDenseBit = 0x0001;    // storageType 0
constexpr uint16_t kDimOtherTagBit = 0x0002; // tags 0, 6 and 7
constexpr uint16_t kDimTagBits[] = {0x0004, 0x0008, 0x0010, 0x0020, 0x0040}; // tags 1 to 5
constexpr unsigned kDimCategoryShift = 12;
constexpr uint16_t kMaxFileCategory = 11; // 12 and 13 travel as attribute roles

// Consolidation word of a member record: operator 0 (and any unknown one)
// is bit 0, operators 1 to 5 the bits above.
constexpr uint16_t kConsolidationAddBit = 0x0001;
constexpr uint16_t kConsolidationBits[] = {0x0002, 0x0004, 0x0008, 0x0010, 0x0020};

// Member flags.
constexpr uint16_t kShareBits[] = {0x0001, 0x0002, 0x0004, 0x0010, 0x0020}; // options 1 to 5
constexpr uint16_t kMemberOptionBit = 0x0008;
constexpr uint16_t kAttributeItemBit = 0x0800; // written for readers of the file, not read back

// Flags of the items of an accounts dimension (tag 1).
constexpr uint16_t kTag1OptionBit = 0x0001;
constexpr uint16_t kTimeBalanceBits[] = {0x0002, 0x0004, 0x0008};
constexpr uint16_t kSkipBits[] = {0x0010, 0x0020, 0x0040};
constexpr uint16_t kCurrencyModeBits[] = {0x0100, 0x0200};

// Attribute extension: element flags and the tag bytes of the elements.
constexpr uint16_t kElemLinks = 0x0001;
constexpr uint16_t kElemMatrix = 0x0002;
constexpr uint16_t kElemValue = 0x0004;
constexpr uint16_t kElemDimType = 0x0008;
constexpr uint8_t kTagEnd = 0;
constexpr uint8_t kTagLinks = 1;
constexpr uint8_t kTagMatrix = 4;
constexpr uint8_t kTagValue = 8;
constexpr uint8_t kTagDimType = 16;

// Value types in the file, index = file code: none, boolean, numeric, text, date.
constexpr uint16_t kFileValueTypes[] = {OTL_ATTR_NONE, OTL_ATTR_BOOLEAN, OTL_ATTR_NUMERIC,
                                        OTL_ATTR_TEXT, OTL_ATTR_DATE};

// The bit of option `value` (1-based) in a group, 0 for 0 or a value past it.
template <size_t N>
constexpr uint16_t optionBit(const uint16_t (&bits)[N], uint32_t value)
{
    return value >= 1 && value <= N ? bits[value - 1] : 0;
}

// The option of the group's first set bit, 0 when none is set.
template <size_t N>
constexpr uint16_t optionOf(const uint16_t (&bits)[N], uint16_t word)
{
    for (size_t i = 0; i < N; ++i)
        if (word & bits[i])
            return static_cast<uint16_t>(i + 1);
    return 0;
}

// The file code of an item's value type, 0 for any type without one.
constexpr uint16_t fileValueType(uint16_t itemType)
{
    for (uint16_t code = 1; code < sizeof kFileValueTypes / sizeof kFileValueTypes[0]; ++code)
        if (kFileValueTypes[code] == itemType)
            return code;
    return 0;
}

} // namespace otl

#endif
