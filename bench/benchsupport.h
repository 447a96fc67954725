#pragma once
// Fixtures the benchmark programs share. Header only: every .cpp in this
// folder is a program of its own.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "app/admininit.h"

extern char** environ;

// A fresh folder in the temporary folder, removed with its contents.
class BenchTempDir {
  public:
    explicit BenchTempDir(const std::string& prefix) {
        std::string tmpl =
            std::filesystem::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        path_ = tmpl;
    }
    ~BenchTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    BenchTempDir(const BenchTempDir&) = delete;
    BenchTempDir& operator=(const BenchTempDir&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// A demo installation in a folder of its own; aborts when it cannot be made.
// An empty `computer` registers this computer (COMPUTERNAME honoured).
class BenchInstallation {
  public:
    explicit BenchInstallation(const std::string& prefix, int scale = 10,
                               const std::string& computer = "BENCH")
        : dir_(prefix), root_(dir_.Path() + "/install") {
        InitOptions options;
        options.root = root_;
        options.demo = true;
        options.scale = scale;
        options.computerName = computer;
        std::ostringstream out, err;
        if (!InitInstallation(options, out, err)) std::abort();
        db_ = InstallationDatabasePath(root_, 1);
    }
    const std::string& Root() const { return root_; }
    // The default database server's file.
    const std::string& Database() const { return db_; }

  private:
    BenchTempDir dir_;
    std::string root_, db_;
};

// Prepares `sql`, binds `args` as text, steps every row and reads every
// column as the recordset does (text by its length, anything else as an
// integer); column 0 of each row goes to `firstColumn` when given. A
// statement SQLite refuses ends the program with its message.
inline int64_t StepAll(sqlite3* db, const std::string& sql,
                       const std::vector<std::string>& args = {},
                       std::vector<int64_t>* firstColumn = nullptr) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n%s\n", sqlite3_errmsg(db), sql.c_str());
        std::abort();
    }
    for (std::size_t i = 0; i < args.size(); ++i)
        sqlite3_bind_text(st, static_cast<int>(i + 1), args[i].c_str(), -1, SQLITE_TRANSIENT);
    int64_t sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (firstColumn != nullptr) firstColumn->push_back(sqlite3_column_int64(st, 0));
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
                sum += sqlite3_column_bytes(st, c);
            } else {
                sum += sqlite3_column_int64(st, c);
            }
        }
    }
    sqlite3_finalize(st);
    return sum;
}

extern char** environ;

// The kivserver program built next to this one; $KIVSERVER when set.
inline std::string BenchKivServerPath() {
    if (const char* env = std::getenv("KIVSERVER")) return env;
    auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path() / ".." / "src" / "kivserver").lexically_normal().string();
}

// A kivserver process on a free loopback port, stopped when this goes.
struct BenchRelay {
    pid_t pid = -1;
    int port = 0;

    BenchRelay() = default;
    BenchRelay(const BenchRelay&) = delete;
    BenchRelay& operator=(const BenchRelay&) = delete;

    // Starts the relay with `options` after "--port 0" and reads the port it
    // announces on its first line of output; false when it did not start.
    bool Start(const std::vector<std::string>& options) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        std::string path = BenchKivServerPath();
        std::vector<std::string> args{path, "--port", "0"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int rc = posix_spawn(&pid, path.c_str(), &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        if (rc != 0) return false;
        std::string line;
        char c;
        pollfd p{out[0], POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        auto colon = line.rfind(':');
        port = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
        return port > 0;
    }
    ~BenchRelay() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
};
