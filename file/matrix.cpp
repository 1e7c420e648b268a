/*
 * Association matrices: rebuilt from the base members' entries before a
 * save, and read back into entries after an open.
 *
 * A base member's association travels through the link slot of its
 * dimension that names the attribute dimension, and only when the member's
 * level is the slot's level: within one level no two members share a
 * stored number, so a column names one member. Every index into a matrix
 * is checked against the matrix, whatever the statistics of a file say.
 */
#include "file/matrix.h"
#include "attr/items.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/records.h"
#include "file/numbering.h"
#include "names/genlevel.h"

namespace otl {

namespace {

// A matrix of `rows` rows as the reader and writer see it.
struct MatrixRows {
    uint8_t *block;
    uint32_t rows;
    uint32_t rowWords;

    uint8_t *wordAt(uint32_t row, uint32_t column) const
    {
        if (!block || row >= rows || column / 32 >= rowWords)
            return nullptr;
        return block + kMatrixHeaderBytes + 4 * (uint64_t(row) * rowWords + column / 32);
    }
    bool test(const OtlItem *item, uint32_t column) const
    {
        const uint8_t *word = item->storedNumber ? wordAt(item->storedNumber - 1, column) : nullptr;
        return word && (loadLe32(word) >> (column % 32) & 1);
    }
    void set(const OtlItem *item, uint32_t column) const
    {
        if (uint8_t *word = item->storedNumber ? wordAt(item->storedNumber - 1, column) : nullptr)
            storeLe32(word, loadLe32(word) | 1u << (column % 32));
    }
};

bool isLinkedBase(const OtlItem *d)
{
    return d->attrRole == OTL_ATTR_ROLE_LINKED_BASE && !isAttrTag(d->dimensionTag) &&
           d->attrLink.baseDim.attrLinks;
}

// A member of a base dimension that may hold associations; a file may put
// an attribute or calculations item there, whose link area has another form.
bool isBaseMember(const OtlItem *x)
{
    return otlAttrLinkKind(x) == AttrLinkKind::BaseMember;
}

bool isAttrDim(const OtlItem *a)
{
    return a && a->generation == 1 && a->dimensionTag == OTL_TAG_ATTRIBUTE;
}

bool inside(const OtlItem *item, const OtlItem *top)
{
    for (const OtlItem *y = item; y; y = y->parent)
        if (y == top)
            return true;
    return false;
}

// A new cleared matrix for attribute dimension `a` of base dimension `d`.
OtlStatus newMatrix(OtlOutline *outline, OtlItem *a, uint32_t rowWords, uint8_t *rebuilt,
                    uint8_t **old)
{
    const uint32_t k = a->dimensionNumber;
    const uint64_t words = uint64_t(outline->stats.dimStats[k - 1].storedMemberCount) * rowWords;
    uint32_t bytes = 0;
    if (!arrayBytes(words, 4, &bytes) || bytes > UINT32_MAX - kMatrixHeaderBytes)
        return kStatusTooLarge;
    uint8_t *block = nullptr;
    if (words) {
        void *fresh = nullptr;
        if (OtlStatus status = hostAllocZero(outline->host, kMatrixHeaderBytes + bytes, &fresh))
            return status;
        block = static_cast<uint8_t *>(fresh);
        storeLe32(block, static_cast<uint32_t>(words));
    }
    old[k - 1] = a->associationMatrix;
    a->associationMatrix = block;
    rebuilt[k - 1] = 1;
    return OTL_OK;
}

// The cell of the attribute member of `a` that x is associated with: the
// leaf reached by going down through the items whose rows carry x's column.
OtlItem **findAttrMember(const OtlOutline *outline, OtlItem *a, const OtlItem *x)
{
    if (x->storedNumber == 0)
        return nullptr;
    const uint32_t column = x->storedNumber - 1;
    const uint32_t rows = outline->stats.dimStats[a->dimensionNumber - 1].storedMemberCount;
    const uint32_t words = matrixWords(a->associationMatrix);
    const MatrixRows m{a->associationMatrix, rows, rows ? words / rows : 0};
    if (!m.test(a, column))
        return nullptr;
    if (!a->firstChild)
        return otlAttrCellOf(a);
    for (OtlItem *node = a->firstChild; node;) {
        if (!m.test(node, column))
            node = node->nextSibling;
        else if (node->firstChild)
            node = node->firstChild;
        else
            return otlAttrCellOf(node);
    }
    return nullptr;
}

// The member a shared member (the member of its name) or a label-only one
// (its first child) stands for, when it lies in the same dimension. A
// label-only member without children stands for nothing and is passed
// over: verification reports it, and refusing the file would make the save
// of an unverified outline unreadable.
OtlItem *standsFor(OtlOutline *outline, const OtlItem *y)
{
    OtlItem *x = y->shareOption == OTL_SHARE_SHARED ? otlFindNamedMember(outline, y->memberName)
                                                     : y->firstChild;
    return x && x->dimensionNumber == y->dimensionNumber ? x : nullptr;
}

// Shared and label-only members take the flag of the member they stand
// for, once every stored member has its own. A chain of them (a shared
// member of a label-only one whose first child is shared...) is followed to
// its end, so that the answer does not depend on the order the members come
// in; each member is on one chain once, marked in its childCountOrValue,
// which a read item leaves 0, and a loop of them ends with the flag clear.
void settleStandIns(OtlOutline *outline, OtlItem *d)
{
    constexpr uint32_t kFollowing = 1, kSettled = 2;
    const auto standIn = [&](const OtlItem *x) { return x && isBaseMember(x) && !isStored(x->shareOption); };
    postOrder(d, [&](OtlItem *y) {
        if (!standIn(y) || y->childCountOrValue == kSettled)
            return true;
        OtlItem *end = y;
        for (; standIn(end) && end->childCountOrValue == 0; end = standsFor(outline, end))
            end->childCountOrValue = kFollowing;
        const uint8_t flag = end && end->childCountOrValue != kFollowing && end->hasAttrValue ? 1 : 0;
        for (OtlItem *z = y; standIn(z) && z->childCountOrValue == kFollowing; z = standsFor(outline, z)) {
            z->hasAttrValue = flag;
            z->childCountOrValue = kSettled;
        }
        return true;
    });
    postOrder(d, [&](OtlItem *y) {
        if (standIn(y))
            y->childCountOrValue = 0;
        return true;
    });
}

} // namespace

OtlStatus rebuildMatrices(OtlOutline *outline, const uint32_t *highestStored, uint8_t *rebuilt,
                          uint8_t **old)
{
    for (OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d; d = d->nextSibling) {
        if (!isLinkedBase(d))
            continue;
        const auto &links = d->attrLink.baseDim;
        const uint32_t columns = highestStored[d->dimensionNumber - 1];
        const uint32_t rowWords = columns / 32 + (columns % 32 != 0);
        bool any = false;
        for (uint16_t i = 0; i < links.attrLinkCount; ++i) {
            OtlItem *a = links.attrLinks[i].attrDim;
            if (!isAttrDim(a) || a->attrLink.attrDim.attrBaseDim != d || rebuilt[a->dimensionNumber - 1])
                continue;
            if (OtlStatus status = newMatrix(outline, a, rowWords, rebuilt, old))
                return status;
            any = true;
        }
        if (!any)
            continue;
        postOrder(d, [&](OtlItem *x) {
            if (!isBaseMember(x) || !x->hasAttrValue || !isStored(x->shareOption) || x->storedNumber == 0)
                return true;
            const auto &entries = x->attrLink.baseMember;
            for (uint16_t j = 0; entries.attrMemberLinks && j < entries.attrMemberCount &&
                                 j < links.attrLinkCount;
                 ++j) {
                OtlItem **cell = entries.attrMemberLinks[j];
                OtlItem *a = links.attrLinks[j].attrDim;
                OtlItem *member = cell ? *cell : nullptr;
                if (!member || !isAttrDim(a) || links.attrLinkLevels[j] != x->level || member->firstChild ||
                    a->attrLink.attrDim.attrBaseDim != d || !inside(member, a))
                    continue;
                const uint32_t words = matrixWords(a->associationMatrix);
                const uint32_t rows = rowWords ? words / rowWords : 0;
                const MatrixRows m{a->associationMatrix, rows, rowWords};
                for (const OtlItem *y = member;; y = y->parent) {
                    m.set(y, x->storedNumber - 1);
                    if (y == a)
                        break;
                }
            }
            return true;
        });
    }
    return OTL_OK;
}

OtlStatus resolveAssociations(OtlOutline *outline)
{
    const OtlHostContext *host = outline->host;
    OtlItem *first = outline->root ? outline->root->firstChild : nullptr;
    for (OtlItem *d = first; d; d = d->nextSibling) {
        if (!isLinkedBase(d))
            continue;
        auto &links = d->attrLink.baseDim;
        for (uint16_t i = 0; i < links.attrLinkCount; ++i) {
            const uint32_t number = links.attrLinks[i].readerDimNumber;
            OtlItem *a = number >= 1 && number <= outline->dimTableSize ? outline->dimTable[number - 1]
                                                                        : nullptr;
            // An attribute dimension has one base dimension and one slot in it.
            if (!a || a->dimensionTag != OTL_TAG_ATTRIBUTE || a->attrLink.attrDim.attrBaseDim)
                return OTL_ERR_FILE;
            // The matrix must be whole rows of the dimension's row count.
            const uint32_t rows = outline->stats.dimStats[number - 1].storedMemberCount;
            const uint32_t words = matrixWords(a->associationMatrix);
            if (words && (rows == 0 || words % rows != 0))
                return OTL_ERR_FILE;
            a->attrLink.attrDim.attrBaseDim = d;
            a->attrLink.attrDim.attrLinkLevel = links.attrLinkLevels[i];
            links.attrLinks[i].attrDim = a;
        }
    }
    for (OtlItem *d = first; d; d = d->nextSibling) {
        if (!isLinkedBase(d))
            continue;
        auto &links = d->attrLink.baseDim;
        OtlStatus status = OTL_OK;
        postOrder(d, [&](OtlItem *x) {
            if (!isBaseMember(x) || !isStored(x->shareOption))
                return true;
            auto &entries = x->attrLink.baseMember;
            for (uint16_t i = 0; i < links.attrLinkCount; ++i) {
                OtlItem **cell = links.attrLinkLevels[i] == x->level
                                     ? findAttrMember(outline, links.attrLinks[i].attrDim, x)
                                     : nullptr;
                if (!cell)
                    continue;
                if (!entries.attrMemberLinks) {
                    OtlItem ***made = nullptr;
                    if ((status = hostNewArray(host, links.attrLinkCount, &made)) != OTL_OK)
                        return false;
                    entries.attrMemberLinks = made;
                    entries.attrMemberCount = links.attrLinkCount;
                }
                entries.attrMemberLinks[i] = cell;
                x->hasAttrValue = 1;
            }
            return true;
        });
        if (status != OTL_OK)
            return status;
    }
    for (OtlItem *d = first; d; d = d->nextSibling)
        if (isLinkedBase(d))
            settleStandIns(outline, d);
    return OTL_OK;
}

} // namespace otl
