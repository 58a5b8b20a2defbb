// The small file type every command reads and writes through. Errors are
// raised as FileError carrying the text the user sees, with the system's
// reason where there is one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <sys/uio.h>
#include <vector>

#include "engine/source_mapping.h"

struct stat;

namespace strandex {

// The system calls the two file types below make, reached through one
// table so that a test can put in calls that fail on demand (a read error,
// a short write, a close that fails). Everything else keeps the real ones.
struct FileCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, std::size_t n);
    ssize_t (*write)(int fd, const void* data, std::size_t n);
    ssize_t (*pwrite)(int fd, const void* data, std::size_t n, off_t offset);
    int (*close)(int fd);
    int (*fstat)(int fd, struct stat* st);
    ssize_t (*writev)(int fd, const struct iovec* pieces, int count);
    // Maps the first `length` bytes of the file read-only; MAP_FAILED (with
    // errno) where the file cannot be mapped.
    void* (*map)(int fd, std::size_t length);
    // Makes the mapped bytes data[0..n), the file's bytes from `offset`,
    // readable without a fault: returns how many of them, from the first,
    // are, or -1 with errno when not even the first is.
    ssize_t (*populate)(int fd, const std::uint8_t* data, std::size_t n, std::int64_t offset);
};
FileCalls realFileCalls();
extern FileCalls fileCalls;

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot open file "%s". %s" and friends, with strerror(err) as the reason.
std::string openErrorText(const std::string& path, int err);
std::string createErrorText(const std::string& path, int err);
// A source that ends before the size it had when it was opened: it shrank
// while it was read.
std::string shortReadErrorText(const std::string& path);
// "Cannot read file "%s". %s" with strerror(err).
std::string readErrorText(const std::string& path, int err);
inline constexpr const char* kStreamWriteError = "Stream write error";

bool fileExists(const std::string& path);
// Gives a file another name, replacing a file of that name; a failure is
// the "Cannot create file" error of the new name.
void renameFile(const std::string& from, const std::string& to);

// A source file: read only, sequential, 64-bit size and position.
class SourceFile {
public:
    SourceFile() = default;
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    ~SourceFile();

    void open(const std::string& path);  // throws FileError
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Reads up to n bytes; returns the count. A failing read throws, and so
    // does one that brings nothing before the size the file had when opened
    // (a file that shrank would otherwise be read again forever).
    std::size_t read(std::uint8_t* buffer, std::size_t n);

    // Reading through a mapping of the file, from map() to unmap(): the
    // process reads the page cache itself instead of having each block
    // copied out of it. map() returns false, and read() stays, where the
    // file cannot be mapped (a pipe, a file system that refuses it).
    bool map(std::size_t window);
    void unmap();
    bool mapped() const { return mapping_.active(); }
    // The next up to n bytes, as read() would bring them: a view into the
    // mapping (valid until unmap), or `buffer` filled by read(). Errors are
    // read()'s: a file that ended early, a page that could not be read.
    const std::uint8_t* nextBlock(std::uint8_t* buffer, std::size_t n, std::size_t& got);
    // Where a mapped page could not be read after all (the file was cut,
    // or its disk failed, under a view already handed out): the read error
    // to report, else "". After a failed write from the views, a file now
    // shorter than what was handed out counts too: writing from a page that
    // went away fails without a fault.
    std::string faultText(bool afterFailedWrite = false) const;
    std::int64_t size() const { return size_; }
    std::int64_t position() const { return position_; }
    const std::string& path() const { return path_; }
    std::string name() const;  // the path without its folder

private:
    std::int64_t sizeNow() const;
    std::string cutText() const;
    void populateBlock(std::size_t& want);

    int fd_ = -1;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    std::string path_;
    SourceMapping mapping_;
};

// An output file: created (replacing), appended to, closed. Appends are
// gathered in a buffer so a run of small chunks costs few system calls;
// a short write, a failed flush or a failed close is a "Stream write error".
class OutputFile {
public:
    static constexpr std::size_t kBufferSize = 128 * 1024;
    // For the files that take most of the bytes (video, a rebuilt EVO):
    // fewer, larger writes, while the buffer and the read block still stay
    // in the processor's second-level cache between the copy in and the
    // copy out.
    static constexpr std::size_t kLargeBufferSize = 384 * 1024;
    // Pieces one write takes (IOV_MAX on Linux).
    static constexpr std::size_t kMaxPieces = 1024;
    // Shared bytes one write takes. Measured on a rebuild, whose kept runs
    // join into pieces of megabytes: writes of 4 MiB straight from the
    // mapped source took three times as long as writes of 2 MiB (0.9 to
    // 1.5 s against 0.3 s for 1 GiB), writes of 512 KiB a third longer.
    static constexpr std::size_t kMaxSharedBytes = 2 * 1024 * 1024;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void create(const std::string& path, std::size_t bufferSize = kBufferSize);  // throws FileError
    void append(const std::uint8_t* data, std::size_t n);
    // Writes n bytes at `offset`, over what is there (a header whose sizes
    // are known at the end); what was appended is written out first.
    void writeAt(std::int64_t offset, const std::uint8_t* data, std::size_t n);
    // Appends bytes that stay where they are until the next flush (a view
    // into a mapped source): they are written from there, not copied.
    void appendShared(const std::uint8_t* data, std::size_t n);
    bool holdsShared() const { return !pieces_.empty(); }
    void flush();                          // writes out everything appended
    void close();                          // flushes; throws on failure
    void discard();                        // closes without reporting errors
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    void writeAll(const std::uint8_t* data, std::size_t n);
    void writePieces();
    void sealBuffered();

    int fd_ = -1;
    std::string path_;
    std::vector<std::uint8_t> buffer_;  // never grows past its reserve: pieces point into it
    std::size_t bufferSize_ = kBufferSize;
    // Once shared bytes are appended, everything pending is written as
    // pieces in order: runs of the buffer and shared runs between them.
    std::vector<iovec> pieces_;
    std::size_t sealed_ = 0;       // buffer bytes already in a piece
    std::size_t sharedBytes_ = 0;  // in the pieces, not in the buffer
};

}  // namespace strandex
