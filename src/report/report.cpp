#include "report/report.h"

#include <vector>

#include "report/json_writer.h"
#include "report/report_fields.h"

namespace strandex {

namespace {

// One stream of the report: its table and slot, and what the engine met of it.
struct ReportedSlot {
    SlotTable table;
    int slot;
    const SlotFacts& facts;
};

const SlotFacts& factsOf(const StreamFacts& facts, SlotTable table, int slot) {
    auto k = static_cast<std::size_t>(slot);
    if (table == SlotTable::video) return facts.video[k];
    if (table == SlotTable::audio) return facts.audio[k];
    return facts.sub[k];
}

std::int32_t tableId(const StreamTable& t, SlotTable table, int slot) {
    auto k = static_cast<std::size_t>(slot);
    if (table == SlotTable::video) return t.VideoIds[k];
    if (table == SlotTable::audio) return t.AudioIds[k];
    return t.SubpictureIds[k];
}

// In the order the boxes stand, then subpicture slots 16..31.
std::vector<ReportedSlot> reportedSlots(const Session& session, ReportStreams streams) {
    std::vector<ReportedSlot> slots;
    for (SlotTable table : {SlotTable::video, SlotTable::audio, SlotTable::subpicture})
        for (int n = 0; n < slotCount(table); ++n) {
            const SlotFacts& facts = factsOf(session.facts, table, n);
            // After Read XPL the id table holds 1 in each slot the title names.
            bool listed = streams == ReportStreams::met ? facts.met : tableId(session.table, table, n) != -1;
            if (listed) slots.push_back({table, n, facts});
        }
    return slots;
}

// The box that stands for the slot, when it has one and a command offered it.
std::string captionOf(const FrontEnd& ui, SlotTable table, int slot) {
    if (slot >= boxCount(table)) return "";
    Box box = table == SlotTable::video   ? videoBox(slot)
              : table == SlotTable::audio ? audioBox(slot)
                                          : subBox(slot);
    return ui.boxEnabled(box) ? ui.caption(box) : "";
}

void optionalString(JsonWriter& json, const char* key, const std::string& value) {
    if (value.empty()) return;
    json.key(key);
    json.string(value);
}

void positiveNumber(JsonWriter& json, const char* key, std::int64_t value) {
    if (value <= 0) return;
    json.key(key);
    json.number(value);
}

// What the engine's notes tell: the id, the first PTS and the delay.
void writeMetFacts(JsonWriter& json, const Session& session, const ReportedSlot& s) {
    if (!s.facts.met) return;
    optionalString(json, "id", idText(s.table, s.facts.id));
    if (s.facts.hasShownPts) {
        json.key("first_pts");
        json.number(s.facts.shownPts);
    }
    if (auto delay = delayMs(session.facts, s.facts)) {
        json.key("delay_ms");
        json.number(*delay);
    }
}

void writeTrack(JsonWriter& json, const Session& session, const ReportedSlot& s, const std::string& type) {
    TrackLabel label = trackLabel(session, s.table, s.slot, s.facts, type);
    json.key("language");
    json.string(label.language);
    optionalString(json, "name", label.name);
    json.key("forced");
    json.boolean(label.forced);
}

void writeFormat(JsonWriter& json, const Session& session, const ReportedSlot& s) {
    const SlotFacts& f = s.facts;
    if (s.table == SlotTable::video)
        positiveNumber(json, "frames", session.table.FrameCount[static_cast<std::size_t>(s.slot)]);
    if (f.frameRateNum > 0 && f.frameRateDen > 0)
        optionalString(json, "frame_rate", std::to_string(f.frameRateNum) + "/" + std::to_string(f.frameRateDen));
    positiveNumber(json, "channels", channelsOf(f));
    positiveNumber(json, "sample_rate", sampleRateOf(f));
    positiveNumber(json, "bit_rate", f.bitRate);
    optionalString(json, "file", f.file);
}

void writeStream(JsonWriter& json, const Session& session, const ReportedSlot& s) {
    std::string caption = captionOf(session.ui, s.table, s.slot);
    std::string type = s.facts.met ? typeOfId(s.table, s.facts.id) : typeOfCaption(caption);
    json.beginObject();
    json.key("slot");
    json.string(slotName(s.table, s.slot));
    optionalString(json, "type", type);
    optionalString(json, "caption", caption);
    writeMetFacts(json, session, s);
    writeTrack(json, session, s, type);
    writeFormat(json, session, s);
    json.endObject();
}

void writeSource(JsonWriter& json, const Session& session) {
    optionalString(json, "source", session.ui.text(Edit::eEVOfile));
    json.key("parts");
    json.beginArray();
    for (const auto& part : session.facts.parts) json.string(part);
    json.endArray();
    if (!session.facts.parts.empty()) {
        json.key("size");
        json.number(session.facts.size);
    }
}

void writeTitle(JsonWriter& json, const PlaylistFacts& playlist) {
    if (!playlist.titleFound) return;
    json.key("title");
    json.beginObject();
    json.key("name");
    json.string(playlist.titleName);
    if (playlist.durationMs >= 0) optionalString(json, "duration", clockText(playlist.durationMs));
    json.endObject();
    json.key("chapters");
    json.beginArray();
    for (const auto& chapter : playlist.chapters) {
        json.beginObject();
        if (chapter.startMs >= 0) optionalString(json, "start", clockText(chapter.startMs));
        json.key("name");
        json.string(chapter.name);
        json.endObject();
    }
    json.endArray();
}

}  // namespace

std::string reportJson(const Session& session, ReportStreams streams) {
    JsonWriter json;
    json.beginObject();
    writeSource(json, session);
    json.key("streams");
    json.beginArray();
    for (const auto& slot : reportedSlots(session, streams)) writeStream(json, session, slot);
    json.endArray();
    writeTitle(json, session.playlist);
    json.endObject();
    return json.text();
}

void writeReport(const Session& session, ReportStreams streams, const std::string& path) {
    const std::string text = reportJson(session, streams);
    OutputFile out;
    out.create(path);
    out.append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    out.close();
}

}  // namespace strandex
