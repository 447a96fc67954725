#pragma once
// Single running copy per workstation: an advisory lock on a file named after
// the computer name, held for the life of the process.
#include <string>

class InstanceLock {
  public:
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // True when this process now holds the lock; false when another process
    // holds it, or when the lock file cannot be opened or locked (then
    // Failure() says what failed).
    bool TryAcquire(const std::string& name);
    void Release();
    bool Held() const { return fd_ >= 0; }
    // After a refused TryAcquire: empty when another process holds the lock,
    // else the failed step, the lock file and the system's reason.
    const std::string& Failure() const { return failure_; }

    // Folder of the lock files: XDG_RUNTIME_DIR, else TMPDIR, else /tmp.
    static std::string LockFolder();

  private:
    int fd_ = -1;
    std::string failure_;
};
