#include "sim/BoardLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <stdexcept>

TBoardLog::TBoardLog(const std::string& path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw std::runtime_error("Cannot create the board log " + path + ": " + std::strerror(errno));
    Write("# Each request the virtual boards received: microseconds since the start, the board, the request's "
          "fields, its result (bytes or -errno) and its bytes (sent, or answered).\n");
}

TBoardLog::~TBoardLog()
{
    for (const auto& weak : boards_)
        if (const auto board = weak.lock())
            board->OnTransfer = nullptr;
    ::close(fd_);
}

void TBoardLog::Attach(const std::shared_ptr<VirtualBoard>& board, const std::string& name)
{
    boards_.push_back(board);
    board->OnTransfer = [this, name](const TransferRecord& r) {
        Write(Line(std::chrono::duration_cast<std::chrono::microseconds>(r.Time - start_), name, r));
    };
}

std::string TBoardLog::Line(std::chrono::microseconds since, const std::string& name, const TransferRecord& r)
{
    char fields[160];
    std::snprintf(fields, sizeof fields,
                  "%" PRId64 " board=%s type=0x%02X request=0x%02X value=0x%04X index=0x%04X length=%u result=%d bytes=",
                  static_cast<int64_t>(since.count()), name.c_str(), r.RequestType, r.Request, r.Value, r.Index,
                  static_cast<unsigned>(r.Length), r.Result);
    std::string line = fields;
    for (const uint8_t b : r.Bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line + "\n";
}

// Straight to the file, no buffer in between: a line written is kept even if
// the program is killed the next moment.
void TBoardLog::Write(const std::string& text)
{
    size_t done = 0;
    while (!failed_ && done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = true;
            std::fprintf(stderr, "The board log %s cannot be written: %s; it ends here.\n", path_.c_str(),
                         std::strerror(n < 0 ? errno : ENOSPC));
            return;
        }
        done += static_cast<size_t>(n);
    }
}
