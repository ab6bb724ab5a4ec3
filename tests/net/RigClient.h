#pragma once
// A station program's side of the connection, with plain blocking sockets:
// it writes what it is given in one write and reads as such programs do.
#include <string>

class TRigClient {
public:
    explicit TRigClient(unsigned short port);
    ~TRigClient();
    TRigClient(const TRigClient&) = delete;
    TRigClient& operator=(const TRigClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // One write of all the bytes; false when the connection refused them.
    bool Send(const std::string& bytes);
    // What one read returns, waiting up to timeoutMs for it; "" at the end
    // of the connection or when nothing came.
    std::string ReadOnce(int timeoutMs = 5000);
    // Reads until size bytes came, the connection ended or timeoutMs passed.
    std::string Read(size_t size, int timeoutMs = 5000);
    // The server ended the connection (within timeoutMs), all replies read.
    bool Ended(int timeoutMs = 5000);
    void Close();

private:
    int fd_ = -1;
    bool ended_ = false;
};
