/*
 * The one allocation family of the library. Every byte the library holds is
 * obtained and released here, through the host context's callbacks in the
 * calling mode the host chose for each. No other file calls the callbacks.
 *
 * Invariants: a failing callback's status is returned unchanged and the
 * out-pointer keeps its old value (null for fresh allocations); typed
 * allocations are cleared; a null block is never passed to freeMemory.
 */
#ifndef SHROTL_CORE_ALLOC_H
#define SHROTL_CORE_ALLOC_H

#include "shrotl.h"

#include <stdint.h>
#include <string.h>

namespace otl {

// Out-pointers often point into byte-packed records, where a pointer field
// need not be aligned: they are read and written bytewise, never through a
// typed load or store.
template <class T>
inline T loadPointer(const T *from)
{
    T value;
    memcpy(static_cast<void *>(&value), static_cast<const void *>(from), sizeof value);
    return value;
}

template <class T>
inline void storePointer(T *to, T value)
{
    memcpy(static_cast<void *>(to), static_cast<const void *>(&value), sizeof value);
}

// Returned when a requested size does not fit the callbacks' 32-bit sizes.
constexpr OtlStatus kStatusTooLarge = OTL_ERR_GENERIC;

// Raw blocks, not cleared. On failure *block is left as it was.
OtlStatus hostAlloc(const OtlHostContext *host, uint32_t size, void **block);
// Resizes *block (which may not be null). On failure *block is unchanged and
// still owned by the caller.
OtlStatus hostRealloc(const OtlHostContext *host, uint32_t newSize, void **block);
// Releases a block; null is ignored. Returns the callback's result, which
// only the item-pool teardown looks at.
OtlStatus hostFree(const OtlHostContext *host, void *block);

// Cleared block of `size` bytes.
inline OtlStatus hostAllocZero(const OtlHostContext *host, uint32_t size, void **block)
{
    void *p = nullptr;
    OtlStatus status = hostAlloc(host, size, &p);
    if (status != OTL_OK)
        return status;
    memset(p, 0, size);
    storePointer(block, p);
    return OTL_OK;
}

// Byte size of `count` objects of `elementSize` bytes, or false on overflow.
inline bool arrayBytes(uint64_t count, uint64_t elementSize, uint32_t *bytes)
{
    const uint64_t total = count * elementSize;
    if (elementSize != 0 && total / elementSize != count)
        return false;
    if (total > UINT32_MAX)
        return false;
    *bytes = static_cast<uint32_t>(total);
    return true;
}

// One cleared T. *out is written only on success.
template <class T>
OtlStatus hostNew(const OtlHostContext *host, T **out)
{
    void *p = nullptr;
    OtlStatus status = hostAllocZero(host, sizeof(T), &p);
    if (status == OTL_OK)
        storePointer(out, static_cast<T *>(p));
    return status;
}

// A cleared array of `count` T, the size checked for overflow.
template <class T>
OtlStatus hostNewArray(const OtlHostContext *host, uint64_t count, T **out)
{
    uint32_t bytes = 0;
    if (!arrayBytes(count, sizeof(T), &bytes))
        return kStatusTooLarge;
    void *p = nullptr;
    OtlStatus status = hostAllocZero(host, bytes, &p);
    if (status == OTL_OK)
        storePointer(out, static_cast<T *>(p));
    return status;
}

// Grows (or shrinks) *array from oldCount to newCount elements; the added
// elements are cleared. A null *array is allocated. On failure the array
// and its contents are as before.
template <class T>
OtlStatus hostResizeArray(const OtlHostContext *host, T **array, uint64_t oldCount,
                          uint64_t newCount)
{
    T *old = loadPointer(array);
    if (old == nullptr)
        return hostNewArray(host, newCount, array);
    uint32_t bytes = 0;
    if (!arrayBytes(newCount, sizeof(T), &bytes))
        return kStatusTooLarge;
    void *p = old;
    OtlStatus status = hostRealloc(host, bytes, &p);
    if (status != OTL_OK)
        return status;
    T *grown = static_cast<T *>(p);
    if (newCount > oldCount)
        memset(static_cast<void *>(grown + oldCount), 0, (newCount - oldCount) * sizeof(T));
    storePointer(array, grown);
    return OTL_OK;
}

// Releases *p and clears it.
template <class T>
void hostRelease(const OtlHostContext *host, T **p)
{
    T *value = loadPointer(p);
    if (value) {
        hostFree(host, const_cast<void *>(static_cast<const void *>(value)));
        storePointer(p, static_cast<T *>(nullptr));
    }
}

// A journal step for a text an edit replaced: the new text is released
// when the edit is taken back, the old one when it stands. Either may be
// null; a scratch text that goes either way is both.
struct ReplacedText {
    const OtlHostContext *host;
    char *newText;
    char *oldText;
    void undo() { hostRelease(host, &newText); }
    void commit() { hostRelease(host, &oldText); }
};

} // namespace otl

#endif
