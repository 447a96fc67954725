#include "support/liveprogram.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/process_run.h"

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

LiveProgram::LiveProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env) {
    pid_ = SpawnWithPipes(program, args, env, in_, out_);
}

LiveProgram::~LiveProgram() {
    if (pid_ > 0 && Finish(3000) < 0 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
}

bool LiveProgram::Send(const std::string& line) {
    if (in_ < 0) return false;
    const std::string text = line + "\n";
    std::size_t off = 0;
    while (off < text.size()) {
        ssize_t n = ::write(in_, text.data() + off, text.size() - off);
        if (n <= 0) return false;
        off += static_cast<std::size_t>(n);
    }
    return true;
}

bool LiveProgram::ReadSome(int ms) {
    if (out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buf[4096];
    ssize_t n = ::read(out_, buf, sizeof buf);
    if (n <= 0) {
        ::close(out_);
        out_ = -1;
        return false;
    }
    output_.append(buf, static_cast<std::size_t>(n));
    return true;
}

std::size_t LiveProgram::WaitFor(const std::string& text, int ms, std::size_t from) {
    const int64_t end = NowMs() + ms;
    for (;;) {
        std::size_t at = output_.find(text, from);
        if (at != std::string::npos) return at + text.size();
        const int64_t left = end - NowMs();
        if (left <= 0 || out_ < 0) return std::string::npos;
        ReadSome(static_cast<int>(left));
    }
}

void LiveProgram::Drain(int ms) {
    const int64_t end = NowMs() + ms;
    for (int64_t left; (left = end - NowMs()) > 0 && out_ >= 0;)
        ReadSome(static_cast<int>(left));
}

int LiveProgram::Finish(int ms) {
    if (in_ >= 0) {
        ::close(in_);
        in_ = -1;
    }
    if (pid_ <= 0) return -1;
    const int64_t end = NowMs() + ms;
    int status = 0;
    for (;;) {
        while (ReadSome(0)) {
        }
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) break;
        if (NowMs() > end) return -1;
        ReadSome(20);
        if (out_ < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    Drain(0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
