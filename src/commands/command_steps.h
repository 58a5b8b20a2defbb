// The steps the commands share: opening the source, going on into the
// second part of a split feature, and the lines that end a command.
#pragma once
#include <functional>
#include <string>

#include "commands/encrypted_notice.h"
#include "engine/session.h"

namespace strandex {

// The start of Read EVO and Demux: the command's own button off while it
// runs, the Status page shown, the frame counts zeroed and the encrypted
// flag cleared.
void startOnStatusPage(Session& session, Button own);

// "Opening file FEATURE_1.EVO", the source named in the source edit opened,
// then "File size: 4411 Mbytes.". A scan shows its phase word (`phase`,
// "Reading") as soon as the file is open; without one, "Opening" stays.
void openSource(Session& session, const char* phase = nullptr);

// After the first part's run: when "Continue with second EVO" is still
// ticked (unticking it during the first part cancels the continuation),
// nothing stopped the run and the second part `second` is there, the
// source becomes that part, "Continue on FEATURE_2.EVO" is logged and `run`
// goes on over it, the part noted in `encrypted`.
void continueIntoSecondPart(Session& session, const std::string& second, EncryptedPart& encrypted,
                            const std::function<void()>& run);

// "Done." in the log, "Ready" in the first status panel, the second one
// cleared: the end of every command that went well.
void logDone(FrontEnd& ui);

}  // namespace strandex
