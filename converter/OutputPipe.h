// The pipe that carries the converter's standard output and standard error. The
// converter gets an ordinary synchronous, inheritable write end; the front end's read end
// is opened for overlapped reads, so that the worker can wait on it: readReady() is
// signalled when a read has completed (data, or the end of the output), and the worker
// sleeps while the converter is silent.
//
// While output flows, no read waits: a waiting read completes with each single write of
// the converter (a few KiB), and every completion costs the reader several round trips
// to the system. After a read that found data the next one is started by the next
// drain(), so that what the converter writes in between is read in one piece.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

#include "win/Handle.h"

namespace converter {

class OutputPipe {
public:
    // What the pipe holds before a writing converter waits, and the largest read (all
    // of it at once).
    static constexpr DWORD kPipeBufferBytes = 1 << 18;
    static constexpr DWORD kReadChunkBytes = kPipeBufferBytes;

    OutputPipe() = default;
    ~OutputPipe() { close(); }
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // Creates a fresh pipe; on failure returns false with the OS error and holds nothing.
    bool create(DWORD& osError);
    // Cancels an outstanding read and closes both ends.
    void close();

    // The converter's end: inheritable, synchronous.
    HANDLE writeEnd() const { return writeEnd_.get(); }
    // Closes the front end's copy of the write end (once the converter holds its own), so
    // that the output ends when the converter's copies are closed.
    void closeWriteEnd() { writeEnd_.reset(); }
    HANDLE readEnd() const { return readEnd_.get(); }

    // A read is outstanding: readReady() is signalled when it completes. Otherwise, until
    // the output has ended, the next drain() starts one.
    bool reading() const { return reading_; }
    // Signalled while a completed read waits to be collected by drain().
    HANDLE readReady() const { return readReady_.get(); }
    // The output has ended (the write side is closed, or a read failed): nothing more comes.
    bool ended() const { return ended_; }

    struct Pass {
        bool hadData = false;
        bool cutShort = false; // ended by the time limit while data may still be waiting
    };
    // Collects the outstanding read or starts one, handing each read's bytes to consume,
    // until a read is left waiting (nothing had arrived), a read found data without
    // filling the buffer (no read is left outstanding), the output has ended, or
    // (maxMilliseconds other than 0) that much time has passed. Never waits for data.
    Pass drain(const std::function<void(std::string_view)>& consume, DWORD maxMilliseconds);

private:
    void startRead();

    win::UniqueHandle readEnd_;
    win::UniqueHandle writeEnd_;
    win::UniqueHandle readReady_;
    OVERLAPPED overlapped_ = {};
    std::vector<char> buffer_;
    bool reading_ = false;
    bool ended_ = false;
};

} // namespace converter
