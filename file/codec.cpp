/*
 * The section codec: bounds-checked little-endian reads from memory and
 * writes into one growing host block.
 */
#include "file/codec.h"
#include "core/alloc.h"

#include <string.h>

namespace otl {

bool ByteReader::take(void *out, uint32_t count)
{
    if (bad || count > left()) {
        bad = true;
        at = end;
        memset(out, 0, count);
        return false;
    }
    memcpy(out, at, count);
    at += count;
    return true;
}

uint8_t ByteReader::u8()
{
    uint8_t b[1];
    take(b, sizeof b);
    return b[0];
}

uint16_t ByteReader::u16()
{
    uint8_t b[2];
    take(b, sizeof b);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t ByteReader::u32()
{
    uint8_t b[4];
    take(b, sizeof b);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

const char *ByteReader::text(uint32_t limit)
{
    const uint16_t length = u16();
    if (bad || length == 0)
        return nullptr;
    if (length > limit || length > left() || at[length - 1] != '\0') {
        bad = true;
        at = end;
        return nullptr;
    }
    const char *text = reinterpret_cast<const char *>(at);
    at += length;
    return text;
}

void ByteWriter::u16(uint16_t value)
{
    const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    bytes(b, sizeof b);
}

void ByteWriter::u32(uint32_t value)
{
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    bytes(b, sizeof b);
}

void ByteWriter::bytes(const void *source, uint32_t count)
{
    if (status != OTL_OK)
        return;
    if (count > capacity - size) {
        const uint64_t need = uint64_t(size) + count;
        uint64_t grown = capacity ? uint64_t(capacity) * 2 : 4096;
        if (grown < need)
            grown = need;
        if (grown > UINT32_MAX) {
            status = kStatusTooLarge;
            return;
        }
        void *block = data;
        status = data ? hostRealloc(host, static_cast<uint32_t>(grown), &block)
                      : hostAlloc(host, static_cast<uint32_t>(grown), &block);
        if (status != OTL_OK)
            return;
        data = static_cast<uint8_t *>(block);
        capacity = static_cast<uint32_t>(grown);
    }
    if (count)
        memcpy(data + size, source, count);
    size += count;
}

void ByteWriter::text(const char *value)
{
    const size_t length = value ? strlen(value) : 0;
    if (length > kMaxCountedText) {
        if (status == OTL_OK)
            status = OTL_ERR_FILE;
        return;
    }
    u16(value ? static_cast<uint16_t>(length + 1) : 0);
    if (value)
        bytes(value, static_cast<uint32_t>(length + 1));
}

void ByteWriter::patch32(uint32_t at, uint32_t value)
{
    if (status != OTL_OK || at + 4 > size)
        return;
    for (int i = 0; i < 4; ++i)
        data[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void ByteWriter::release()
{
    hostRelease(host, &data);
    size = capacity = 0;
}

void ByteCounter::text(const char *value)
{
    const size_t length = value ? strlen(value) : 0;
    if (length > kMaxCountedText)
        status = OTL_ERR_FILE;
    size += 2 + (value ? length + 1 : 0);
}

OtlStatus copyFileText(const OtlHostContext *host, const char *text, char **copy)
{
    storePointer(copy, static_cast<char *>(nullptr));
    if (!text)
        return OTL_OK;
    const size_t size = strlen(text) + 1;
    void *block = nullptr;
    OtlStatus status = hostAlloc(host, static_cast<uint32_t>(size), &block);
    if (status != OTL_OK)
        return status;
    memcpy(block, text, size);
    storePointer(copy, static_cast<char *>(block));
    return OTL_OK;
}

} // namespace otl
