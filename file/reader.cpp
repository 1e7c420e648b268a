/*
 * The reader's plumbing: its scratch buffer, reads bounded by the section
 * they belong to, and finding an item by the numbers the comment sections
 * name it by.
 */
#include "file/reader.h"
#include "core/alloc.h"
#include "core/tree.h"
#include "file/format.h"
#include "file/numbering.h"

namespace otl {

OtlStatus Reader::reserve(uint32_t size)
{
    if (size <= bufferSize)
        return OTL_OK;
    // A fresh block rather than a larger one: the old contents are not needed.
    void *block = nullptr;
    OtlStatus status = hostAlloc(host, size, &block);
    if (status != OTL_OK)
        return status;
    hostRelease(host, &buffer);
    buffer = static_cast<uint8_t *>(block);
    bufferSize = size;
    return OTL_OK;
}

void Reader::release()
{
    hostRelease(host, &buffer);
    bufferSize = 0;
    hostRelease(host, &byNumber);
    hostRelease(host, &dimensionStart);
}

uint32_t sectionBit(uint16_t opcode)
{
    switch (opcode) {
    case OTL_OP_STATISTICS:
        return 0x01;
    case OTL_OP_ATTR_SPECS:
        return 0x02;
    case OTL_OP_MEMBERS:
        return 0x04;
    case OTL_OP_CHANGE_LOG:
        return 0x08;
    case OTL_OP_TIME_SERIES:
        return 0x10;
    case OTL_OP_COMMENTS:
        return 0x20;
    case OTL_OP_COMMENTS_EX:
        return 0x40;
    default:
        return 0;
    }
}

OtlStatus SectionInput::read(void *to, uint32_t count)
{
    if (count > left())
        return OTL_ERR_FILE;
    if (count && qVLRead(reader.env(), reader.file, to, count) != QVL_OK)
        return OTL_ERR_FILE;
    pos += count;
    return OTL_OK;
}

OtlStatus SectionInput::readU32(uint32_t *value)
{
    uint8_t b[4];
    OtlStatus status = read(b, sizeof b);
    *value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return status;
}

// The buffer is sized only for bytes the section really holds.
OtlStatus SectionInput::readToBuffer(uint32_t count)
{
    if (count > left())
        return OTL_ERR_FILE;
    OtlStatus status = reader.reserve(count ? count : 1);
    return status == OTL_OK ? read(reader.buffer, count) : status;
}

namespace {

// Per dimension the range its members' numbers index; by member number
// within it.
OtlStatus buildIndex(Reader &reader)
{
    const OtlHostContext *host = reader.host;
    OtlItem *root = reader.outline->root;
    const uint32_t dimensions = countDimensions(reader.outline);
    hostRelease(host, &reader.dimensionStart);
    OtlStatus status = hostNewArray(host, uint64_t(dimensions) + 1, &reader.dimensionStart);
    if (status != OTL_OK)
        return status;
    uint64_t total = 0;
    uint32_t k = 0;
    for (OtlItem *d = root->firstChild; d; d = d->nextSibling) {
        reader.dimensionStart[k++] = static_cast<uint32_t>(total);
        total += d->memberNumber;
    }
    reader.dimensionStart[k] = static_cast<uint32_t>(total);
    reader.indexedDimensions = dimensions;
    status = hostNewArray(host, total ? total : 1, &reader.byNumber);
    if (status != OTL_OK)
        return status;
    k = 0;
    for (OtlItem *d = root->firstChild; d; d = d->nextSibling, ++k)
        for (OtlItem *x = d; x; x = nextInSubtree(x, d))
            reader.byNumber[reader.dimensionStart[k] + x->memberNumber - 1] = x;
    return OTL_OK;
}

} // namespace

OtlStatus findByNumbers(Reader &reader, uint32_t dimensionNumber, uint32_t memberNumber,
                        OtlItem **item)
{
    *item = nullptr;
    OtlItem *root = reader.outline->root;
    if (!root)
        return OTL_OK;
    if (dimensionNumber == kRootNumber && memberNumber == kRootNumber) {
        *item = root;
        return OTL_OK;
    }
    if (!reader.byNumber) {
        for (OtlItem *x = reader.cursor ? reader.cursor : root; x; x = nextInSubtree(x, root)) {
            if (x->dimensionNumber == dimensionNumber && x->memberNumber == memberNumber) {
                reader.cursor = x;
                *item = x;
                return OTL_OK;
            }
        }
        // Out of tree order, or no such item: from now on the index answers.
        if (OtlStatus status = buildIndex(reader))
            return status;
    }
    if (dimensionNumber == 0 || dimensionNumber > reader.indexedDimensions)
        return OTL_OK;
    const uint32_t first = reader.dimensionStart[dimensionNumber - 1];
    const uint32_t count = reader.dimensionStart[dimensionNumber] - first;
    if (memberNumber >= 1 && memberNumber <= count)
        *item = reader.byNumber[first + memberNumber - 1];
    return OTL_OK;
}

} // namespace otl
