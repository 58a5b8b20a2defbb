// The mapping a source is read through: the whole file mapped once, read
// ahead by the kernel as for read(), and dropped behind the reader a window
// at a time, so that what the process holds resident stays within a window
// or two whatever the file's size. A page that cannot be read (the file cut under the reader, a disk
// error) is caught before it is handed out; one cut in the moment between
// is caught by the fault guard and reads as zeros until the run stops.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strandex {

// Dropped behind in steps of this size.
inline constexpr std::size_t kMapWindow = 4 * 1024 * 1024;

class SourceMapping {
public:
    SourceMapping() = default;
    SourceMapping(const SourceMapping&) = delete;
    SourceMapping& operator=(const SourceMapping&) = delete;
    ~SourceMapping() { unmap(); }

    // Maps the first `length` bytes of the file; false where it cannot be
    // (nothing is then mapped). `window` is a multiple of the page size.
    bool map(int fd, std::int64_t length, std::size_t window);
    void unmap();
    bool active() const { return base_ != nullptr; }
    std::int64_t length() const { return length_; }
    const std::uint8_t* at(std::int64_t offset) const { return base_ + offset; }

    // The reader has reached `offset`: at each new window, everything before
    // it is dropped.
    void reached(std::int64_t offset);
    // A page of the mapping faulted since it was made.
    bool faulted() const;

private:
    std::uint8_t* base_ = nullptr;
    std::int64_t length_ = 0;
    std::size_t mapped_ = 0;  // the length rounded up to pages
    std::size_t window_ = kMapWindow;
    std::int64_t windowStart_ = 0;
};

}  // namespace strandex
