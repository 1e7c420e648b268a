/*
 * Outline file handles: each QvlFile points to its own heap state holding the
 * descriptor, a 64 KiB buffer (read-ahead or write-behind) and the stack of
 * open sections. All positions are absolute offsets that fit in a u32, and
 * the buffer always covers bytes [bufStart, bufStart + bufLen) with the
 * cursor inside it; in write mode every buffered byte is one the caller wrote.
 * Nothing reaches the target name until a complete stream is closed.
 */
// Positions run to 4 GiB - 1, past a 32-bit off_t.
#define _FILE_OFFSET_BITS 64

#include "qvlapin.h"

#include <errno.h>
#include <fcntl.h>
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr uint32_t kLive = 0x464C5651u; // tells a handle from freed or foreign memory
constexpr uint32_t kDead = 0xDEADF11Eu;
constexpr uint32_t kBufferSize = 64u * 1024u;
constexpr uint64_t kMaxPosition = UINT32_MAX;
constexpr uint32_t kPlaceholderLength = UINT32_MAX; // an unpatched section reads as truncated
constexpr unsigned char kMagic[8] = {0x89, 'S', 'H', 'R', 'O', 'T', 'L', 0x0A};
constexpr unsigned kTempAttempts = 64;

static_assert(sizeof(off_t) == 8);
static_assert(QVL_PREFIX_SIZE == sizeof kMagic + 4);
static_assert(QVL_FIRST_SECTION == QVL_PREFIX_SIZE + QVL_HEADER_SIZE);

struct Section {
    uint32_t header;   // offset of the section header; what Begin hands out
    uint32_t furthest; // end of the furthest write since Begin
};

struct FileState {
    uint32_t magic = kLive;
    int fd = -1;
    int dirFd = -1; // write mode: the target's directory, so a later chdir can't misplace the rename
    bool writing = false;
    bool failed = false; // a write failed; the stream can only be discarded
    bool ended = false;  // a top-level end opcode was written
    uint32_t depth = 0;
    Section open[QVL_MAX_SECTION_DEPTH] = {};
    uint64_t bufStart = 0; // file offset of buffer[0]
    uint32_t bufLen = 0;   // bytes valid (reading) or written (writing)
    uint32_t bufPos = 0;   // cursor; the file position is bufStart + bufPos
    uint64_t size = 0;     // reading: size at open; writing: furthest byte written
    char *target = nullptr; // write mode: base names inside dirFd
    char *temp = nullptr;
    unsigned char buffer[kBufferSize];
};

void putLe16(unsigned char *p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void putLe32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint16_t getLe16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t getLe32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

FileState *live(QvlFile file)
{
    FileState *s = reinterpret_cast<FileState *>(file);
    return s && s->magic == kLive ? s : nullptr;
}

uint32_t resolve(QvlFile file, bool writing, FileState *&s)
{
    s = live(file);
    if (!s)
        return QVL_ERR_ARGUMENT;
    return s->writing == writing ? QVL_OK : QVL_ERR_MODE;
}

void release(FileState *s)
{
    if (s->fd >= 0)
        close(s->fd);
    if (s->dirFd >= 0)
        close(s->dirFd);
    free(s->target);
    free(s->temp);
    s->magic = kDead;
    delete s;
}

uint64_t position(const FileState *s)
{
    return s->bufStart + s->bufPos;
}

// Reads n bytes at off, stopping early only at end of file; -1 on error.
int64_t readAt(int fd, void *dst, size_t n, uint64_t off)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t r =
            pread(fd, static_cast<char *>(dst) + done, n - done, static_cast<off_t>(off + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
}

bool writeAt(int fd, const void *src, size_t n, uint64_t off)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t r = pwrite(fd, static_cast<const char *>(src) + done, n - done,
                                 static_cast<off_t>(off + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

// ---- reading ---------------------------------------------------------------

// Moves the cursor, keeping the read-ahead when the target is inside it.
void seekRead(FileState *s, uint64_t to)
{
    if (to >= s->bufStart && to <= s->bufStart + s->bufLen) {
        s->bufPos = static_cast<uint32_t>(to - s->bufStart);
        return;
    }
    s->bufStart = to;
    s->bufLen = s->bufPos = 0;
}

// Exactly n bytes, or a failure that leaves the position where it was.
uint32_t get(FileState *s, void *dst, uint32_t n)
{
    const uint32_t have = s->bufLen - s->bufPos;
    if (n <= have) {
        memcpy(dst, s->buffer + s->bufPos, n);
        s->bufPos += n;
        return QVL_OK;
    }
    const uint64_t from = position(s);
    if (from + n > s->size)
        return QVL_ERR_TRUNCATED;
    unsigned char *out = static_cast<unsigned char *>(dst);
    memcpy(out, s->buffer + s->bufPos, have);
    const uint64_t at = from + have;
    const uint32_t rest = n - have;
    int64_t got;
    if (rest >= kBufferSize) {
        // Large reads bypass the buffer rather than cycling through it.
        got = readAt(s->fd, out + have, rest, at);
        if (got == rest) {
            s->bufStart = at + rest;
            s->bufLen = s->bufPos = 0;
            return QVL_OK;
        }
    } else {
        const uint64_t left = s->size - at; // never read past the size seen at open
        got = readAt(s->fd, s->buffer, left < kBufferSize ? left : kBufferSize, at);
        if (got >= rest) {
            s->bufStart = at;
            s->bufLen = static_cast<uint32_t>(got);
            memcpy(out + have, s->buffer, rest);
            s->bufPos = rest;
            return QVL_OK;
        }
    }
    // The file shrank or the system failed; drop the buffer, keep the position.
    s->bufStart = from;
    s->bufLen = s->bufPos = 0;
    return got < 0 ? QVL_ERR_IO : QVL_ERR_TRUNCATED;
}

// ---- writing ---------------------------------------------------------------

uint32_t poison(FileState *s)
{
    s->failed = true;
    return QVL_ERR_IO;
}

// Writes the buffered bytes out and restarts the buffer at the cursor.
bool flush(FileState *s)
{
    if (s->bufLen && !writeAt(s->fd, s->buffer, s->bufLen, s->bufStart)) {
        s->failed = true;
        return false;
    }
    s->bufStart += s->bufPos;
    s->bufLen = s->bufPos = 0;
    return true;
}

uint32_t seekWrite(FileState *s, uint64_t to)
{
    if (to >= s->bufStart && to <= s->bufStart + s->bufLen) {
        s->bufPos = static_cast<uint32_t>(to - s->bufStart);
        return QVL_OK;
    }
    if (!flush(s))
        return QVL_ERR_IO;
    s->bufStart = to;
    return QVL_OK;
}

uint32_t put(FileState *s, const void *src, uint32_t n)
{
    if (s->failed)
        return QVL_ERR_IO;
    const uint64_t end = position(s) + n;
    if (end > kMaxPosition)
        return poison(s);
    // Flushing before a large write keeps buffered bytes from being skipped.
    if ((n >= kBufferSize || n > kBufferSize - s->bufPos) && !flush(s))
        return QVL_ERR_IO;
    if (n >= kBufferSize) {
        if (!writeAt(s->fd, src, n, s->bufStart))
            return poison(s);
        s->bufStart += n;
    } else {
        memcpy(s->buffer + s->bufPos, src, n);
        s->bufPos += n;
        if (s->bufPos > s->bufLen)
            s->bufLen = s->bufPos;
    }
    if (end > s->size)
        s->size = end;
    // Only the innermost section is tracked here; End passes its extent outwards.
    if (s->depth && end > s->open[s->depth - 1].furthest)
        s->open[s->depth - 1].furthest = static_cast<uint32_t>(end);
    return QVL_OK;
}

// Overwrites bytes already written, in the buffer if they are all still there.
uint32_t patch(FileState *s, uint64_t off, const unsigned char *src, uint32_t n)
{
    if (off >= s->bufStart && off + n <= s->bufStart + s->bufLen) {
        memcpy(s->buffer + (off - s->bufStart), src, n);
        return QVL_OK;
    }
    // Flush first so a later flush cannot overwrite the patch with stale bytes.
    if (!flush(s))
        return QVL_ERR_IO;
    return writeAt(s->fd, src, n, off) ? QVL_OK : poison(s);
}

uint32_t putSectionHeader(FileState *s, uint16_t opcode, uint16_t version, uint32_t length)
{
    unsigned char h[QVL_SECTION_HEADER_SIZE];
    putLe16(h, opcode);
    putLe16(h + 2, version);
    putLe32(h + 4, length);
    return put(s, h, sizeof h);
}

// A name for the temporary file; randomness only has to avoid collisions.
void makeTempName(char *suffix, uint64_t &seed)
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    seed += 0x9E3779B97F4A7C15ull; // splitmix64 step
    uint64_t z = seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    for (int i = 0; i < 6; ++i, z /= 62)
        suffix[i] = kAlphabet[z % 62];
}

uint64_t tempSeed(const void *salt)
{
    uint64_t seed;
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof seed))
        return seed;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_nsec) ^ uint64_t(ts.tv_sec) << 30 ^ reinterpret_cast<uintptr_t>(salt) ^
           uint64_t(getpid()) << 40;
}

// Opens the target's directory and a fresh temporary file in it.
uint32_t createTemp(FileState *s, const char *fileName)
{
    const char *slash = strrchr(fileName, '/');
    const char *base = slash ? slash + 1 : fileName;
    if (!*base)
        return QVL_ERR_OPEN;
    if (!slash) {
        s->dirFd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        char *dir = strndup(fileName, slash == fileName ? 1 : size_t(slash - fileName));
        if (!dir)
            return QVL_ERR_NO_MEMORY;
        s->dirFd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        free(dir);
    }
    if (s->dirFd < 0)
        return QVL_ERR_OPEN;
    const size_t baseLen = strlen(base);
    s->target = strdup(base);
    s->temp = static_cast<char *>(malloc(baseLen + sizeof ".tmpXXXXXX"));
    if (!s->target || !s->temp)
        return QVL_ERR_NO_MEMORY;
    memcpy(s->temp, base, baseLen);
    memcpy(s->temp + baseLen, ".tmpXXXXXX", sizeof ".tmpXXXXXX");
    // Not mkstemp: its 0600 would leak into the saved file, while open()
    // applies the process umask like any ordinary create.
    uint64_t seed = tempSeed(s);
    for (unsigned attempt = 0; attempt < kTempAttempts && s->fd < 0; ++attempt) {
        makeTempName(s->temp + baseLen + 4, seed);
        s->fd = openat(s->dirFd, s->temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (s->fd < 0 && errno != EEXIST)
            break;
    }
    if (s->fd < 0)
        return QVL_ERR_OPEN;
    // Replacing a file keeps its permissions; failing to is not worth failing the save.
    struct stat st;
    if (fstatat(s->dirFd, s->target, &st, 0) == 0 && S_ISREG(st.st_mode))
        (void)fchmod(s->fd, st.st_mode & 07777);
    return QVL_OK;
}

void discard(FileState *s)
{
    close(s->fd);
    s->fd = -1;
    unlinkat(s->dirFd, s->temp, 0);
}

// fsync the data, rename over the target, fsync the directory entry.
uint32_t commit(FileState *s)
{
    if (!s->ended || s->depth != 0 || s->failed) {
        discard(s);
        return QVL_ERR_INCOMPLETE;
    }
    if (!flush(s) || fsync(s->fd) != 0) {
        discard(s);
        return QVL_ERR_IO;
    }
    const int fd = s->fd;
    s->fd = -1;
    if (close(fd) != 0 || renameat(s->dirFd, s->temp, s->dirFd, s->target) != 0) {
        unlinkat(s->dirFd, s->temp, 0);
        return QVL_ERR_IO;
    }
    // The new file is in place; only its durability is at stake now. Some
    // file systems cannot sync a directory (EINVAL), which is no failure.
    if (fsync(s->dirFd) != 0 && errno != EINVAL)
        return QVL_ERR_IO;
    return QVL_OK;
}

// ---- the test hook ---------------------------------------------------------

uint32_t failCountdown = 0; // calls until the armed failure; 0: none armed

// Whether this call is the armed one; a file being written then fails too,
// as after a real write error.
bool injectedFailure(QvlFile file)
{
    if (failCountdown == 0 || --failCountdown != 0)
        return false;
    if (FileState *s = live(file); s && s->writing)
        s->failed = true;
    return true;
}

} // namespace

// ---- the C interface -------------------------------------------------------

extern "C" uint32_t qVLFailAfter(uint32_t nth)
{
    const uint32_t left = failCountdown;
    failCountdown = nth;
    return left;
}

extern "C" uint32_t qVLOpenFile(QvlEnv, QvlFile *file, const char *fileName)
{
    if (!file)
        return QVL_ERR_ARGUMENT;
    *file = 0;
    if (injectedFailure(0))
        return QVL_ERR_OPEN;
    if (!fileName)
        return QVL_ERR_ARGUMENT;
    const int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QVL_ERR_OPEN;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > kMaxPosition) {
        close(fd);
        return QVL_ERR_OPEN;
    }
    FileState *s = new (std::nothrow) FileState;
    if (!s) {
        close(fd);
        return QVL_ERR_NO_MEMORY;
    }
    s->fd = fd;
    s->size = uint64_t(st.st_size);
    *file = reinterpret_cast<QvlFile>(s);
    return QVL_OK;
}

extern "C" uint32_t qVLCreateFile(QvlEnv, QvlFile *file, const char *fileName)
{
    if (!file)
        return QVL_ERR_ARGUMENT;
    *file = 0;
    if (injectedFailure(0))
        return QVL_ERR_OPEN;
    if (!fileName)
        return QVL_ERR_ARGUMENT;
    FileState *s = new (std::nothrow) FileState;
    if (!s)
        return QVL_ERR_NO_MEMORY;
    s->writing = true;
    const uint32_t status = createTemp(s, fileName);
    if (status != QVL_OK) {
        release(s);
        return status;
    }
    *file = reinterpret_cast<QvlFile>(s);
    return QVL_OK;
}

extern "C" uint32_t qVLReadHeader(QvlEnv, QvlFile file, uint32_t size, void *destination)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, false, s))
        return st;
    if (size != QVL_HEADER_SIZE || !destination)
        return QVL_ERR_ARGUMENT;
    seekRead(s, 0);
    // A file shorter than the magic is cut short if what is there matches:
    // the version read below then reports the truncation.
    unsigned char prefix[QVL_PREFIX_SIZE];
    const uint32_t magicHave = s->size < sizeof kMagic ? uint32_t(s->size) : sizeof kMagic;
    if (const uint32_t st = get(s, prefix, magicHave))
        return st;
    if (memcmp(prefix, kMagic, magicHave) != 0)
        return QVL_ERR_NOT_OUTLINE;
    if (const uint32_t st = get(s, prefix + sizeof kMagic, 4))
        return st;
    if (getLe32(prefix + sizeof kMagic) != QVL_FORMAT_VERSION)
        return QVL_ERR_VERSION;
    return get(s, destination, QVL_HEADER_SIZE);
}

extern "C" uint32_t qVLWriteHeader(QvlEnv, QvlFile file, uint32_t size, const void *source)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, true, s))
        return st;
    if (size != QVL_HEADER_SIZE || !source)
        return QVL_ERR_ARGUMENT;
    unsigned char prefix[QVL_PREFIX_SIZE];
    memcpy(prefix, kMagic, sizeof kMagic);
    putLe32(prefix + sizeof kMagic, QVL_FORMAT_VERSION);
    uint32_t st = seekWrite(s, 0);
    if (st == QVL_OK)
        st = put(s, prefix, sizeof prefix);
    if (st == QVL_OK)
        st = put(s, source, QVL_HEADER_SIZE);
    return st;
}

extern "C" uint32_t qVLReadOpcode(QvlEnv, QvlFile file, uint16_t *opcode, uint16_t *version,
                                  uint32_t *length)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, false, s))
        return st;
    if (!opcode || !version || !length)
        return QVL_ERR_ARGUMENT;
    const uint64_t at = position(s);
    unsigned char h[QVL_SECTION_HEADER_SIZE];
    if (const uint32_t st = get(s, h, sizeof h))
        return st;
    const uint32_t bodyLength = getLe32(h + 4);
    if (position(s) + bodyLength > s->size) {
        seekRead(s, at);
        return QVL_ERR_TRUNCATED;
    }
    *opcode = getLe16(h);
    *version = getLe16(h + 2);
    *length = bodyLength;
    return QVL_OK;
}

extern "C" uint32_t qVLWriteOpcode(QvlEnv, QvlFile file, uint16_t opcode, uint16_t version)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, true, s))
        return st;
    const uint32_t st = putSectionHeader(s, opcode, version, 0);
    // The same opcode inside a section is data, not the end of the stream.
    if (st == QVL_OK && opcode == QVL_OP_END && s->depth == 0)
        s->ended = true;
    return st;
}

extern "C" uint32_t qVLBeginOpcode(QvlEnv, QvlFile file, uint16_t opcode, uint16_t version,
                                   uint32_t *position)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, true, s))
        return st;
    if (!position)
        return QVL_ERR_ARGUMENT;
    if (s->depth == QVL_MAX_SECTION_DEPTH)
        return QVL_ERR_SECTION;
    const uint32_t at = static_cast<uint32_t>(::position(s));
    if (const uint32_t st = putSectionHeader(s, opcode, version, kPlaceholderLength))
        return st;
    s->open[s->depth++] = Section{at, at + QVL_SECTION_HEADER_SIZE};
    *position = at;
    return QVL_OK;
}

extern "C" uint32_t qVLEndOpcode(QvlEnv, QvlFile file, uint32_t position)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, true, s))
        return st;
    if (s->depth == 0 || s->open[s->depth - 1].header != position)
        return QVL_ERR_SECTION;
    const Section done = s->open[--s->depth];
    if (s->depth && done.furthest > s->open[s->depth - 1].furthest)
        s->open[s->depth - 1].furthest = done.furthest;
    if (s->failed)
        return QVL_ERR_IO;
    unsigned char length[4];
    putLe32(length, done.furthest - (done.header + QVL_SECTION_HEADER_SIZE));
    if (const uint32_t st = patch(s, done.header + 4u, length, sizeof length))
        return st;
    return seekWrite(s, done.furthest);
}

extern "C" uint32_t qVLRead(QvlEnv, QvlFile file, void *buffer, uint32_t count)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, false, s))
        return st;
    if (!buffer && count)
        return QVL_ERR_ARGUMENT;
    return count ? get(s, buffer, count) : QVL_OK;
}

extern "C" uint32_t qVLWrite(QvlEnv, QvlFile file, const void *buffer, uint32_t count)
{
    FileState *s;
    if (injectedFailure(file))
        return QVL_ERR_IO;
    if (const uint32_t st = resolve(file, true, s))
        return st;
    if (!buffer && count)
        return QVL_ERR_ARGUMENT;
    return put(s, buffer, count);
}

extern "C" uint32_t qVLLseek(QvlEnv, QvlFile file, uint32_t origin, int32_t offset,
                             uint32_t *newPosition)
{
    if (injectedFailure(file))
        return QVL_ERR_IO;
    FileState *s = live(file);
    if (!s || origin > 1)
        return QVL_ERR_ARGUMENT;
    // Origin 0 reads the offset as u32 so positions of 2 GiB and more stay reachable.
    const int64_t to = origin == 0 ? int64_t(uint32_t(offset)) : int64_t(position(s)) + offset;
    if (to < 0)
        return QVL_ERR_ARGUMENT;
    if (uint64_t(to) > kMaxPosition)
        return QVL_ERR_IO;
    if (s->writing) {
        if (const uint32_t st = seekWrite(s, uint64_t(to)))
            return st;
    } else {
        seekRead(s, uint64_t(to));
    }
    if (newPosition)
        *newPosition = static_cast<uint32_t>(to);
    return QVL_OK;
}

extern "C" uint32_t qVLFileSize(QvlEnv, QvlFile file, uint32_t *size)
{
    if (injectedFailure(file))
        return QVL_ERR_IO;
    FileState *s = live(file);
    if (!s || !size)
        return QVL_ERR_ARGUMENT;
    *size = static_cast<uint32_t>(s->size);
    return QVL_OK;
}

extern "C" uint32_t qVLCloseFile(QvlEnv, QvlFile file)
{
    const bool injected = injectedFailure(file); // a file being written is discarded
    FileState *s = live(file);
    if (!s)
        return QVL_ERR_ARGUMENT;
    const uint32_t status = s->writing ? commit(s) : QVL_OK;
    release(s);
    return injected ? QVL_ERR_IO : status;
}
