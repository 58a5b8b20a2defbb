// Cuts a playlist into one line per tag, indented two blanks per nesting
// level. Fed block by block: a tag may begin in one block and end in the
// next, so nothing of the state is reset between calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace strandex {

class XplScanner {
public:
    // Receives each finished line: the indentation, then the whole tag from
    // "<" to ">". Text between tags never reaches it.
    using LineSink = std::function<void(const std::string&)>;

    explicit XplScanner(LineSink sink) : sink_(std::move(sink)) {}

    void scan(const std::uint8_t* bytes, std::size_t n);

private:
    void step(std::uint8_t b);

    LineSink sink_;
    std::string line_;
    std::int64_t depth_ = 0;  // counts every "<" of a file of any size
    bool insideTag_ = false;
    // The bytes seen, newest lowest: the low byte is the previous byte.
    std::uint32_t previous_ = 0;
};

}  // namespace strandex
