/*
 * The state of one outline read: the new outline, the open file, the
 * scratch buffer that records and small sections are read into, and the
 * lookup of items by their numbers that the comment sections use. Reads go
 * through a section's bounds, so no count or length found in a file can
 * make the reader step past the section it was found in.
 */
#ifndef SHROTL_FILE_READER_H
#define SHROTL_FILE_READER_H

#include "qvlapin.h"
#include "shrotl.h"

namespace otl {

struct Reader {
    OtlOutline *outline;
    const OtlHostContext *host;
    QvlFile file = 0;
    uint32_t fileSize = 0;
    uint32_t sectionsSeen = 0; // bit per section read (sectionBit)
    uint16_t membersVersion = 0;
    uint8_t *buffer = nullptr; // reused from record to record
    uint32_t bufferSize = 0;
    // Finding an item by its numbers: a pre-order cursor, which finds the
    // entries of a file written in pre-order one after the other, and an
    // index by number, built only for a file that is not.
    OtlItem *cursor = nullptr;
    OtlItem **byNumber = nullptr;
    uint32_t *dimensionStart = nullptr; // per dimension, its first index in byNumber; one more at the end
    uint32_t indexedDimensions = 0;

    QvlEnv env() const { return outline->fileServiceHandle; }
    // A buffer of at least `size` bytes; the caller bounds the size by the file.
    OtlStatus reserve(uint32_t size);
    void release();
};

// One bit per section that may appear once.
uint32_t sectionBit(uint16_t opcode);

// The body of one section, [pos, end) in the file.
struct SectionInput {
    Reader &reader;
    uint32_t pos;
    uint32_t end;

    uint32_t left() const { return end - pos; }
    // Exactly `count` bytes of the section; OTL_ERR_FILE past its end or
    // when the file services fail.
    OtlStatus read(void *to, uint32_t count);
    OtlStatus readU32(uint32_t *value);
    // `count` bytes into the reader's buffer.
    OtlStatus readToBuffer(uint32_t count);
};

// The item with these numbers, or null.
OtlStatus findByNumbers(Reader &reader, uint32_t dimensionNumber, uint32_t memberNumber,
                        OtlItem **item);

} // namespace otl

#endif
