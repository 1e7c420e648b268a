/*
 * The members section's contents: the outline info block that opens it and
 * the record of one dimension or member.
 */
#ifndef SHROTL_FILE_MEMBERS_H
#define SHROTL_FILE_MEMBERS_H

#include "file/codec.h"

namespace otl {

// The info block of the writer's version. The block's length is its first
// word; the caller takes it from the bytes appended.
void encodeInfoBlock(ByteWriter &out, const OtlOutline *outline, uint16_t dimCount);
// Reads an info block (the bytes after its length word) of a members
// section of `version` into the outline's settings and alias table names;
// *dimCount receives the number of dimension records that follow.
OtlStatus decodeInfoBlock(OtlOutline *outline, ByteReader &in, uint16_t version,
                          uint16_t *dimCount);

// Appends the record of `item`, whose dimension is `dimension` (the item
// itself for a dimension), with its length word filled in and
// `nextSibling` as the next sibling's position. withMatrix: an attribute
// dimension's association matrix is written, else an empty one. With a
// ByteCounter it gives the record's length.
template <class Sink>
void encodeMember(Sink &out, const OtlOutline *outline, const OtlItem *item,
                  const OtlItem *dimension, uint32_t nextSibling, bool withMatrix);

// Position of the next-sibling word in a record.
constexpr uint32_t kNextSiblingAt = 10;

// Decodes one record, `bytes` being what follows its length word, into a
// new item of the outline's pool with `generation`; `dimension` is the
// dimension the item goes into (null when the item is a dimension). The
// item is not linked or hashed. On failure it is released and *item is
// null.
OtlStatus decodeMember(OtlOutline *outline, const uint8_t *bytes, uint32_t size, uint16_t version,
                       uint16_t generation, const OtlItem *dimension, OtlItem **item,
                       uint32_t *childCount);

} // namespace otl

#endif
