#include "converter/OutputPipe.h"

#include <atomic>
#include <string>

namespace converter {

bool OutputPipe::create(DWORD& osError)
{
    close();
    static std::atomic<unsigned> serial{0};
    const std::wstring name = L"\\\\.\\pipe\\korvello-gui-output-" + std::to_wstring(GetCurrentProcessId()) + L"-"
        + std::to_wstring(++serial) + L"-" + std::to_wstring(GetTickCount());
    readEnd_.reset(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, kPipeBufferBytes, 0, nullptr));
    if (!readEnd_.valid()) {
        osError = GetLastError();
        close();
        return false;
    }
    // The converter inherits the write end; the read end stays with the front end.
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    writeEnd_.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    readReady_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!writeEnd_.valid() || !readReady_.valid()) {
        osError = GetLastError();
        close();
        return false;
    }
    buffer_.resize(kReadChunkBytes);
    ended_ = false;
    startRead();
    return true;
}

void OutputPipe::close()
{
    if (reading_) {
        CancelIoEx(readEnd_.get(), &overlapped_);
        DWORD ignored = 0;
        GetOverlappedResult(readEnd_.get(), &overlapped_, &ignored, TRUE);
        reading_ = false;
    }
    writeEnd_.reset();
    readEnd_.reset();
    readReady_.reset();
    ended_ = true;
}

void OutputPipe::startRead()
{
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = readReady_.get();
    ResetEvent(readReady_.get());
    // A read that completes at once also signals the event and is collected like any other.
    if (!ReadFile(readEnd_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), nullptr, &overlapped_)
        && GetLastError() != ERROR_IO_PENDING) {
        ended_ = true; // the write side is gone (ERROR_BROKEN_PIPE) or the pipe failed
        return;
    }
    reading_ = true;
}

OutputPipe::Pass OutputPipe::drain(const std::function<void(std::string_view)>& consume, DWORD maxMilliseconds)
{
    Pass pass;
    const DWORD start = GetTickCount();
    while (!ended_) {
        if (!reading_) {
            startRead();
            if (!reading_) {
                return pass;
            }
        }
        DWORD read = 0;
        if (!GetOverlappedResult(readEnd_.get(), &overlapped_, &read, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) {
                return pass; // the read waits for the converter
            }
            reading_ = false;
            ended_ = true;
            return pass;
        }
        reading_ = false;
        if (read > 0) {
            pass.hadData = true;
            consume(std::string_view(buffer_.data(), read));
        }
        if (read > 0 && read < buffer_.size()) {
            return pass; // what comes next gathers in the pipe until the next pass
        }
        if (maxMilliseconds != 0 && GetTickCount() - start >= maxMilliseconds) {
            pass.cutShort = true;
            return pass;
        }
    }
    return pass;
}

} // namespace converter
