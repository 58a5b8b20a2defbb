#include "engine/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace strandex {

namespace {
int realOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
}  // namespace

FileCalls realFileCalls() { return FileCalls{realOpen, ::read, ::write, ::pwrite, ::close, ::fstat}; }

FileCalls fileCalls = realFileCalls();

std::string openErrorText(const std::string& path, int err) {
    return "Cannot open file \"" + path + "\". " + std::strerror(err);
}

std::string createErrorText(const std::string& path, int err) {
    return "Cannot create file \"" + path + "\". " + std::strerror(err);
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
    if (fd_ >= 0) fileCalls.close(fd_);
    fd_ = -1;
}

std::size_t SourceFile::read(std::uint8_t* buffer, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = fileCalls.read(fd_, buffer + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw FileError("Cannot read file \"" + path_ + "\". " + std::strerror(errno));
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    if (got == 0 && n > 0 && position_ < size_) throw FileError(shortReadErrorText(path_));
    position_ += static_cast<std::int64_t>(got);
    return got;
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
    bufferSize_ = bufferSize;
    buffer_.reserve(bufferSize_);
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

void OutputFile::flush() {
    if (buffer_.empty()) return;
    // Emptied whether or not the write succeeds, so a failed flush is not
    // retried (and reported twice) on close.
    struct Empty {
        std::vector<std::uint8_t>& b;
        ~Empty() { b.clear(); }
    } empty{buffer_};
    writeAll(buffer_.data(), buffer_.size());
}

void OutputFile::append(const std::uint8_t* data, std::size_t n) {
    if (buffer_.size() + n > bufferSize_) flush();
    if (n >= bufferSize_) {
        writeAll(data, n);
        return;
    }
    buffer_.insert(buffer_.end(), data, data + n);
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
    if (fd_ >= 0) fileCalls.close(fd_);
    fd_ = -1;
}

}  // namespace strandex
