// A small JSON writer for the report: objects, arrays, strings, integers,
// booleans, two blanks of indent a level. Strings are written as UTF-8;
// a byte that does not begin a well-formed UTF-8 sequence (a playlist may
// hold Latin-1 text) becomes U+FFFD, so the text is always valid JSON.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace strandex {

// `text` as a JSON string, quotes included: '"' and '\' escaped, control
// characters as \n, \t ... or \u00XX, malformed UTF-8 replaced.
std::string jsonString(std::string_view text);

class JsonWriter {
public:
    // A value is written where a value may stand: at the top, in an array,
    // or after key() in an object.
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);
    void string(std::string_view text);
    void number(std::int64_t value);
    void boolean(bool value);

    // The text so far; complete once every object and array is closed.
    const std::string& text() const { return out_; }

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);
    void newLine();

    std::string out_;
    std::vector<bool> hasMembers_;  // one entry a container still open
    bool afterKey_ = false;
};

}  // namespace strandex
