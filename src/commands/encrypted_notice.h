// The notice for a source that was not decrypted. Its commands run as for
// any other source; the user is told once, after the log, which file it was.
#pragma once
#include <string>

#include "engine/front_end.h"
#include "engine/stream_table.h"

namespace strandex {

inline std::string encryptedNotice(const std::string& fileName) {
    return fileName + " is encrypted: its streams cannot be used until it is decrypted.";
}

// The first part of the source found encrypted, noted after each part is
// read; the table's flag stays set from that part on.
class EncryptedPart {
public:
    void note(const StreamTable& t, const std::string& fileName) {
        if (name_.empty() && t.Scrambled) name_ = fileName;
    }
    void tell(FrontEnd& ui) const {
        if (!name_.empty()) ui.warn(encryptedNotice(name_));
    }

private:
    std::string name_;
};

}  // namespace strandex
