// "Read XPL" over the input as the playlist file, for the source base name
// FEATURE_1; the tag scanner fed in pieces; the attribute lookups on the
// lines it cuts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "fuzz_common.h"
#include "playlist/read_xpl_command.h"
#include "playlist/xpl_attributes.h"
#include "playlist/xpl_scanner.h"

using namespace strandex;
using namespace strandex::fuzz;

namespace {

std::vector<std::string> scanLines(const std::uint8_t* data, std::size_t size, std::size_t piece) {
    std::vector<std::string> lines;
    XplScanner scanner([&](const std::string& line) { lines.push_back(line); });
    for (std::size_t at = 0; at < size; at += piece) scanner.scan(data + at, std::min(piece, size - at));
    return lines;
}

bool isContiguousPart(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    if (part.empty()) return true;
    return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

void checkLookups(const std::string& line) {
    static const std::vector<std::string> names{"index", "codec", "channels", "displayName", "track",
                                                "streamNumber", "mediaAttr", "description", "titleDuration",
                                                "titleTimeBegin", "", "=", "\""};
    for (const std::string& name : names) {
        const std::string sentinel = "\x01unchanged";
        std::string value = sentinel;
        XPLattr(line, name, value);
        bool present = upperCase(line).find(upperCase(name)) != std::string::npos;
        require(present == (value != sentinel), "XPLattr(" + name + ") on '" + line + "' changed its destination " +
                                                    (present ? "not at all" : "without the name there"));
        if (!present) continue;
        require(value.size() <= 255, "XPLattr(" + name + ") gives more than 255 bytes");
        require(value.find('"') == std::string::npos, "XPLattr(" + name + ") gives a quote");
        require(line.find(value) != std::string::npos, "XPLattr(" + name + ") gives text not in the line");
        std::int32_t number = XPLattrInt(line, name);
        if (number != 0) {
            bool same = false;
            try {
                same = strictInteger(value) == number;
            } catch (const ConversionError&) {
            }
            require(same, "XPLattrInt(" + name + ") gives " + std::to_string(number) + " for '" + value + "'");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 18) return 0;
    // The scanner keeps its state between pieces: any cutting gives the same lines.
    std::vector<std::string> lines = scanLines(data, size, size == 0 ? 1 : size);
    std::size_t tags = static_cast<std::size_t>(std::count(data, data + size, '>'));
    require(lines.size() == tags, "the scanner gives " + std::to_string(lines.size()) + " lines for " +
                                      std::to_string(tags) + " tag ends");
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}})
        require(scanLines(data, size, piece) == lines, "the scanner fed in pieces of " + std::to_string(piece) +
                                                           " gives other lines");
    for (std::size_t k = 0; k < std::min<std::size_t>(lines.size(), 16); ++k) checkLookups(lines[k]);

    MemoryFrontEnd ui;
    Session session(ui);
    std::string path = processDir() + "/VPLST000.XPL";
    writeFile(path, data, size);
    ui.setText(Edit::eXPLfile, path);
    session.paths.XPLname = "VPLST000.XPL";
    session.paths.EVObase = "FEATURE_1";
    bool finished = false;
    try {
        bReadXPLClick(session);
        finished = true;
    } catch (const FileError& e) {
        fail(std::string("a file error reading the playlist: ") + e.what());
    } catch (const ConversionError&) {
        // A media attribute item's index that is no integer ends the command.
    }
    require(!session.commandRunning, "the command stays running");
    require(isContiguousPart(ui.xplMemo, lines), "the memo holds lines the scanner did not cut, or not in a run");
    if (finished) {
        require(!ui.logLines.empty() && ui.logLines.back() == "Done.", "Read XPL did not end with Done.");
        require(ui.enabled(Button::bReadXPL) && ui.xplVisible, "Read XPL left its button or memo off");
    } else {
        require(!ui.enabled(Button::bReadXPL) && !ui.xplVisible, "a conversion error left the button or memo on");
    }
    for (int i = 0; i < kStreamBoxCount; ++i)
        require(!ui.boxEnabled(boxAt(i)) || ui.ticked(boxAt(i)), "an offered box is not ticked: " + boxName(boxAt(i)));
    for (int i = 2; i < 8; ++i) require(!ui.boxEnabled(boxAt(i)), "a video box without a slot is enabled");
    auto onlyOnes = [](const auto& ids) {
        return std::all_of(ids.begin(), ids.end(), [](std::int32_t v) { return v == -1 || v == 1; });
    };
    require(!finished || (onlyOnes(session.table.VideoIds) && onlyOnes(session.table.AudioIds) &&
                          onlyOnes(session.table.SubpictureIds)),
            "Read XPL ended with an id other than -1 or 1");
    return 0;
}
