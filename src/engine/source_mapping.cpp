#include "engine/source_mapping.h"

#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>

#include "engine/file_io.h"
#include "engine/mapping_faults.h"

namespace strandex {

namespace {

std::size_t pageSize() {
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

}  // namespace

bool SourceMapping::map(int fd, std::int64_t length, std::size_t window) {
    unmap();
    // An empty file has nothing to map, and a file larger than the address
    // space cannot be; both are read.
    if (length <= 0 || static_cast<std::uint64_t>(length) > SIZE_MAX / 2) return false;
    std::size_t page = pageSize();
    std::size_t rounded = (static_cast<std::size_t>(length) + page - 1) / page * page;
    void* base = fileCalls.map(fd, rounded);
    if (base == MAP_FAILED) return false;
    auto* bytes = static_cast<std::uint8_t*>(base);
    // Pages are made readable before they are handed out; a kernel that
    // cannot do that in one call leaves the file to read().
    if (::madvise(base, 0, MADV_POPULATE_READ) != 0 || !guardMapping(bytes, rounded)) {
        ::munmap(base, rounded);
        return false;
    }
    // Read ahead as the kernel reads ahead for read(), in large folios;
    // asking for a window ahead (MADV_WILLNEED) would fill the page cache
    // a small page at a time, at several times the cost.
    ::madvise(base, rounded, MADV_SEQUENTIAL);
    base_ = bytes;
    length_ = length;
    mapped_ = rounded;
    window_ = window < page ? page : window / page * page;
    windowStart_ = 0;
    return true;
}

void SourceMapping::unmap() {
    if (base_ == nullptr) return;
    unguardMapping(base_);
    ::munmap(base_, mapped_);
    base_ = nullptr;
    length_ = 0;
    mapped_ = 0;
}

void SourceMapping::reached(std::int64_t offset) {
    auto at = static_cast<std::size_t>(offset);
    std::size_t start = at / window_ * window_;
    auto current = static_cast<std::size_t>(windowStart_);
    if (start <= current) return;
    // Dropping only unmaps the pages from this process; the page cache
    // keeps them, and a view into them still reads them back.
    ::madvise(base_ + current, start - current, MADV_DONTNEED);
    windowStart_ = static_cast<std::int64_t>(start);
}

bool SourceMapping::faulted() const { return base_ != nullptr && guardedMappingFaulted(); }

}  // namespace strandex
