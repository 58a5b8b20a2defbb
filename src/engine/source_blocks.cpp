#include "engine/source_blocks.h"

namespace strandex {

namespace {

template <typename Outputs, typename Each>
void forEach(Outputs& outputs, Each each) {
    for (OutputFile& out : outputs) each(out);
}

template <typename Each>
void forEveryOutput(StreamTable& t, Each each) {
    forEach(t.VideoOut, each);
    forEach(t.AudioOut, each);
    forEach(t.SubpictureOut, each);
}

}  // namespace

SourceBlocks::SourceBlocks(Session& session) : table_(session.table), window_(session.mapWindow) {
    mapped_ = session.mapSource && table_.SourceStream.map(window_);
    windowAt_ = table_.SourceStream.position() / static_cast<std::int64_t>(window_);
}

SourceBlocks::~SourceBlocks() {
    forEveryOutput(table_, [](OutputFile& out) {
        if (!out.holdsShared()) return;
        try {
            out.flush();
        } catch (const FileError&) {
        }
    });
    table_.SourceStream.unmap();
}

void SourceBlocks::writeShared() {
    forEveryOutput(table_, [](OutputFile& out) {
        if (out.holdsShared()) out.flush();
    });
}

const std::uint8_t* SourceBlocks::next(std::size_t& got) {
    SourceFile& source = table_.SourceStream;
    if (mapped_) {
        std::int64_t window = source.position() / static_cast<std::int64_t>(window_);
        if (window != windowAt_) {
            try {
                writeShared();
            } catch (const FileError&) {
                rethrowAsSourceError();
            }
            windowAt_ = window;
        }
    }
    const std::uint8_t* block = source.nextBlock(table_.ReadBuffer.get(), kBlockSize, got);
    // A mapped source may still hand out a block read into the buffer (the
    // end of a file that grew), which the next read would overwrite.
    shared_ = block != table_.ReadBuffer.get();
    return block;
}

void SourceBlocks::rethrowAsSourceError() {
    std::string cut = table_.SourceStream.faultText(true);
    if (!cut.empty()) throw FileError(cut);
    throw;
}

void SourceBlocks::finish() {
    try {
        writeShared();
    } catch (const FileError&) {
        rethrowAsSourceError();
    }
    std::string cut = table_.SourceStream.faultText();
    if (!cut.empty()) throw FileError(cut);
    table_.SourceStream.unmap();
}

}  // namespace strandex
