/*
 * The host allocation family and the small shared helpers. This is the only
 * file that calls the host's memory callbacks; each call uses the form that
 * the callback's own mode byte selects.
 */
#include "alloc.h"
#include "host.h"

#include "gcharset.h"

#include <string.h>

namespace otl {

OtlStatus hostAlloc(const OtlHostContext *host, uint32_t size, void **block)
{
    void *p = nullptr;
    OtlStatus status = host->allocMode == OTL_CALL_HANDLE_FIRST
                           ? host->allocate.handleForm(host->memoryHandle, 0, size, &p)
                           : host->allocate.shortForm(size, &p);
    if (status == OTL_OK)
        storePointer(block, p);
    return status;
}

OtlStatus hostRealloc(const OtlHostContext *host, uint32_t newSize, void **block)
{
    void *old = loadPointer(block);
    void *p = old;
    OtlStatus status =
        host->reallocMode == OTL_CALL_HANDLE_FIRST
            ? host->reallocate.handleForm(host->memoryHandle, newSize, old, &p)
            : host->reallocate.shortForm(newSize, &p);
    if (status == OTL_OK)
        storePointer(block, p);
    return status;
}

OtlStatus hostFree(const OtlHostContext *host, void *block)
{
    if (!block)
        return OTL_OK;
    return host->freeMode == OTL_CALL_HANDLE_FIRST
               ? host->freeMemory.handleForm(host->memoryHandle, block)
               : host->freeMemory.shortForm(block);
}

bool equalIgnoringAsciiCase(const char *a, const char *b, size_t limit)
{
    for (size_t i = 0; i < limit; ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
        if (a[i] == '\0')
            return true;
    }
    return true;
}

void copyText(char *destination, const char *source, size_t size)
{
    size_t n = source ? strnlen(source, size - 1) : 0;
    memcpy(destination, source ? source : "", n);
    destination[n] = '\0';
}

void copyNameSlot(const OtlHostContext *host, char *slot, const char *text)
{
    const int32_t copied =
        text ? GCStrcpy(static_cast<GCLocale>(host->localeHandle), slot, OTL_NAME_SIZE - 1, text, -1, 0)
             : 0;
    slot[copied] = '\0';
}

} // namespace otl

// Texts are copied whole: a text longer than 65535 bytes is not cut short,
// so a copy never differs from its source.
OtlStatus otlDupString(const OtlHostContext *host, const char *source, char **copy)
{
    otl::storePointer(copy, static_cast<char *>(nullptr));
    if (!source || !source[0])
        return OTL_OK;
    const size_t length = strlen(source);
    if (length >= UINT32_MAX)
        return otl::kStatusTooLarge;
    void *block = nullptr;
    OtlStatus status = otl::hostAlloc(host, static_cast<uint32_t>(length + 1), &block);
    if (status != OTL_OK)
        return status;
    memcpy(block, source, length + 1);
    otl::storePointer(copy, static_cast<char *>(block));
    return OTL_OK;
}

bool otlTestFieldFlag(uint32_t fieldId, const uint32_t mask[2])
{
    const uint32_t word = (fieldId & 0x80000000u) ? mask[1] : mask[0];
    return (word & fieldId & 0x7FFFFFFFu) != 0;
}

int32_t otlCompareCase(const OtlHostContext *host, const char *a, const char *b)
{
    return GCStrcmp(host->localeHandle, a, -1, b, -1, GC_CMP_EXACT);
}

int32_t otlCompareNoCase(const OtlHostContext *host, const char *a, const char *b)
{
    return GCStrcmp(host->localeHandle, a, -1, b, -1, GC_CMP_NOCASE);
}

extern "C" OTL_API OtlStatus adShrOtlFree(const OtlHostContext *host, void *block)
{
    if (host && block)
        otl::hostFree(host, block);
    return OTL_OK;
}
