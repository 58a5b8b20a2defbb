// Helpers the fuzz targets share: a temporary folder per process, small
// file reads and writes, and a loud stop on a broken invariant.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace strandex::fuzz {

using Bytes = std::vector<std::uint8_t>;

// Prints the reason and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void fail(const std::string& why);
inline void require(bool ok, const std::string& why) {
    if (!ok) fail(why);
}

// A folder of this process, made on first use under $TMPDIR (or /tmp) and
// removed with its content when the process exits normally.
const std::string& processDir();
// A fresh empty folder under processDir(); removeTree() takes it away.
std::string freshDir(const std::string& name);
void removeTree(const std::string& path);

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t n);
Bytes readFile(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::string& folder);

// Marks buffer[from, to) unreadable for AddressSanitizer (nothing when the
// build has no ASan) and back.
void poison(const std::uint8_t* from, const std::uint8_t* to);
void unpoison(const std::uint8_t* from, const std::uint8_t* to);

// Joined lines for a failure message.
std::string joined(const std::vector<std::string>& lines);

}  // namespace strandex::fuzz
