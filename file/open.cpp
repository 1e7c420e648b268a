/*
 * The outline reader: adShrOtlOpenOutline.
 *
 * The file is read section by section into a new outline, which is handed
 * out only when the whole file has been read; any failure releases it.
 * Every count and length a file holds is checked against the bytes that
 * back it before it sizes anything, a section that appears twice or out of
 * its place is refused, and the member records are read with no recursion
 * and no stack of their own, however deep they nest.
 */
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "file/format.h"
#include "file/matrix.h"
#include "file/members.h"
#include "file/numbering.h"
#include "file/reader.h"
#include "file/sections.h"

#include <algorithm>

namespace otl {

namespace {

constexpr uint32_t kMinRecordBuffer = 4096;
// The file bytes the item pool reckons per item (its first block holds
// fileSize x 7.5 / 39900 items).
constexpr uint64_t kPoolBytesPerItem = 5320;

// A level is 0 for a leaf, else one more than its highest child's; the
// numbering visits children first. Items are linked without level updates,
// which would climb the whole chain for each leaf of a deep one.
OtlStatus levelHook(void *, OtlItem *item, const OtlItem *)
{
    uint16_t level = 0;
    for (const OtlItem *c = item->firstChild; c; c = c->nextSibling)
        if (c->level >= level)
            level = static_cast<uint16_t>(c->level + 1);
    item->level = level;
    return OTL_OK;
}

// The records: `count` dimensions, and under each record as many as its
// child count says. The children still to read under an item ride in its
// childCountOrValue (which a read item otherwise leaves 0), so that the
// nesting needs neither recursion nor a stack of its own.
OtlStatus readRecords(Reader &reader, SectionInput &in, uint16_t version, uint16_t count)
{
    OtlOutline *outline = reader.outline;
    OtlItem *root = outline->root;
    OtlItem *parent = root;
    OtlItem *previous = nullptr; // the last item linked under parent
    OtlItem *dimension = nullptr;
    root->childCountOrValue = count;
    for (;;) {
        if (parent->childCountOrValue == 0) {
            if (parent == root)
                return OTL_OK;
            previous = parent;
            parent = parent->parent;
            continue;
        }
        --parent->childCountOrValue;
        // Generations and levels are 16 bits.
        if (parent->generation == UINT16_MAX)
            return OTL_ERR_FILE;
        const uint32_t start = in.pos;
        uint32_t length = 0;
        OtlStatus status = in.readU32(&length);
        // The length finds the next record: it may not be shorter than the
        // fixed part, nor run past the section.
        if (status == OTL_OK && (length < kRecordFixedBytes || length - 4 > in.left()))
            status = OTL_ERR_FILE;
        if (status == OTL_OK)
            status = in.readToBuffer(length - 4);
        OtlItem *item = nullptr;
        uint32_t children = 0;
        if (status == OTL_OK)
            status = decodeMember(outline, reader.buffer, length - 4, version,
                                  static_cast<uint16_t>(parent->generation + 1),
                                  parent == root ? nullptr : dimension, &item, &children);
        if (status != OTL_OK)
            return status;
        item->recordOffset = start;
        if (previous)
            otlAddSiblingItem(previous, item, 0);
        else
            otlAddChildItem(parent, item, 0);
        status = otlHashAddItem(reader.host, outline, item);
        if (status != OTL_OK)
            return status;
        if (parent == root)
            dimension = item;
        if (children) {
            item->childCountOrValue = children;
            parent = item;
            previous = nullptr;
        } else {
            previous = item;
        }
    }
}

// The members section: the info block, the records, then the dimension
// table and the numbers the comments and associations are found by.
OtlStatus readMembers(Reader &reader, SectionInput &in, uint16_t version)
{
    OtlOutline *outline = reader.outline;
    OtlFileStats &stats = outline->stats;
    const bool statsRead = reader.sectionsSeen & sectionBit(OTL_OP_STATISTICS);
    // From version 6 the statistics are trusted, so they must be there.
    if (version >= kAttributeVersion && !statsRead)
        return OTL_ERR_FILE;
    uint32_t infoLength = 0;
    OtlStatus status = in.readU32(&infoLength);
    if (status == OTL_OK && (infoLength < 4 || infoLength - 4 > in.left()))
        status = OTL_ERR_FILE;
    // Sized for the longest record, but never beyond the file.
    uint32_t bufferSize = stats.maxRecordLength < reader.fileSize ? stats.maxRecordLength
                                                                  : reader.fileSize;
    if (bufferSize < kMinRecordBuffer)
        bufferSize = kMinRecordBuffer;
    if (status == OTL_OK)
        status = reader.reserve(bufferSize);
    if (status == OTL_OK)
        status = in.readToBuffer(infoLength - 4);
    uint16_t dimCount = 0;
    if (status == OTL_OK) {
        ByteReader info(reader.buffer, infoLength - 4);
        status = decodeInfoBlock(outline, info, version, &dimCount);
    }
    if (status == OTL_OK && statsRead && dimCount != stats.dimCount)
        status = OTL_ERR_FILE;
    // The pool's first block is sized from the file's size, which counts on
    // far longer records than a file has: sized from the records the
    // statistics count (no more than the file can hold), one block takes
    // every item instead of a chain of doubling blocks that ends up to
    // twice too large.
    const uint64_t records = std::min<uint64_t>(uint64_t(stats.memberCount) + 1,
                                                reader.fileSize / kRecordFixedBytes + 1);
    const uint64_t poolSize = std::max<uint64_t>(reader.fileSize, records * kPoolBytesPerItem);
    if (status == OTL_OK)
        status = otlStartPool(outline, static_cast<uint32_t>(std::min<uint64_t>(poolSize, UINT32_MAX)));
    if (status == OTL_OK)
        status = otlPoolItem(outline, &outline->root);
    if (status != OTL_OK)
        return status;
    outline->root->generation = 0;
    copyText(outline->root->memberName, OTL_ROOT_NAME, OTL_NAME_SIZE);
    otlTraceTime("otlReadMembers begin");
    status = readRecords(reader, in, version, dimCount);
    otlTraceTime("otlReadMembers end");
    if (status == OTL_OK)
        status = buildDimTable(outline);
    if (status != OTL_OK)
        return status;
    Numbering how;
    how.counting = version < kAttributeVersion;
    how.hook = levelHook;
    status = numberItems(outline, how);
    uint16_t rootLevel = 0;
    uint32_t baseDims = 0;
    for (const OtlItem *d = outline->root->firstChild; d; d = d->nextSibling) {
        if (d->level >= rootLevel)
            rootLevel = static_cast<uint16_t>(d->level + 1);
        baseDims += d->dimensionCategory != OTL_CATEGORY_ATTRIBUTE &&
                    d->dimensionCategory != OTL_CATEGORY_ATTR_CALC;
    }
    outline->root->level = rootLevel;
    // The attribute bookkeeping tells base from attribute dimensions by
    // this count.
    if (status == OTL_OK && stats.baseDimCount != baseDims)
        status = OTL_ERR_FILE;
    return status;
}

OtlStatus readSection(Reader &reader, SectionInput &in, uint16_t opcode, uint16_t version)
{
    const uint32_t bit = sectionBit(opcode);
    if (reader.sectionsSeen & bit)
        return OTL_ERR_FILE; // read once: nothing is allocated twice
    OtlStatus status = OTL_OK;
    switch (opcode) {
    case OTL_OP_STATISTICS:
        status = readStatistics(reader, in);
        break;
    case OTL_OP_ATTR_SPECS:
        status = readAttrSpecs(reader, in);
        break;
    case OTL_OP_MEMBERS:
        reader.membersVersion = version;
        status = readMembers(reader, in, version);
        break;
    case OTL_OP_CHANGE_LOG:
        status = readChangeLog(reader, in);
        break;
    case OTL_OP_TIME_SERIES:
        status = readTimeSeries(reader, in, version);
        break;
    case OTL_OP_COMMENTS:
    case OTL_OP_COMMENTS_EX:
        status = readComments(reader, in, opcode == OTL_OP_COMMENTS_EX);
        break;
    default:
        break; // OTL_OP_BEGIN, and any section this reader does not know: skipped
    }
    reader.sectionsSeen |= bit;
    return status;
}

OtlStatus readSections(Reader &reader)
{
    const QvlEnv env = reader.env();
    uint16_t opcode = 0, version = 0;
    uint32_t length = 0;
    OtlStatus status = qVLReadOpcode(env, reader.file, &opcode, &version, &length);
    if (status != QVL_OK)
        return status;
    if (qVLFileSize(env, reader.file, &reader.fileSize) != QVL_OK)
        return OTL_ERR_FILE;
    while (opcode != OTL_OP_END) {
        // The file services keep a body inside the file; positions are
        // absolute, so a length can neither wrap nor seek backwards.
        uint32_t start = 0;
        if (qVLLseek(env, reader.file, 1, 0, &start) != QVL_OK ||
            uint64_t(start) + length > reader.fileSize)
            return OTL_ERR_FILE;
        SectionInput in{reader, start, start + length};
        status = readSection(reader, in, opcode, version);
        if (status != OTL_OK)
            return status;
        if (in.pos != in.end &&
            qVLLseek(env, reader.file, 0, static_cast<int32_t>(in.end), nullptr) != QVL_OK)
            return OTL_ERR_FILE;
        status = qVLReadOpcode(env, reader.file, &opcode, &version, &length);
        if (status != QVL_OK)
            return status;
    }
    return reader.sectionsSeen & sectionBit(OTL_OP_MEMBERS) ? OTL_OK : OTL_ERR_FILE;
}

OtlStatus readOutline(OtlOutline *outline, const char *fileName)
{
    otlTraceTime("otlReadOutline begin");
    Reader reader{outline, outline->host};
    const QvlEnv env = reader.env();
    // A file that cannot be opened shows as a header that cannot be read.
    qVLOpenFile(env, &reader.file, fileName);
    OtlStatus status = qVLReadHeader(env, reader.file, OTL_FILE_HEADER_SIZE, outline->fileHeader) == QVL_OK
                           ? readSections(reader)
                           : OTL_ERR_FILE;
    reader.release();
    qVLCloseFile(env, reader.file);
    if (status != OTL_OK)
        return status;
    if (reader.membersVersion < kAttributeVersion || !outline->attrSpecs.trueName)
        status = otlInitDefaultAttrSpecs(outline);
    // Slots are checked whatever the counters say: a slot left unresolved
    // would be written back otherwise than it was read.
    if (status == OTL_OK)
        status = resolveAssociations(outline);
    if (status == OTL_OK)
        otlTraceTime("otlReadOutline end");
    return status;
}

} // namespace

} // namespace otl

extern "C" OTL_API OtlStatus adShrOtlOpenOutline(const OtlHostContext *host, const char *fileName,
                                                uint8_t logChanges, OtlOutline **outOutline)
{
    *outOutline = nullptr;
    OtlOutline *outline = nullptr;
    OtlStatus status = otlCreateOutlineData(host, &outline);
    if (status != OTL_OK)
        return status;
    outline->changeLogEnabled = logChanges ? 1 : 0;
    status = otl::readOutline(outline, fileName);
    if (status != OTL_OK) {
        otlFreeOutlineData(host, outline);
        return status;
    }
    *outOutline = outline;
    return OTL_OK;
}
