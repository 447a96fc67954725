#pragma once
// Throwaway folders and installation roots for tests.
#include <string>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& relative) const { return path_ + "/" + relative; }

  private:
    std::string path_;
};

// Writes `text` to `path`, creating parent folders.
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

// Sets g_oConfig to an installation rooted at `root` (no database): the paths
// of start-up and the given log level.
void UseInstallRoot(const std::string& root, int logLevel = 1);
