/*
 * The outline writer: adShrOtlWriteOutline.
 *
 * A save first lets the outline choose its storage types when it asks for
 * that, and verifies it unless told not to or already verified; an outline
 * with faults is not saved. It then prepares everything before the file is
 * created: the statistics
 * arrays and the dimension table (fresh blocks, the old ones kept), the
 * numbering (every item's old numbers logged, each member's subtree size in
 * bytes gathered on the way) and the association matrices (fresh blocks).
 * Then it writes the sections in their fixed order, each record in one
 * call, every record's position known when it is written. A failure at any
 * point puts the outline back as it was, numbers, storage types and the
 * verified flag included (the findings of its verification stay on the
 * items); the file services leave the previous file in place. Success
 * releases what was replaced.
 *
 * During the save a member's recordOffset first holds the bytes of its
 * subtree (its record and all below it), then its position: a record's
 * next sibling starts right after that subtree.
 */
#include "core/alloc.h"
#include "core/host.h"
#include "core/tree.h"
#include "file/autoconf.h"
#include "file/format.h"
#include "file/matrix.h"
#include "file/members.h"
#include "file/numbering.h"
#include "file/sections.h"

#include <string.h>

namespace otl {

OtlStatus Writer::flush()
{
    if (out.status != OTL_OK)
        return out.status;
    if (out.size && qVLWrite(env(), file, out.data, out.size) != QVL_OK)
        return OTL_ERR_FILE;
    out.clear();
    return OTL_OK;
}

namespace {

// The old numbers and record offset of every item the numbering reached,
// in the order it reached them, in blocks of a fixed size.
struct NumberLog {
    // Small enough for a host's heap to reuse from one save to the next.
    static constexpr uint32_t kItemsPerChunk = 4000;
    struct Chunk {
        Chunk *next;
        uint32_t values[4 * kItemsPerChunk];
    };

    const OtlHostContext *host;
    Chunk *first = nullptr;
    Chunk *last = nullptr;
    uint32_t count = 0;

    OtlStatus push(const OtlItem *item)
    {
        const uint32_t at = count % kItemsPerChunk;
        if (at == 0) {
            void *block = nullptr;
            if (OtlStatus status = hostAlloc(host, sizeof(Chunk), &block))
                return status;
            Chunk *chunk = static_cast<Chunk *>(block);
            chunk->next = nullptr;
            (last ? last->next : first) = chunk;
            last = chunk;
        }
        uint32_t *v = &last->values[4 * at];
        v[0] = item->dimensionNumber;
        v[1] = item->memberNumber;
        v[2] = item->storedNumber;
        v[3] = item->recordOffset;
        ++count;
        return OTL_OK;
    }

    // Writes the logged values back, walking the items in the numbering's order.
    void restore(OtlItem *root) const
    {
        const Chunk *chunk = first;
        uint32_t done = 0;
        const auto put = [&](OtlItem *x) {
            if (done == count)
                return false;
            const uint32_t *v = &chunk->values[4 * (done % kItemsPerChunk)];
            x->dimensionNumber = v[0];
            x->memberNumber = v[1];
            x->storedNumber = v[2];
            x->recordOffset = v[3];
            if (++done % kItemsPerChunk == 0)
                chunk = chunk->next;
            return true;
        };
        if (!root || !put(root))
            return;
        for (OtlItem *d = root->firstChild; d; d = d->nextSibling)
            if (!postOrder(d, put))
                return;
    }

    void release()
    {
        while (first) {
            Chunk *next = first->next;
            hostFree(host, first);
            first = next;
        }
        last = nullptr;
        count = 0;
    }
};

class Save {
public:
    explicit Save(OtlOutline *outline)
        : outline_(outline), host_(outline->host), log_{outline->host}, oldVerified_(outline->verified)
    {
        writer_.outline = outline;
        writer_.out.host = host_;
    }

    OtlStatus prepare(bool verify);
    OtlStatus write(const char *fileName);
    void rollback();
    void commit();

private:
    OtlStatus install();
    OtlStatus verify();
    static OtlStatus numberHook(void *context, OtlItem *item, const OtlItem *dimension);
    OtlStatus sections();
    OtlStatus members(uint32_t firstRecord);
    OtlStatus section(uint16_t opcode, uint16_t version, OtlStatus (Save::*body)());
    OtlStatus statistics() { return writeStatistics(writer_); }
    OtlStatus attrSpecs() { return writeAttrSpecs(writer_); }
    OtlStatus changeLog() { return writeChangeLog(writer_); }
    OtlStatus timeSeries() { return writeTimeSeries(writer_); }
    OtlStatus comments() { return writeComments(writer_, false, comments_[0]); }
    OtlStatus commentsEx() { return writeComments(writer_, true, comments_[1]); }
    OtlStatus membersBody();
    void releaseScratch();

    OtlOutline *outline_;
    const OtlHostContext *host_;
    Writer writer_;
    NumberLog log_;
    // What the save replaced, kept until it stands.
    OtlFileStats oldStats_{};
    OtlItem **oldDimTable_ = nullptr;
    uint32_t oldDimTableSize_ = 0;
    bool installed_ = false;
    // Per dimension of the save.
    uint32_t dims_ = 0;
    uint32_t *highest_ = nullptr;
    uint8_t *rebuilt_ = nullptr;
    uint8_t **oldMatrices_ = nullptr;
    uint16_t *oldStorage_ = nullptr; // the storage types before the configuration
    uint8_t oldVerified_;
    uint32_t statsBody_ = 0;
    uint32_t comments_[2] = {};
};

// Fresh statistics arrays and dimension table, then installed; the old ones
// stay in the Save. Without dimensions the old dimStats and table stay.
OtlStatus Save::install()
{
    const uint32_t tables = outline_->aliasTableCount;
    OtlFileStats fresh{};
    OtlItem **table = nullptr;
    OtlStatus status = OTL_OK;
    if (tables) {
        status = hostNewArray(host_, tables, &fresh.aliasCountersFirst);
        if (status == OTL_OK)
            status = hostNewArray(host_, tables, &fresh.aliasCountersSecond);
    }
    if (status == OTL_OK && dims_) {
        status = hostNewArray(host_, dims_, &fresh.dimStats);
        if (status == OTL_OK)
            status = hostNewArray(host_, dims_, &table);
    }
    if (status != OTL_OK) {
        hostRelease(host_, &fresh.aliasCountersFirst);
        hostRelease(host_, &fresh.aliasCountersSecond);
        hostRelease(host_, &fresh.dimStats);
        return status;
    }
    oldStats_ = outline_->stats;
    oldDimTable_ = outline_->dimTable;
    oldDimTableSize_ = outline_->dimTableSize;
    fresh.dimCount = dims_;
    fresh.aliasTableCount = tables;
    if (!dims_) {
        fresh.dimStats = oldStats_.dimStats;
    } else {
        uint32_t k = 0;
        for (OtlItem *d = outline_->root->firstChild; d; d = d->nextSibling)
            table[k++] = d;
        outline_->dimTable = table;
        outline_->dimTableSize = dims_;
    }
    outline_->stats = fresh;
    installed_ = true;
    return OTL_OK;
}

// Logs the item's old values; a member's recordOffset becomes the size of
// its subtree's records, its children having been visited before it.
OtlStatus Save::numberHook(void *context, OtlItem *item, const OtlItem *dimension)
{
    Save &save = *static_cast<Save *>(context);
    if (OtlStatus status = save.log_.push(item))
        return status;
    if (!dimension || item == dimension)
        return OTL_OK;
    ByteCounter record;
    encodeMember(record, save.outline_, item, dimension, 0, false);
    uint64_t subtree = record.size;
    for (const OtlItem *c = item->firstChild; c; c = c->nextSibling)
        subtree += c->recordOffset;
    if (record.status != OTL_OK)
        return record.status;
    if (subtree > UINT32_MAX) // file positions are 32 bits
        return OTL_ERR_FILE;
    OtlFileStats &stats = save.outline_->stats;
    if (record.size > stats.maxRecordLength)
        stats.maxRecordLength = static_cast<uint32_t>(record.size);
    item->recordOffset = static_cast<uint32_t>(subtree);
    return OTL_OK;
}

// Verification's faults refuse the save; its report is not needed.
OtlStatus Save::verify()
{
    uint32_t outlineFaults = 0, faultyMembers = 0;
    OtlFaultEntry *report = nullptr;
    OtlStatus status = adShrOtlVerifyOutline(outline_, &outlineFaults, &faultyMembers, &report);
    hostRelease(host_, &report);
    if (status == OTL_OK && !outline_->verified && (outlineFaults || faultyMembers))
        status = OTL_ERR_NOT_VERIFIED;
    return status;
}

OtlStatus Save::prepare(bool verifyFirst)
{
    dims_ = countDimensions(outline_);
    if (dims_ > UINT16_MAX) // the info block counts them in 16 bits
        return OTL_ERR_FILE;
    OtlStatus status = OTL_OK;
    if (dims_) {
        status = hostNewArray(host_, dims_, &highest_);
        if (status == OTL_OK)
            status = hostNewArray(host_, dims_, &rebuilt_);
        if (status == OTL_OK)
            status = hostNewArray(host_, dims_, &oldMatrices_);
        if (status == OTL_OK)
            status = hostNewArray(host_, dims_, &oldStorage_);
    }
    if (status != OTL_OK)
        return status;
    uint32_t k = 0;
    for (OtlItem *d = outline_->root ? outline_->root->firstChild : nullptr; d; d = d->nextSibling)
        oldStorage_[k++] = d->storageType;
    if (outline_->autoConfigure)
        status = otlConfigureStorage(host_, outline_);
    if (status == OTL_OK && verifyFirst && !outline_->verified)
        status = verify();
    if (status != OTL_OK)
        return status;
    otlTraceTime("otlWriteOutline begin");
    status = install();
    if (status != OTL_OK)
        return status;
    Numbering how;
    how.counting = true;
    how.hook = numberHook;
    how.context = this;
    how.highestStored = highest_;
    status = numberItems(outline_, how);
    if (status == OTL_OK && dims_)
        status = rebuildMatrices(outline_, highest_, rebuilt_, oldMatrices_);
    return status;
}

OtlStatus Save::section(uint16_t opcode, uint16_t version, OtlStatus (Save::*body)())
{
    uint32_t position = 0;
    if (qVLBeginOpcode(writer_.env(), writer_.file, opcode, version, &position) != QVL_OK)
        return OTL_ERR_FILE;
    if (OtlStatus status = (this->*body)())
        return status;
    return qVLEndOpcode(writer_.env(), writer_.file, position) == QVL_OK ? OTL_OK : OTL_ERR_FILE;
}

OtlStatus Save::membersBody()
{
    uint32_t start = 0;
    if (qVLLseek(writer_.env(), writer_.file, 1, 0, &start) != QVL_OK)
        return OTL_ERR_FILE;
    encodeInfoBlock(writer_.out, outline_, static_cast<uint16_t>(dims_));
    const uint32_t infoLength = writer_.out.size;
    if (OtlStatus status = writer_.flush())
        return status;
    otlTraceTime("otlWriteMembers end");
    const OtlStatus status = members(start + infoLength);
    otlTraceTime("otlWriteMembers end");
    return status;
}

// The records in pre-order, dimension by dimension, each written with one
// call once its next sibling's position is in it.
OtlStatus Save::members(uint32_t firstRecord)
{
    OtlItem *root = outline_->root;
    OtlFileStats &stats = outline_->stats;
    ByteWriter &out = writer_.out;
    uint64_t position = firstRecord;
    const OtlItem *dimension = nullptr;
    for (OtlItem *x = root ? root->firstChild : nullptr; x; x = nextInSubtree(x, root)) {
        const bool isDimension = x->parent == root;
        if (isDimension)
            dimension = x;
        const uint32_t k = x->dimensionNumber;
        encodeMember(out, outline_, x, dimension, 0,
                     isDimension && x->dimensionTag == OTL_TAG_ATTRIBUTE && rebuilt_[k - 1]);
        const uint32_t length = out.size;
        uint64_t subtree = x->recordOffset; // a member's, from the numbering
        if (isDimension) {
            subtree = length;
            for (const OtlItem *c = x->firstChild; c; c = c->nextSibling)
                subtree += c->recordOffset;
        }
        if (position + subtree > UINT32_MAX)
            return OTL_ERR_FILE;
        out.patch32(kNextSiblingAt, x->nextSibling ? static_cast<uint32_t>(position + subtree) : 0);
        x->recordOffset = static_cast<uint32_t>(position);
        if (isDimension) {
            stats.dimStats[k - 1].recordOffset = x->recordOffset;
            if (length > stats.maxRecordLength)
                stats.maxRecordLength = length;
        }
        comments_[0] += x->comment != nullptr;
        comments_[1] += x->commentEx != nullptr;
        position += length;
        if (OtlStatus status = writer_.flush())
            return status;
    }
    return OTL_OK;
}

OtlStatus Save::sections()
{
    const QvlEnv env = writer_.env();
    const QvlFile file = writer_.file;
    if (qVLWriteHeader(env, file, OTL_FILE_HEADER_SIZE, outline_->fileHeader) != QVL_OK ||
        qVLWriteOpcode(env, file, OTL_OP_BEGIN, kBeginVersion) != QVL_OK)
        return OTL_ERR_FILE;
    // The statistics are written now and again at the end, when the
    // dimensions' record positions are known; the block keeps its length.
    uint32_t position = 0;
    if (qVLBeginOpcode(env, file, OTL_OP_STATISTICS, kStatisticsVersion, &position) != QVL_OK ||
        qVLLseek(env, file, 1, 0, &statsBody_) != QVL_OK)
        return OTL_ERR_FILE;
    OtlStatus status = writeStatistics(writer_);
    if (status != OTL_OK)
        return status;
    if (qVLEndOpcode(env, file, position) != QVL_OK)
        return OTL_ERR_FILE;
    comments_[0] = outline_->root && outline_->root->comment;
    comments_[1] = outline_->root && outline_->root->commentEx;
    const struct {
        uint16_t opcode, version;
        OtlStatus (Save::*body)();
    } bodies[] = {{OTL_OP_ATTR_SPECS, kAttrSpecsVersion, &Save::attrSpecs},
                  {OTL_OP_MEMBERS, kMembersVersion, &Save::membersBody},
                  {OTL_OP_CHANGE_LOG, kChangeLogVersion, &Save::changeLog},
                  {OTL_OP_TIME_SERIES, kTimeSeriesVersion, &Save::timeSeries},
                  {OTL_OP_COMMENTS, kCommentsVersion, &Save::comments},
                  {OTL_OP_COMMENTS_EX, kCommentsVersion, &Save::commentsEx}};
    for (const auto &b : bodies)
        if ((status = section(b.opcode, b.version, b.body)) != OTL_OK)
            return status;
    if (qVLWriteOpcode(env, file, OTL_OP_END, kEndVersion) != QVL_OK ||
        qVLLseek(env, file, 0, static_cast<int32_t>(statsBody_), nullptr) != QVL_OK)
        return OTL_ERR_FILE;
    return writeStatistics(writer_);
}

OtlStatus Save::write(const char *fileName)
{
    const QvlEnv env = writer_.env();
    OtlStatus status = qVLCreateFile(env, &writer_.file, fileName);
    if (status != QVL_OK)
        return status;
    status = sections();
    // Closing completes the file; after a failure it discards it, and the
    // file that was there stays.
    const uint32_t closed = qVLCloseFile(env, writer_.file);
    writer_.file = 0;
    return status != OTL_OK ? status : closed != QVL_OK ? OTL_ERR_FILE : OTL_OK;
}

void Save::releaseScratch()
{
    log_.release();
    writer_.out.release();
    hostRelease(host_, &highest_);
    hostRelease(host_, &rebuilt_);
    hostRelease(host_, &oldMatrices_);
    hostRelease(host_, &oldStorage_);
}

void Save::rollback()
{
    log_.restore(outline_->root);
    uint32_t position = 0;
    for (OtlItem *d = oldStorage_ ? outline_->root->firstChild : nullptr; d; d = d->nextSibling)
        d->storageType = oldStorage_[position++];
    outline_->verified = oldVerified_;
    for (uint32_t k = 0; k < dims_ && installed_; ++k) {
        if (!rebuilt_[k])
            continue;
        OtlItem *a = outline_->dimTable[k];
        hostRelease(host_, &a->associationMatrix);
        a->associationMatrix = oldMatrices_[k];
    }
    if (installed_) {
        OtlFileStats &stats = outline_->stats;
        hostRelease(host_, &stats.aliasCountersFirst);
        hostRelease(host_, &stats.aliasCountersSecond);
        if (dims_) {
            hostRelease(host_, &stats.dimStats);
            hostRelease(host_, &outline_->dimTable);
        }
        outline_->stats = oldStats_;
        outline_->dimTable = oldDimTable_;
        outline_->dimTableSize = oldDimTableSize_;
    }
    releaseScratch();
}

void Save::commit()
{
    hostRelease(host_, &oldStats_.aliasCountersFirst);
    hostRelease(host_, &oldStats_.aliasCountersSecond);
    if (dims_) {
        hostRelease(host_, &oldStats_.dimStats);
        hostRelease(host_, &oldDimTable_);
        for (uint32_t k = 0; k < dims_; ++k)
            if (rebuilt_[k])
                hostRelease(host_, &oldMatrices_[k]);
    }
    releaseScratch();
}

} // namespace

} // namespace otl

extern "C" OTL_API OtlStatus adShrOtlWriteOutline(OtlOutline *outline, const char *fileName,
                                                 uint8_t skipVerify)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    otl::Save save(outline);
    OtlStatus status = save.prepare(!skipVerify);
    if (status == OTL_OK)
        status = save.write(fileName);
    if (status != OTL_OK) {
        save.rollback();
        return status;
    }
    save.commit();
    otlTraceTime("otlWriteOutline end");
    return OTL_OK;
}
