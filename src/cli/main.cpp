// strandex-cli: the console front end. Stdout holds exactly the log lines.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/console_status.h"
#include "commands/cancel.h"
#include "engine/file_io.h"
#include "playlist/xpl_attributes.h"

namespace {

volatile std::sig_atomic_t interrupts = 0;

// The first Ctrl-C asks the run to stop at its next event point; a second
// one ends the program at once.
extern "C" void onInterrupt(int) {
    interrupts = interrupts + 1;
    if (interrupts >= 2) ::_exit(130);
}

// The notices after the log, each text once: Read EVO and Demux of one
// console command may both find the same source encrypted.
void printNotices(const std::vector<std::string>& notices) {
    std::vector<std::string> shown;
    for (const auto& text : notices) {
        if (std::find(shown.begin(), shown.end(), text) != shown.end()) continue;
        shown.push_back(text);
        std::cerr << text << '\n';
    }
}

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace strandex;
    CliOptions options;
    try {
        options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "strandex-cli: " << e.message << "\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    MemoryFrontEnd ui;
    Session session(ui);
    ConsoleStatus status(ui);
    int handled = 0;
    ui.onLog = [&](const std::string& line) {
        status.finish();
        std::cout << line << '\n';
        status.show();
    };
    ui.onStatus = [&] { status.show(); };
    ui.onEvents = [&] {
        if (interrupts > handled) {
            handled = interrupts;
            bCancelClick(session);  // the Ctrl-C is the user's Yes
        }
    };
    catchInterrupts();

    int result = 0;
    std::ostringstream stepTimes;  // printed at the end, clear of the status line
    auto report = [&](const std::exception& e) {
        std::cout.flush();
        status.finish();
        std::cerr << e.what() << '\n';
        result = 1;
    };
    try {
        runCommand(options, session, ui, std::cout, options.times ? &stepTimes : nullptr);
    } catch (const FileError& e) {
        report(e);
    } catch (const ConversionError& e) {  // a playlist's attribute item index
        report(e);
    }
    status.finish();
    std::cout.flush();
    printNotices(ui.notices);
    std::cerr << stepTimes.str();
    // An encrypted source is told by its own code, unless an error came too.
    if (result == 0 && !ui.notices.empty()) result = 3;
    return result;
}
