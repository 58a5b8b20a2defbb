#include "support/mkv_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/json_value.h"
#include "support/run_tool.h"

namespace strandex::test {

namespace {

std::string textOr(const JsonValue& object, const std::string& key) {
    return object.has(key) ? object[key].text : "";
}

bool flagOr(const JsonValue& object, const std::string& key) { return object.has(key) && object[key].boolean; }

std::int64_t integerOr(const JsonValue& object, const std::string& key) {
    return object.has(key) ? object[key].integer : 0;
}

MkvTrack trackOf(const JsonValue& item) {
    const JsonValue& p = item["properties"];
    MkvTrack t;
    t.id = static_cast<int>(item["id"].integer);
    t.type = item["type"].text;
    t.codec = item["codec"].text;
    t.codecId = textOr(p, "codec_id");
    t.language = textOr(p, "language");
    t.name = textOr(p, "track_name");
    t.defaultTrack = flagOr(p, "default_track");
    t.forcedTrack = flagOr(p, "forced_track");
    t.defaultDurationNs = integerOr(p, "default_duration");
    return t;
}

}  // namespace

MkvFacts identifyMkv(const TempDir& work, const std::string& mkv) {
    MkvFacts facts;
    CliResult r = runTool(work, {"mkvmerge", "-J", mkv});
    if (r.exitCode != 0) {
        ADD_FAILURE() << "mkvmerge -J " << mkv << ": " << r.out << r.err;
        return facts;
    }
    JsonValue j = parseJson(r.out);
    if (!j.has("container") || !j["container"]["recognized"].boolean) return facts;
    const JsonValue& container = j["container"]["properties"];
    facts.read = true;
    facts.title = textOr(container, "title");
    facts.durationNs = integerOr(container, "duration");
    for (const JsonValue& edition : j["chapters"].items) facts.chapterEntries += static_cast<int>(edition["num_entries"].integer);
    for (const JsonValue& item : j["tracks"].items) facts.tracks.push_back(trackOf(item));
    return facts;
}

void expectTracks(const std::vector<MkvTrack>& tracks, const std::vector<ExpectedTrack>& expected) {
    ASSERT_EQ(tracks.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const MkvTrack& t = tracks[k];
        const ExpectedTrack& e = expected[k];
        EXPECT_EQ(t.type, e.type) << k;
        EXPECT_EQ(t.codec, e.codec) << k;
        EXPECT_EQ(t.codecId, e.codecId) << k;
        EXPECT_EQ(t.language, e.language) << k;
        EXPECT_EQ(t.name, e.name) << k;
        EXPECT_EQ(t.defaultTrack, e.isDefault) << k;
        EXPECT_FALSE(t.forcedTrack) << k;
    }
}

std::string mkvChapters(const TempDir& work, const std::string& mkv) {
    CliResult r = runTool(work, {"mkvextract", mkv, "chapters", "--simple", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

std::vector<double> mkvTimestampsMs(const TempDir& work, const std::string& mkv, int trackId) {
    const std::string file = work.file("timestamps." + std::to_string(trackId) + ".txt");
    CliResult r = runTool(work, {"mkvextract", mkv, "timestamps_v2", std::to_string(trackId) + ":" + file});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    std::istringstream in(text(readFile(file)));
    std::vector<double> times;
    std::string line;
    std::getline(in, line);  // "# timestamp format v2"
    while (std::getline(in, line))
        if (!line.empty()) times.push_back(std::stod(line));
    return times;
}

double mkvFirstTimestampMs(const TempDir& work, const std::string& mkv, int trackId) {
    std::vector<double> times = mkvTimestampsMs(work, mkv, trackId);
    return times.empty() ? -1.0 : *std::min_element(times.begin(), times.end());
}

std::string ffmpegDecodeErrors(const TempDir& work, const std::string& mkv, int trackId) {
    CliResult r = runTool(work, {"ffmpeg", "-nostdin", "-v", "error", "-err_detect", "crccheck", "-i", mkv, "-map",
                                 "0:" + std::to_string(trackId), "-f", "null", "-"});
    if (r.exitCode != 0) return "ffmpeg ended with " + std::to_string(r.exitCode) + ": " + r.err;
    return r.err;
}

}  // namespace strandex::test
