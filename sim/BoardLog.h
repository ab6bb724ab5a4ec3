#pragma once
// A file that records every request the virtual boards receive, a line each,
// so anyone can see what a real board would have been sent: the time in
// microseconds since the log was opened, the board, the request's fields, its
// result and its bytes. Each line goes to the file as it happens, so the file
// holds every request up to the moment the program ends, however it ends.
// No Qt here.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "sim/VirtualBoard.h"

class TBoardLog {
public:
    // Creates the file, or empties it; std::runtime_error naming it and why when it cannot.
    explicit TBoardLog(const std::string& path);
    ~TBoardLog();
    TBoardLog(const TBoardLog&) = delete;
    TBoardLog& operator=(const TBoardLog&) = delete;

    // Every request the board receives from now on is written, under its name.
    void Attach(const std::shared_ptr<VirtualBoard>& board, const std::string& name);

    // A write failed: the file ends before the program's last request.
    bool Failed() const { return failed_; }

    // "1250 board=1 type=0x40 request=0x30 value=0x0755 index=0x0000 length=6
    // result=6 bytes=E1C2B5DD92E0": the bytes sent, or those answered.
    static std::string Line(std::chrono::microseconds since, const std::string& name, const TransferRecord& r);

private:
    void Write(const std::string& text);

    std::string path_;
    int fd_ = -1;
    bool failed_ = false;  // a write failed: said once, nothing more is written
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::vector<std::weak_ptr<VirtualBoard>> boards_;
};
