/*
 * File services: framed, buffered, crash-safe access to outline files.
 *
 * A file is a magic and format version, a 300-byte header block, then a
 * sequence of sections, each a header {u16 opcode, u16 version, u32 body
 * length} (little-endian) followed by its body. docs/file-format.md gives
 * the bytes. Every call takes the caller's environment handle first (never
 * read here; 0 is fine) and returns 0 or one of the QVL_ERR codes.
 *
 * A file created with qVLCreateFile is written to a temporary file beside
 * the target; qVLCloseFile renames it over the target only when the stream
 * is complete (a top-level end opcode was written and no write failed).
 * Otherwise the temporary file is removed and the previous file stays.
 *
 * Positions and sizes are absolute u32 byte offsets in the file, prefix
 * included. A handle belongs to one thread at a time; only the
 * dimension-attribute server may be installed and called concurrently.
 */
#ifndef SHROTL_QVLAPIN_H
#define SHROTL_QVLAPIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QVL_API __attribute__((visibility("default")))
#else
#define QVL_API
#endif

typedef uintptr_t QvlEnv;
typedef uintptr_t QvlFile;

#define QVL_HEADER_SIZE 300u
#define QVL_FORMAT_VERSION 1u  /* the only version this layer writes and reads */
#define QVL_PREFIX_SIZE 12u    /* magic (8 bytes) and format version (u32) */
#define QVL_FIRST_SECTION 312u /* QVL_PREFIX_SIZE + QVL_HEADER_SIZE */
#define QVL_SECTION_HEADER_SIZE 8u
#define QVL_MAX_SECTION_DEPTH 16u /* open qVLBeginOpcode sections per file */
#define QVL_OP_END 1950u /* the top-level end opcode that completes a stream */

#define QVL_OK 0u
#define QVL_ERR_ARGUMENT 1080001u  /* null pointer, bad handle, origin or size; seek before 0 */
#define QVL_ERR_OPEN 1080002u      /* the file cannot be opened or created */
#define QVL_ERR_NOT_OUTLINE 1080003u /* wrong magic */
#define QVL_ERR_VERSION 1080004u   /* a format version this layer cannot read */
#define QVL_ERR_TRUNCATED 1080005u /* fewer bytes than asked for, or a section past the end */
#define QVL_ERR_IO 1080006u        /* the system reported an error, or a position past 4 GiB - 1 */
#define QVL_ERR_MODE 1080007u      /* a read on a file being written, or the reverse */
#define QVL_ERR_NO_MEMORY 1080008u
#define QVL_ERR_NO_HOOK 1080009u   /* no dimension-attribute server installed */
#define QVL_ERR_INCOMPLETE 1080010u /* closed before the stream was complete; target untouched */
#define QVL_ERR_SECTION 1080011u   /* unbalanced begin/end opcode */

/* Both set *file to 0 on failure; every call on handle 0 returns
 * QVL_ERR_ARGUMENT, so a failed open shows at the first use. */
QVL_API uint32_t qVLOpenFile(QvlEnv env, QvlFile *file, const char *fileName);
QVL_API uint32_t qVLCreateFile(QvlEnv env, QvlFile *file, const char *fileName);
/* The header calls work at offset 0 whatever the current position and leave
 * the file at QVL_FIRST_SECTION. size must be QVL_HEADER_SIZE. */
QVL_API uint32_t qVLReadHeader(QvlEnv env, QvlFile file, uint32_t size, void *destination);
QVL_API uint32_t qVLWriteHeader(QvlEnv env, QvlFile file, uint32_t size, const void *source);
/* Reads the next section header and leaves the file at the start of its
 * body. A body length that runs past the end of the file is refused, and on
 * any failure the position is left where it was. */
QVL_API uint32_t qVLReadOpcode(QvlEnv env, QvlFile file, uint16_t *opcode, uint16_t *version,
                               uint32_t *length);
/* Writes a section header with an empty body. QVL_OP_END written while no
 * section is open completes the stream. */
QVL_API uint32_t qVLWriteOpcode(QvlEnv env, QvlFile file, uint16_t opcode, uint16_t version);
/* Begin writes a header with a placeholder length and returns its offset in
 * *position; End takes that offset (innermost open section only), stores
 * the body length (up to the furthest byte written since Begin) and leaves
 * the file at the end of the body. */
QVL_API uint32_t qVLBeginOpcode(QvlEnv env, QvlFile file, uint16_t opcode, uint16_t version,
                                uint32_t *position);
QVL_API uint32_t qVLEndOpcode(QvlEnv env, QvlFile file, uint32_t position);
/* Reads exactly count bytes, or fails and leaves the position unchanged. */
QVL_API uint32_t qVLRead(QvlEnv env, QvlFile file, void *buffer, uint32_t count);
/* Writes exactly count bytes; a failure makes the stream incomplete. */
QVL_API uint32_t qVLWrite(QvlEnv env, QvlFile file, const void *buffer, uint32_t count);
/* origin 0: offset is an absolute position, read as u32 (so every position
 * the layer reports can be sought back to); origin 1: signed offset from the
 * current position. In write mode the file may be sought back, overwritten
 * and sought forward again; the size stays the furthest byte written.
 * newPosition may be null. */
QVL_API uint32_t qVLLseek(QvlEnv env, QvlFile file, uint32_t origin, int32_t offset,
                          uint32_t *newPosition);
/* Reading: the size when opened. Writing: the furthest byte written. */
QVL_API uint32_t qVLFileSize(QvlEnv env, QvlFile file, uint32_t *size);
/* Frees the handle whatever the status. Writing: QVL_OK once the target is
 * replaced durably, QVL_ERR_INCOMPLETE for an unfinished or failed stream,
 * QVL_ERR_IO if flushing, syncing or renaming failed. */
QVL_API uint32_t qVLCloseFile(QvlEnv env, QvlFile file);

/* For tests: the nth file-service call from now (1-based, counting every
 * call above) fails instead of running. An open or create then returns
 * QVL_ERR_OPEN with *file 0; a close still frees the handle and discards a
 * file being written; any other call returns QVL_ERR_IO, and on a file being
 * written makes the stream incomplete. 0 disarms. Returns the calls the
 * previous arming still had to go: 0 once its failure has happened. Not
 * thread-safe. */
QVL_API uint32_t qVLFailAfter(uint32_t nth);

/* Dimension user-defined attributes served by the host in field-access
 * mode. Without an installed server the call returns QVL_ERR_NO_HOOK. */
typedef uint32_t (*QvlDimAttributesFn)(QvlEnv env, void *request, void *information,
                                       void *outArray);
QVL_API void qVLSetDimAttributesServer(QvlDimAttributesFn server);
QVL_API uint32_t otlGetSrvDimAttributes(QvlEnv env, void *request, void *information,
                                        void *outArray);

#ifdef __cplusplus
}
#endif

#endif
