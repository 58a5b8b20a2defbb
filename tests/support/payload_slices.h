// An independent account of what a Demux output may hold, for the fuzz
// target and the tests: every output file of a slot is a run of whole
// payloads of that slot's packets, in the order of the source. The payload
// and the identifying byte of a packet are read straight from its header
// fields here, not by the engine's byte step; a subpicture packet with a
// PTS-only header (PTS not 0) brings its "SP" header along.
//
// The account is deliberately generous about where a packet may start
// (any byte that holds a fitting stream id, wherever the parser's window
// stands), so it never blames a correct run; what it does pin down is that
// nothing but whole payloads of the registered stream reach a file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace strandex::test {

enum class OutputKind { Video, Audio, Subpicture };

struct SlotOutput {
    OutputKind kind;
    int slot;
    int registered;  // the value in the slot table after the run, -1 for none
};

// The packets of a source as their headers describe them, read once.
class PayloadAccount {
public:
    PayloadAccount(const std::uint8_t* source, std::size_t size);
    ~PayloadAccount();
    PayloadAccount(const PayloadAccount&) = delete;
    PayloadAccount& operator=(const PayloadAccount&) = delete;

    // Empty when `output` is such a run of payloads; otherwise what is wrong.
    std::string explain(SlotOutput slot, const std::vector<std::uint8_t>& output) const;

private:
    struct Packets;
    Packets* packets_;
};

inline std::string explainOutput(const std::uint8_t* source, std::size_t size, SlotOutput slot,
                                 const std::vector<std::uint8_t>& output) {
    return PayloadAccount(source, size).explain(slot, output);
}

}  // namespace strandex::test
