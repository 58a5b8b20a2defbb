#include "support/failing_files.h"

#include <dirent.h>
#include <map>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "engine/file_io.h"

namespace strandex::test {

namespace {

// A fault hits the files whose path holds `piece`; `at` is a byte count.
struct Fault {
    std::string piece;
    std::int64_t at = 0;
    int err = 0;
};

// A descriptor opened through the layer: its path and how far it got.
struct Open {
    std::string path;
    std::int64_t read = 0;
    std::int64_t written = 0;
    bool full = false;
    std::int64_t sizeShown = -1;  // with cuts hidden
};

struct Plan {
    bool active = false;
    std::map<std::string, int> openFaults;
    Fault readFault;
    Fault room;
    Fault closeFault;
    std::string hiddenCuts;
    Fault cut;  // at: where the reader cuts it; err: the size it is cut to
    std::int64_t cutSize = 0;
    bool mappingRefused = false;
    std::size_t readLimit = 0;
    std::size_t writeLimit = 0;
    std::map<int, Open> open;
};

Plan plan;
FileCalls real;

bool hits(const std::string& path, const std::string& piece) {
    return !piece.empty() && path.find(piece) != std::string::npos;
}

int openCall(const char* path, int flags, mode_t mode) {
    for (const auto& [piece, err] : plan.openFaults)
        if (hits(path, piece)) {
            errno = err;
            return -1;
        }
    int fd = real.open(path, flags, mode);
    if (fd >= 0) plan.open[fd] = Open{path};
    return fd;
}

// Descriptors opened before the layer was put in pass straight through.
Open* tracked(int fd) {
    auto found = plan.open.find(fd);
    return found == plan.open.end() ? nullptr : &found->second;
}

// The cut is made once, by the first read or populate that reaches it.
void cutIfReached(const Open& f, std::int64_t offset) {
    if (!hits(f.path, plan.cut.piece) || offset < plan.cut.at) return;
    plan.cut.piece.clear();
    if (::truncate(f.path.c_str(), plan.cutSize) != 0) throw std::runtime_error("cannot cut " + f.path);
}

ssize_t readCall(int fd, void* buffer, std::size_t n) {
    if (plan.readLimit > 0 && n > plan.readLimit) n = plan.readLimit;
    Open* tracking = tracked(fd);
    if (tracking == nullptr) return real.read(fd, buffer, n);
    Open& f = *tracking;
    cutIfReached(f, f.read);
    if (hits(f.path, plan.readFault.piece)) {
        std::int64_t left = plan.readFault.at - f.read;
        if (left <= 0) {
            errno = plan.readFault.err;
            return -1;
        }
        if (static_cast<std::int64_t>(n) > left) n = static_cast<std::size_t>(left);
    }
    ssize_t r = real.read(fd, buffer, n);
    if (r > 0) f.read += r;
    return r;
}

ssize_t writeCall(int fd, const void* data, std::size_t n) {
    Open* tracking = tracked(fd);
    if (tracking == nullptr) return real.write(fd, data, n);
    Open& f = *tracking;
    if (plan.writeLimit > 0 && n > plan.writeLimit) n = plan.writeLimit;
    if (hits(f.path, plan.room.piece)) {
        std::int64_t left = plan.room.at - f.written;
        if (left <= 0 || f.full) {
            f.full = true;
            errno = ENOSPC;
            return -1;
        }
        if (static_cast<std::int64_t>(n) > left) n = static_cast<std::size_t>(left);
    }
    ssize_t w = real.write(fd, data, n);
    if (w > 0) f.written += w;
    return w;
}

// A write of several pieces under a limit or a room takes what a plain write
// of the first piece would: a short write, which the writer carries on from.
ssize_t writevCall(int fd, const iovec* pieces, int count) {
    Open* tracking = tracked(fd);
    bool limited = plan.writeLimit > 0 || (tracking != nullptr && hits(tracking->path, plan.room.piece));
    if (tracking == nullptr || !limited || count <= 0) {
        ssize_t w = real.writev(fd, pieces, count);
        if (w > 0 && tracking != nullptr) tracking->written += w;
        return w;
    }
    return writeCall(fd, pieces[0].iov_base, pieces[0].iov_len);
}

int fstatCall(int fd, struct stat* st) {
    int r = real.fstat(fd, st);
    Open* tracking = tracked(fd);
    if (r != 0 || tracking == nullptr || !hits(tracking->path, plan.hiddenCuts)) return r;
    if (tracking->sizeShown < 0) tracking->sizeShown = st->st_size;
    st->st_size = tracking->sizeShown;
    return r;
}

void* mapCall(int fd, std::size_t length) {
    if (plan.mappingRefused) {
        errno = ENODEV;
        return MAP_FAILED;
    }
    return real.map(fd, length);
}

ssize_t populateCall(int fd, const std::uint8_t* data, std::size_t n, std::int64_t offset) {
    Open* tracking = tracked(fd);
    if (tracking == nullptr) return real.populate(fd, data, n, offset);
    cutIfReached(*tracking, offset);
    if (hits(tracking->path, plan.hiddenCuts)) return static_cast<ssize_t>(n);
    if (hits(tracking->path, plan.readFault.piece)) {
        std::int64_t left = plan.readFault.at - offset;
        if (left <= 0) {
            errno = plan.readFault.err;
            return -1;
        }
        if (static_cast<std::int64_t>(n) > left) n = static_cast<std::size_t>(left);
    }
    return real.populate(fd, data, n, offset);
}

int closeCall(int fd) {
    auto found = plan.open.find(fd);
    std::string path = found == plan.open.end() ? "" : found->second.path;
    if (found != plan.open.end()) plan.open.erase(found);
    int r = real.close(fd);
    if (r == 0 && hits(path, plan.closeFault.piece)) {
        errno = plan.closeFault.err;
        return -1;
    }
    return r;
}

}  // namespace

FailingFiles::FailingFiles() {
    if (plan.active) throw std::logic_error("one FailingFiles at a time");
    real = realFileCalls();
    plan = Plan{};
    plan.active = true;
    fileCalls = real;
    fileCalls.open = openCall;
    fileCalls.read = readCall;
    fileCalls.write = writeCall;
    fileCalls.close = closeCall;
    fileCalls.fstat = fstatCall;
    fileCalls.writev = writevCall;
    fileCalls.map = mapCall;
    fileCalls.populate = populateCall;
}

FailingFiles::~FailingFiles() {
    fileCalls = real;
    plan = Plan{};
}

void FailingFiles::failOpen(const std::string& piece, int err) {
    if (err == 0)
        plan.openFaults.erase(piece);
    else
        plan.openFaults[piece] = err;
}

void FailingFiles::failReadAt(const std::string& piece, std::int64_t at, int err) {
    plan.readFault = Fault{piece, at, err};
}

void FailingFiles::limitReads(std::size_t n) { plan.readLimit = n; }

void FailingFiles::limitWrites(std::size_t n) { plan.writeLimit = n; }

void FailingFiles::fillAfter(const std::string& piece, std::int64_t room) {
    plan.room = Fault{piece, room, ENOSPC};
}

void FailingFiles::failClose(const std::string& piece, int err) { plan.closeFault = Fault{piece, 0, err}; }

void FailingFiles::cutWhenReached(const std::string& piece, std::int64_t at, std::int64_t size) {
    plan.cut = Fault{piece, at, 0};
    plan.cutSize = size;
}

void FailingFiles::refuseMapping() { plan.mappingRefused = true; }

void FailingFiles::hideCuts(const std::string& piece) { plan.hiddenCuts = piece; }

int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d) != nullptr) ++n;
        ::closedir(d);
    }
    return n;
}

}  // namespace strandex::test
