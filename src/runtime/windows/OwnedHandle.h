// A Windows handle of ours (a pipe end, a process, a thread), closed when
// its owner ends unless closed before, so that no way out leaks one.
#pragma once

#include <windows.h>

namespace corvel {

class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
    ~OwnedHandle() { close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE get() const { return handle_; }
    // Where a call that makes the handle puts it.
    HANDLE* receive() { return &handle_; }
    void close() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace corvel
