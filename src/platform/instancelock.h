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
    // holds it (or the lock file cannot be opened).
    bool TryAcquire(const std::string& name);
    void Release();
    bool Held() const { return fd_ >= 0; }

    // Folder of the lock files: XDG_RUNTIME_DIR, else TMPDIR, else /tmp.
    static std::string LockFolder();

  private:
    int fd_ = -1;
};
