#include "engine/mapping_faults.h"

#include <atomic>
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace strandex {

namespace {

// Read by the handler, so plain atomics with no locks.
std::atomic<std::uintptr_t> guardedBegin{0};
std::atomic<std::uintptr_t> guardedEnd{0};
std::atomic<bool> faulted{false};
struct sigaction previous {};
std::atomic<bool> installed{false};

void onBus(int signal, siginfo_t* info, void* context) {
    auto addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
    std::uintptr_t begin = guardedBegin.load();
    std::uintptr_t end = guardedEnd.load();
    if (begin != 0 && addr >= begin && addr < end) {
        // Zero pages from the faulting one to the end of the range: the
        // instruction is tried again and reads zeros; the reader sees the
        // flag before it hands out another block.
        auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        std::uintptr_t from = addr & ~(page - 1);
        void* zeros = ::mmap(reinterpret_cast<void*>(from), end - from, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            faulted.store(true);
            return;
        }
    }
    // Not ours: whatever handled it before does, else the default ends the
    // process as it would have without the guard.
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN && previous.sa_handler != nullptr) {
        previous.sa_handler(signal);
        return;
    }
    ::signal(signal, SIG_DFL);
    // A fault comes again as the instruction is tried again; a signal sent
    // by a program does not, so it is sent again.
    if (info->si_code <= 0) ::raise(signal);
}

void install() {
    if (installed.exchange(true)) return;
    struct sigaction action {};
    action.sa_sigaction = onBus;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previous);
}

}  // namespace

bool guardMapping(std::uint8_t* begin, std::size_t length) {
    install();
    if (guardedBegin.load() != 0) return false;
    faulted.store(false);
    guardedEnd.store(reinterpret_cast<std::uintptr_t>(begin) + length);
    guardedBegin.store(reinterpret_cast<std::uintptr_t>(begin));
    return true;
}

void unguardMapping(const std::uint8_t* begin) {
    if (guardedBegin.load() != reinterpret_cast<std::uintptr_t>(begin)) return;
    guardedBegin.store(0);
    guardedEnd.store(0);
}

bool guardedMappingFaulted() { return faulted.load(); }

}  // namespace strandex
