/*
 * The state of one outline save that the sections share: the outline, the
 * file being written and the one buffer every record and block is encoded
 * into before it is written with a single call.
 */
#ifndef SHROTL_FILE_WRITER_H
#define SHROTL_FILE_WRITER_H

#include "file/codec.h"
#include "qvlapin.h"

namespace otl {

struct Writer {
    OtlOutline *outline;
    QvlFile file = 0;
    ByteWriter out;

    QvlEnv env() const { return outline->fileServiceHandle; }
    // Writes what `out` holds and empties it: the encoder's failure, or
    // OTL_ERR_FILE when the file services fail.
    OtlStatus flush();
};

} // namespace otl

#endif
