/*
 * Bytes in and out of the outline file's sections: a bounds-checked reader
 * over bytes held in memory, a writer into one growing host block, and a
 * counter with the writer's interface that only adds up sizes, so that one
 * encoder gives a record's bytes and, beforehand, its length.
 *
 * All integers are little-endian. A counted string is a u16 length and that
 * many bytes, the last of them the terminator; length 0 is an absent text.
 */
#ifndef SHROTL_FILE_CODEC_H
#define SHROTL_FILE_CODEC_H

#include "shrotl.h"

#include <stdint.h>

namespace otl {

// The longest text a counted string carries, without its terminator.
constexpr uint32_t kMaxCountedText = UINT16_MAX - 1;

// Reads from [at, end). A read past the end, or a text that breaks its
// limits, marks the reader bad and yields zeros and null texts from then on,
// so a decoder checks `bad` once instead of after every field.
struct ByteReader {
    const uint8_t *at;
    const uint8_t *end;
    bool bad = false;

    ByteReader(const void *data, uint32_t size)
        : at(static_cast<const uint8_t *>(data)), end(at + size)
    {
    }

    uint32_t left() const { return static_cast<uint32_t>(end - at); }
    bool take(void *out, uint32_t count);
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    // A counted string left in place: null for length 0, else its bytes,
    // which end with their terminator. Longer than `limit` bytes (the
    // terminator included) or not terminated: bad.
    const char *text(uint32_t limit = UINT16_MAX);
};

// Appends to one host block that grows as needed and is reused from one
// record to the next. The first failure (a host status, or OTL_ERR_FILE for
// a text too long for its counted string) is kept in `status`, and nothing
// is appended after it.
struct ByteWriter {
    static constexpr bool kCountsOnly = false;
    const OtlHostContext *host = nullptr;
    uint8_t *data = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;
    OtlStatus status = OTL_OK;

    void u8(uint8_t value) { bytes(&value, 1); }
    void u16(uint16_t value);
    void u32(uint32_t value);
    void bytes(const void *source, uint32_t count);
    // A counted string: length 0 for null, else the text and its terminator.
    void text(const char *value);
    // The same with an empty text also written as length 0 (inline names).
    void name(const char *value) { text(value && value[0] ? value : nullptr); }
    // The text with its terminator even when empty (time series aliases).
    void fullText(const char *value) { text(value ? value : ""); }
    void patch32(uint32_t at, uint32_t value);
    void clear() { size = 0; }
    void release();
};

// The ByteWriter's interface, counting bytes only.
struct ByteCounter {
    static constexpr bool kCountsOnly = true; // values need not be worked out
    uint64_t size = 0;
    OtlStatus status = OTL_OK;

    void u8(uint8_t) { size += 1; }
    void u16(uint16_t) { size += 2; }
    void u32(uint32_t) { size += 4; }
    void bytes(const void *, uint32_t count) { size += count; }
    void text(const char *value);
    void name(const char *value) { text(value && value[0] ? value : nullptr); }
    void fullText(const char *value) { text(value ? value : ""); }
    void patch32(uint32_t, uint32_t) {}
};

// A copy of a text read from a file in a new host block: null for null, and
// an empty text as an empty block (absent and empty differ in a formula).
OtlStatus copyFileText(const OtlHostContext *host, const char *text, char **copy);

} // namespace otl

#endif
