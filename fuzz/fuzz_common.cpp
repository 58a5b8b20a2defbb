#include "fuzz_common.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define STRANDEX_FUZZ_ASAN 1
#endif
#endif

namespace strandex::fuzz {

namespace {

class ProcessDir {
public:
    ProcessDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "strandex-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp failed for " + pattern);
        path_ = pattern;
    }
    ~ProcessDir() { removeTree(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

void fail(const std::string& why) {
    std::fprintf(stderr, "\n==== strandex fuzz invariant broken ====\n%s\n", why.c_str());
    std::fflush(stderr);
    std::abort();
}

const std::string& processDir() {
    static ProcessDir dir;
    return dir.path();
}

std::string freshDir(const std::string& name) {
    std::string path = processDir() + "/" + name;
    removeTree(path);
    std::filesystem::create_directory(path);
    return path;
}

void removeTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) fail("cannot create " + path);
    bool ok = n == 0 || std::fwrite(data, 1, n, f) == n;
    if (std::fclose(f) != 0 || !ok) fail("cannot write " + path);
}

Bytes readFile(const std::string& path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (ec || f == nullptr) fail("cannot read " + path);
    Bytes bytes(static_cast<std::size_t>(size));
    std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (got != bytes.size()) fail("short read of " + path);
    return bytes;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void poison([[maybe_unused]] const std::uint8_t* from, [[maybe_unused]] const std::uint8_t* to) {
#ifdef STRANDEX_FUZZ_ASAN
    if (to > from) ASAN_POISON_MEMORY_REGION(from, static_cast<std::size_t>(to - from));
#endif
}

void unpoison([[maybe_unused]] const std::uint8_t* from, [[maybe_unused]] const std::uint8_t* to) {
#ifdef STRANDEX_FUZZ_ASAN
    if (to > from) ASAN_UNPOISON_MEMORY_REGION(from, static_cast<std::size_t>(to - from));
#endif
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += "  | " + line + "\n";
    return text;
}

}  // namespace strandex::fuzz
