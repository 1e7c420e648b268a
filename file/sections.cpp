/*
 * The sections around the members: statistics, attribute specifications,
 * change log, time series and comments. docs/file-format.md gives their
 * bytes.
 */
#include "file/sections.h"
#include "core/alloc.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"
#include "edit/changelog.h"
#include "file/format.h"
#include "gcharset.h"

#include <string.h>

namespace otl {

namespace {

// Sections are encoded into the writer's buffer and written whenever this
// much has gathered, so a long log or many comments need no large buffer.
constexpr uint32_t kFlushBytes = 64 * 1024;

OtlStatus flushWhenFull(Writer &writer)
{
    return writer.out.size >= kFlushBytes ? writer.flush() : writer.out.status;
}

// The first `size` bytes of a section that must come before the members
// (the statistics size the record buffer, the specifications name the
// members' short names), in the reader's buffer.
OtlStatus readBeforeMembers(Reader &reader, SectionInput &in, uint32_t size)
{
    return reader.sectionsSeen & sectionBit(OTL_OP_MEMBERS) ? OTL_ERR_FILE : in.readToBuffer(size);
}

// The eight texts of the attribute specifications, in file order.
char **specText(OtlAttrSpecs &specs, int index)
{
    char **const texts[] = {&specs.trueName,   &specs.falseName,   &specs.calcDimName,
                            &specs.sumName,    &specs.countName,   &specs.averageName,
                            &specs.minName,    &specs.maxName};
    return texts[index];
}

constexpr int kSpecTexts = 8;
constexpr char kChangeLetters[] = {'A', 'D', 'M', 'R'}; // kinds 1 to 4

uint16_t changeKindOf(uint8_t letter)
{
    for (uint16_t k = 0; k < sizeof kChangeLetters; ++k)
        if (kChangeLetters[k] == letter)
            return static_cast<uint16_t>(k + 1);
    return 0;
}

} // namespace

// ---- statistics -------------------------------------------------------------

OtlStatus writeStatistics(Writer &writer)
{
    const OtlFileStats &s = writer.outline->stats;
    ByteWriter &out = writer.out;
    const uint32_t words[] = {s.dimCount, s.baseDimCount, s.memberCount, s.storedMemberCount,
                              s.nonSharedMemberCount, 0, 0, s.maxRecordLength, 0,
                              s.aliasTableCount, 0, 0, 0};
    for (uint32_t word : words)
        out.u32(word);
    // The alias-table counters mean nothing in a file: always zero.
    for (uint32_t i = 0; i < 2 * s.aliasTableCount; ++i)
        out.u32(0);
    for (uint32_t k = 0; k < s.dimCount && s.dimStats; ++k) {
        const OtlDimStats &entry = s.dimStats[k];
        out.u32(entry.storedMemberCount);
        out.u32(entry.memberCount);
        out.u32(entry.dimensionKind);
        out.u32(entry.recordOffset);
    }
    return writer.flush();
}

OtlStatus readStatistics(Reader &reader, SectionInput &in)
{
    OtlStatus status = readBeforeMembers(reader, in, kStatsBytes);
    if (status != OTL_OK)
        return status;
    OtlFileStats &s = reader.outline->stats;
    ByteReader b(reader.buffer, kStatsBytes);
    s.dimCount = b.u32();
    s.baseDimCount = b.u32();
    s.memberCount = b.u32();
    s.storedMemberCount = b.u32();
    s.nonSharedMemberCount = b.u32();
    s.reserved20 = b.u32();
    s.reserved24 = b.u32();
    s.maxRecordLength = b.u32();
    s.reserved32 = b.u32();
    s.aliasTableCount = b.u32();
    // Both arrays are sized by counts the section must hold the bytes of.
    const uint32_t tables = s.aliasTableCount;
    if (8ull * tables + uint64_t(kDimStatsBytes) * s.dimCount > in.left())
        return OTL_ERR_FILE;
    const OtlHostContext *host = reader.host;
    if (tables) {
        status = hostNewArray(host, tables, &s.aliasCountersFirst);
        if (status == OTL_OK)
            status = hostNewArray(host, tables, &s.aliasCountersSecond);
        if (status == OTL_OK)
            status = in.readToBuffer(8 * tables);
        if (status != OTL_OK)
            return status;
        ByteReader counters(reader.buffer, 8 * tables);
        for (uint32_t i = 0; i < tables; ++i)
            s.aliasCountersFirst[i] = counters.u32();
        for (uint32_t i = 0; i < tables; ++i)
            s.aliasCountersSecond[i] = counters.u32();
    }
    if (s.dimCount) {
        status = hostNewArray(host, s.dimCount, &s.dimStats);
        if (status == OTL_OK)
            status = in.readToBuffer(kDimStatsBytes * s.dimCount);
        if (status != OTL_OK)
            return status;
        ByteReader entries(reader.buffer, kDimStatsBytes * s.dimCount);
        for (uint32_t k = 0; k < s.dimCount; ++k) {
            OtlDimStats &entry = s.dimStats[k];
            entry.storedMemberCount = entries.u32();
            entry.memberCount = entries.u32();
            entry.dimensionKind = entries.u32();
            entry.recordOffset = entries.u32();
        }
    }
    return OTL_OK;
}

// ---- attribute specifications ------------------------------------------------

OtlStatus writeAttrSpecs(Writer &writer)
{
    OtlAttrSpecs &a = writer.outline->attrSpecs;
    ByteWriter &out = writer.out;
    out.u16(a.affixPosition);
    out.u16(a.nameFormat);
    out.u8(a.separator);
    out.u16(a.dateFormat);
    out.u16(a.extraChoice);
    for (int i = 0; i < kSpecTexts; ++i)
        out.text(loadPointer(specText(a, i)));
    return writer.flush();
}

OtlStatus readAttrSpecs(Reader &reader, SectionInput &in)
{
    const uint32_t size = in.left();
    OtlStatus status = readBeforeMembers(reader, in, size);
    if (status != OTL_OK)
        return status;
    OtlAttrSpecs &a = reader.outline->attrSpecs;
    ByteReader b(reader.buffer, size);
    a.affixPosition = b.u16();
    a.nameFormat = b.u16();
    a.separator = b.u8();
    a.dateFormat = b.u16();
    a.extraChoice = b.u16();
    for (int i = 0; i < kSpecTexts && status == OTL_OK; ++i)
        status = copyFileText(reader.host, b.text(), specText(a, i));
    return b.bad ? OTL_ERR_FILE : status;
}

// ---- change log ---------------------------------------------------------------

// A record's texts, each with its terminator, an absent one as a lone
// terminator. A block longer than the reader takes is cut from its last
// text backwards, at whole characters: only a dimension's change text can
// be that long, the names are at most 80 bytes.
OtlStatus writeChangeLog(Writer &writer)
{
    const OtlOutline *outline = writer.outline;
    ByteWriter &out = writer.out;
    uint32_t count = 0;
    for (const OtlChangeRecord *r = outline->changeLogHead; r; r = r->next)
        count += otlChangeTextCount(r->kind) != 0;
    out.u32(count);
    const GCLocale locale = static_cast<GCLocale>(outline->host->localeHandle);
    for (const OtlChangeRecord *r = outline->changeLogHead; r; r = r->next) {
        const uint16_t texts = otlChangeTextCount(r->kind);
        if (texts == 0)
            continue;
        uint32_t length[6] = {};
        uint64_t total = 0;
        for (uint16_t i = 0; i < texts; ++i)
            total += (length[i] = r->text[i] ? static_cast<uint32_t>(strlen(r->text[i])) : 0) + 1;
        char cut[kChangeTextBytes];
        uint16_t cutAt = texts; // the text written from `cut`, if any
        for (uint16_t i = texts; i-- > 0 && total > kChangeTextBytes;) {
            const uint64_t excess = total - kChangeTextBytes;
            const uint32_t room = length[i] > excess ? static_cast<uint32_t>(length[i] - excess) : 0;
            const int32_t kept = room ? GCStrcpy(locale, cut, static_cast<int32_t>(room), r->text[i], -1, 0) : 0;
            total -= length[i] - static_cast<uint32_t>(kept);
            length[i] = static_cast<uint32_t>(kept);
            cutAt = i;
        }
        out.u8(static_cast<uint8_t>(kChangeLetters[r->kind - 1]));
        out.u16(r->generation);
        out.u16(r->oldGeneration);
        out.u16(static_cast<uint16_t>(total));
        for (uint16_t i = 0; i < texts; ++i) {
            out.bytes(i == cutAt ? cut : r->text[i], length[i]);
            out.u8(0);
        }
        if (OtlStatus status = flushWhenFull(writer))
            return status;
    }
    return writer.flush();
}

OtlStatus readChangeLog(Reader &reader, SectionInput &in)
{
    OtlOutline *outline = reader.outline;
    uint32_t count = 0;
    OtlStatus status = in.readU32(&count);
    // Each record reads at least its head, so a count larger than the
    // section ends at the section's end.
    for (uint32_t n = 0; n < count && status == OTL_OK; ++n) {
        uint8_t head[kChangeHeadBytes];
        char block[kChangeTextBytes];
        status = in.read(head, sizeof head);
        if (status != OTL_OK)
            break;
        ByteReader b(head, sizeof head);
        const uint16_t kind = changeKindOf(b.u8());
        const uint16_t generation = b.u16();
        const uint16_t oldGeneration = b.u16();
        const uint16_t length = b.u16();
        if (length > kChangeTextBytes)
            return OTL_ERR_FILE;
        status = in.read(block, length);
        const uint16_t texts = otlChangeTextCount(kind);
        if (status != OTL_OK || texts == 0)
            continue; // an unknown letter: the record is dropped
        const char *text[6] = {};
        uint32_t at = 0;
        for (uint16_t i = 0; i < texts; ++i) {
            const void *end = at < length ? memchr(block + at, 0, length - at) : nullptr;
            if (!end)
                return OTL_ERR_FILE; // fewer terminators than the kind's texts
            text[i] = block + at;
            at = static_cast<uint32_t>(static_cast<const char *>(end) - block) + 1;
        }
        if (!text[0][0])
            continue;
        OtlChangeRecord *record = nullptr;
        status = otlNewChangeRecord(reader.host, kind, &record);
        if (status != OTL_OK)
            break;
        record->generation = generation;
        record->oldGeneration = oldGeneration;
        for (uint16_t i = 0; i < texts && status == OTL_OK; ++i)
            status = otlDupString(reader.host, text[i], &record->text[i]);
        if (status != OTL_OK) {
            otlFreeChangeRecord(reader.host, record);
            break;
        }
        otlChangeListAppend(outline, record);
    }
    return status;
}

// ---- time series ---------------------------------------------------------------

OtlStatus writeTimeSeries(Writer &writer)
{
    const OtlOutline *outline = writer.outline;
    if (qVLWriteOpcode(writer.env(), writer.file, OTL_OP_END, kEndVersion) != QVL_OK)
        return OTL_ERR_FILE;
    uint32_t lengths[OTL_DTS_COUNT] = {};
    uint32_t total = 0;
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        lengths[i] = 2;
        for (const char *alias : outline->dtsMembers[i]->dtsAliases)
            lengths[i] += 2 + static_cast<uint32_t>(strnlen(alias, OTL_TABLE_NAME_SIZE - 1)) + 1;
        total += lengths[i] + 4;
    }
    ByteWriter &out = writer.out;
    out.u32(total);
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        const OtlDtsMember *member = outline->dtsMembers[i];
        out.u32(lengths[i]);
        out.u8(member->dtsEnabled);
        out.u8(static_cast<uint8_t>(member->dtsGeneration)); // the high byte is not kept
        for (const char *alias : member->dtsAliases) {
            const uint32_t length = static_cast<uint32_t>(strnlen(alias, OTL_TABLE_NAME_SIZE - 1));
            out.u16(static_cast<uint16_t>(length + 1));
            out.bytes(alias, length);
            out.u8(0);
        }
    }
    return writer.flush();
}

OtlStatus readTimeSeries(Reader &reader, SectionInput &in, uint16_t version)
{
    OtlOutline *outline = reader.outline;
    const bool framed = version >= kTimeSeriesVersion;
    if (framed) {
        // The embedded header is the file services' to read; its content
        // does not matter.
        uint16_t opcode = 0, embeddedVersion = 0;
        uint32_t length = 0;
        if (in.left() < QVL_SECTION_HEADER_SIZE ||
            qVLReadOpcode(reader.env(), reader.file, &opcode, &embeddedVersion, &length) != QVL_OK)
            return OTL_ERR_FILE;
        in.pos += QVL_SECTION_HEADER_SIZE;
    }
    const uint32_t size = in.left();
    OtlStatus status = in.readToBuffer(size);
    if (status != OTL_OK)
        return status;
    ByteReader b(reader.buffer, size);
    if (framed)
        b.u32(); // the total
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        OtlDtsMember *member = outline->dtsMembers[i];
        if (framed)
            b.u32(); // the member's length
        const uint8_t enabled = b.u8();
        const uint8_t generation = b.u8();
        for (int t = 0; t < OTL_MAX_ALIAS_TABLES; ++t)
            if (const char *alias = b.text(OTL_TABLE_NAME_SIZE))
                memcpy(member->dtsAliases[t], alias, strlen(alias) + 1);
        if (b.bad)
            return OTL_ERR_FILE;
        member->dtsEnabled = enabled;
        member->dtsGeneration = static_cast<uint16_t>((member->dtsGeneration & 0xFF00) | generation);
        if (framed && enabled)
            ++outline->dtsEnabledCount;
    }
    return OTL_OK;
}

// ---- comments ---------------------------------------------------------------------

OtlStatus writeComments(Writer &writer, bool extended, uint32_t count)
{
    OtlItem *root = writer.outline->root;
    ByteWriter &out = writer.out;
    out.u32(count);
    for (OtlItem *x = count ? root : nullptr; x; x = nextInSubtree(x, root)) {
        const char *text = extended ? x->commentEx : x->comment;
        if (!text)
            continue;
        const size_t length = strlen(text) + 1;
        out.u32(static_cast<uint32_t>(kCommentHeadBytes + length));
        out.u32(x->dimensionNumber);
        out.u32(x->memberNumber);
        out.text(text);
        if (OtlStatus status = flushWhenFull(writer))
            return status;
    }
    return writer.flush();
}

OtlStatus readComments(Reader &reader, SectionInput &in, bool extended)
{
    const OtlHostContext *host = reader.host;
    uint32_t count = 0;
    OtlStatus status = in.readU32(&count);
    for (uint32_t n = 0; n < count && status == OTL_OK; ++n) {
        uint8_t head[kCommentHeadBytes];
        status = in.read(head, sizeof head);
        if (status != OTL_OK)
            break;
        ByteReader b(head, sizeof head);
        b.u32(); // the entry's length
        const uint32_t dimensionNumber = b.u32();
        const uint32_t memberNumber = b.u32();
        const uint16_t length = b.u16();
        if (length == 0)
            continue;
        OtlItem *item = nullptr;
        status = findByNumbers(reader, dimensionNumber, memberNumber, &item);
        if (status != OTL_OK)
            break;
        if (!item) {
            status = in.readToBuffer(length); // no such item: the text is passed over
            continue;
        }
        void *block = nullptr;
        status = hostAlloc(host, length, &block);
        if (status != OTL_OK)
            break;
        char *text = static_cast<char *>(block);
        status = in.read(text, length);
        if (status == OTL_OK && text[length - 1] != '\0')
            status = OTL_ERR_FILE;
        if (status != OTL_OK) {
            hostFree(host, text);
            break;
        }
        char **field = extended ? &item->commentEx : &item->comment;
        hostRelease(host, field); // an item named twice keeps the last text
        storePointer(field, text);
    }
    return status;
}

} // namespace otl
