#include "engine/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace strandex {

namespace {
int realOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

void* realMap(int fd, std::size_t length) { return ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0); }

bool populated(const std::uint8_t* from, std::size_t length) {
    return ::madvise(const_cast<std::uint8_t*>(from), length, MADV_POPULATE_READ) == 0;
}

// The kernel reports a range it cannot make readable as a whole, not how
// far it got; a failing range is gone through page by page to find the
// first page that cannot be read, as a read() stops short before it.
ssize_t realPopulate(int, const std::uint8_t* data, std::size_t n, std::int64_t) {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    auto* from = reinterpret_cast<const std::uint8_t*>(reinterpret_cast<std::uintptr_t>(data) & ~(page - 1));
    const std::uint8_t* end = data + n;
    if (populated(from, static_cast<std::size_t>(end - from))) return static_cast<ssize_t>(n);
    int err = errno;
    const std::uint8_t* at = from;
    while (at < end && populated(at, page)) at += page;
    if (at >= end) return static_cast<ssize_t>(n);  // it was the moment, not a page
    if (at <= data) {
        errno = err;
        return -1;
    }
    return at - data;
}
}  // namespace

FileCalls realFileCalls() {
    return FileCalls{realOpen, ::read, ::write, ::pwrite, ::close, ::fstat, ::writev, realMap, realPopulate};
}

FileCalls fileCalls = realFileCalls();

std::string openErrorText(const std::string& path, int err) {
    return "Cannot open file \"" + path + "\". " + std::strerror(err);
}

std::string createErrorText(const std::string& path, int err) {
    return "Cannot create file \"" + path + "\". " + std::strerror(err);
}

std::string readErrorText(const std::string& path, int err) {
    return "Cannot read file \"" + path + "\". " + std::strerror(err);
}

std::string shortReadErrorText(const std::string& path) {
    return "Cannot read file \"" + path + "\". The file ended before its size was read";
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void renameFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) throw FileError(createErrorText(to, errno));
}

SourceFile::~SourceFile() { close(); }

void SourceFile::open(const std::string& path) {
    close();
    int fd = fileCalls.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) throw FileError(openErrorText(path, errno));
    struct stat st {};
    if (fileCalls.fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        fileCalls.close(fd);
        throw FileError(openErrorText(path, err));
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = fd;
    size_ = st.st_size;
    position_ = 0;
    path_ = path;
}

void SourceFile::close() {
    mapping_.unmap();
    if (fd_ >= 0) fileCalls.close(fd_);
    fd_ = -1;
}

std::size_t SourceFile::read(std::uint8_t* buffer, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = fileCalls.read(fd_, buffer + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw FileError(readErrorText(path_, errno));
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    if (got == 0 && n > 0 && position_ < size_) throw FileError(shortReadErrorText(path_));
    position_ += static_cast<std::int64_t>(got);
    return got;
}

bool SourceFile::map(std::size_t window) {
    if (fd_ < 0) return false;
    return mapping_.active() || mapping_.map(fd_, size_, window);
}

void SourceFile::unmap() {
    if (!mapping_.active()) return;
    mapping_.unmap();
    // read() goes on from where the views ended.
    ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
}

std::int64_t SourceFile::sizeNow() const {
    struct stat st {};
    if (fileCalls.fstat(fd_, &st) != 0) throw FileError(readErrorText(path_, errno));
    return st.st_size;
}

// A mapped page that cannot be read: the file ends before it now, or the
// disk could not give it.
std::string SourceFile::cutText() const {
    return sizeNow() <= position_ ? shortReadErrorText(path_) : readErrorText(path_, EIO);
}

std::string SourceFile::faultText(bool afterFailedWrite) const {
    if (!mapping_.active()) return "";
    try {
        return mapping_.faulted() || (afterFailedWrite && sizeNow() < position_) ? cutText() : "";
    } catch (const FileError& e) {
        return e.what();
    }
}

// As read() goes on after a short count, so does this: a block comes back
// short only where the file ends, which may be where it ends now, cut
// after its size was looked at.
void SourceFile::populateBlock(std::size_t& want) {
    for (std::size_t done = 0; done < want;) {
        auto offset = position_ + static_cast<std::int64_t>(done);
        ssize_t r = fileCalls.populate(fd_, mapping_.at(offset), want - done, offset);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EFAULT) throw FileError(readErrorText(path_, errno));
        std::int64_t now = sizeNow();
        if (now >= position_ + static_cast<std::int64_t>(want)) throw FileError(readErrorText(path_, EIO));
        want = now > position_ ? static_cast<std::size_t>(now - position_) : 0;
    }
}

const std::uint8_t* SourceFile::nextBlock(std::uint8_t* buffer, std::size_t n, std::size_t& got) {
    if (!mapping_.active()) {
        got = read(buffer, n);
        return buffer;
    }
    if (mapping_.faulted()) throw FileError(cutText());
    auto end = std::min(position_ + static_cast<std::int64_t>(n), mapping_.length());
    auto want = static_cast<std::size_t>(std::max<std::int64_t>(end - position_, 0));
    populateBlock(want);
    // The size is looked at after the pages were made readable: a file cut
    // inside the block's last page leaves that page readable.
    std::int64_t now = sizeNow();
    if (now > mapping_.length() && position_ + static_cast<std::int64_t>(n) > mapping_.length()) {
        // The file grew past the size it was mapped at: read() brings the
        // last block as it stands now.
        ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
        got = read(buffer, n);
        return buffer;
    }
    if (now < position_ + static_cast<std::int64_t>(want)) want = static_cast<std::size_t>(std::max<std::int64_t>(now - position_, 0));
    if (want == 0) throw FileError(shortReadErrorText(path_));
    mapping_.reached(position_);
    const std::uint8_t* view = mapping_.at(position_);
    got = want;
    position_ += static_cast<std::int64_t>(want);
    return view;
}

std::string SourceFile::name() const {
    auto slash = path_.find_last_of('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::create(const std::string& path, std::size_t bufferSize) {
    discard();
    int fd = fileCalls.open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError(createErrorText(path, errno));
    fd_ = fd;
    path_ = path;
    buffer_.clear();
    pieces_.clear();
    sealed_ = 0;
    sharedBytes_ = 0;
    bufferSize_ = bufferSize;
    buffer_.reserve(bufferSize_);
    pieces_.reserve(kMaxPieces);
}

void OutputFile::writeAll(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        ssize_t w = fileCalls.write(fd_, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw FileError(kStreamWriteError);
        data += w;
        n -= static_cast<std::size_t>(w);
    }
}

void OutputFile::writePieces() {
    std::size_t first = 0;
    while (first < pieces_.size()) {
        int count = static_cast<int>(std::min<std::size_t>(pieces_.size() - first, IOV_MAX));
        ssize_t w = fileCalls.writev(fd_, pieces_.data() + first, count);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw FileError(kStreamWriteError);
        // A short write: whole pieces are done, the next one partly.
        auto left = static_cast<std::size_t>(w);
        while (left > 0 && left >= pieces_[first].iov_len) left -= pieces_[first++].iov_len;
        if (left > 0) {
            pieces_[first].iov_base = static_cast<std::uint8_t*>(pieces_[first].iov_base) + left;
            pieces_[first].iov_len -= left;
        }
        while (first < pieces_.size() && pieces_[first].iov_len == 0) ++first;
    }
}

// The buffered bytes after the last piece become a piece of their own.
void OutputFile::sealBuffered() {
    if (buffer_.size() > sealed_) pieces_.push_back(iovec{buffer_.data() + sealed_, buffer_.size() - sealed_});
    sealed_ = buffer_.size();
}

void OutputFile::flush() {
    if (buffer_.empty() && pieces_.empty()) return;
    // Emptied whether or not the write succeeds, so a failed flush is not
    // retried (and reported twice) on close.
    struct Empty {
        OutputFile& f;
        ~Empty() {
            f.buffer_.clear();
            f.pieces_.clear();
            f.sealed_ = 0;
            f.sharedBytes_ = 0;
        }
    } empty{*this};
    if (pieces_.empty()) return writeAll(buffer_.data(), buffer_.size());
    sealBuffered();
    writePieces();
}

void OutputFile::append(const std::uint8_t* data, std::size_t n) {
    if (buffer_.size() + n > bufferSize_) flush();
    if (n >= bufferSize_) {
        flush();
        writeAll(data, n);
        return;
    }
    buffer_.insert(buffer_.end(), data, data + n);
}

void OutputFile::appendShared(const std::uint8_t* data, std::size_t n) {
    if (n == 0) return;
    // Room for this piece and the buffered one before it, and at most
    // kMaxSharedBytes in one write.
    if (pieces_.size() + 2 > kMaxPieces || sharedBytes_ + n > kMaxSharedBytes) flush();
    sharedBytes_ += n;
    sealBuffered();
    if (!pieces_.empty()) {
        iovec& last = pieces_.back();
        if (static_cast<const std::uint8_t*>(last.iov_base) + last.iov_len == data) {
            last.iov_len += n;
            return;
        }
    }
    pieces_.push_back(iovec{const_cast<std::uint8_t*>(data), n});
}

void OutputFile::writeAt(std::int64_t offset, const std::uint8_t* data, std::size_t n) {
    flush();
    while (n > 0) {
        ssize_t w = fileCalls.pwrite(fd_, data, n, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw FileError(kStreamWriteError);
        data += w;
        offset += w;
        n -= static_cast<std::size_t>(w);
    }
}

void OutputFile::close() {
    if (fd_ < 0) return;
    try {
        flush();
    } catch (...) {
        discard();
        throw;
    }
    int fd = fd_;
    fd_ = -1;
    if (fileCalls.close(fd) != 0) throw FileError(kStreamWriteError);
}

void OutputFile::discard() {
    buffer_.clear();
    pieces_.clear();
    sealed_ = 0;
    sharedBytes_ = 0;
    if (fd_ >= 0) fileCalls.close(fd_);
    fd_ = -1;
}

}  // namespace strandex
