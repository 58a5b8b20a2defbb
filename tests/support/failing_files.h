// A file layer that fails on demand. While a FailingFiles lives, the
// engine's source and output files make their system calls through it;
// each fault names the files it hits by a piece of their path (a name, or
// a folder with its separator). Only one may live at a time.
#pragma once
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

namespace strandex::test {

class FailingFiles {
public:
    FailingFiles();
    ~FailingFiles();
    FailingFiles(const FailingFiles&) = delete;
    FailingFiles& operator=(const FailingFiles&) = delete;

    // Opening the file, for reading or for creating, fails with err; an
    // err of 0 lets it open again.
    void failOpen(const std::string& pathPiece, int err);
    // Reads bring the file's bytes up to `at`, then fail with err; a read
    // that spans `at` comes back short first, as a failing disk does. Pages
    // of a mapping of the file from `at` cannot be made readable alike.
    void failReadAt(const std::string& pathPiece, std::int64_t at, int err = EIO);
    // Every read of every file brings at most n bytes.
    void limitReads(std::size_t n);
    // Every write to a file opened through the layer takes at most n bytes
    // and says so, as a pipe or a network file may.
    void limitWrites(std::size_t n);
    // The file has room for `room` bytes: the write that crosses it comes
    // back short, the next fails with ENOSPC.
    void fillAfter(const std::string& pathPiece, std::int64_t room);
    // Closing the file closes it but reports err.
    void failClose(const std::string& pathPiece, int err = EIO);
    // When a read of the file, or the making readable of its mapped pages,
    // first starts at `at` or past it, the file is cut to `size` bytes
    // first (or grown with zeros to it): another program changing it under
    // the reader.
    void cutWhenReached(const std::string& pathPiece, std::int64_t at, std::int64_t size);
    // No file can be mapped, as on a file system that refuses it.
    void refuseMapping();
    // The file's size stays what it was when first asked, and its mapped
    // pages pass for readable, whatever happens to it: a file cut in the
    // moment between the check of a page and its reading.
    void hideCuts(const std::string& pathPiece);
};

// Descriptors open in this process, for checks that nothing leaks.
int openDescriptors();

}  // namespace strandex::test
