// The relay server soaked on loopback: 50 workstations that read everything
// send 5,000 DATACHANGE packets per second between them (each fanned out to
// the other 49), while 10 slow readers ask for POS replies and read a
// trickle, and one peer floods junk. Targets: relay peak memory under
// 100 MB, no packet lost to a workstation that reads, p99 of the
// send-to-arrival time at those workstations under 5 ms.
//
//   kivserver_soak_bench [--soak-seconds=N] [benchmark options]   (default 60)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "benchsupport.h"
#include "messaging/framing.h"
#include "messaging/packetmaker.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWorkstations = 50;
constexpr int kSlowReaders = 10;
constexpr int kRate = 5000;                   // DATACHANGE packets per second, all senders
constexpr int kSlowReadBytes = 16 * 1024;     // what a slow reader reads every 100 ms
constexpr int kJunkBytesPerTick = 10 * 1024;  // every 10 ms: 1 MB/s of junk
int g_seconds = 60;

// The relay with its default limits, logging to a file.
struct Relay : BenchRelay {
    // A field of /proc/PID/status in megabytes ("VmHWM", "VmRSS").
    double MemoryMB(const char* field) const {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind(field, 0) == 0)
                return std::atof(line.c_str() + std::strlen(field) + 1) / 1024.0;
        return 0;
    }
    // User and system time the relay used, in seconds.
    double CpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(all.substr(all.rfind(')') + 2));
        std::string f;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> f; ++i)
            if (i == 14 || i == 15) ticks += std::atof(f.c_str());
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
};

int Dial(int port, int receiveBuffer = 0) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

// Writes all of `bytes`, waiting while the socket is full; false once closed.
bool SendAll(int fd, const uint8_t* data, std::size_t size) {
    std::size_t off = 0;
    while (off < size) {
        ssize_t n = ::send(fd, data + off, size - off, MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) return false;
            continue;
        }
        if (n <= 0) return false;
        off += static_cast<std::size_t>(n);
    }
    return true;
}

// DATACHANGE frames that differ only in an 8-digit "fieldid": the sequence
// number, read back at the same offset from the relayed bytes.
class NumberedFrames {
  public:
    NumberedFrames() {
        PacketMaker maker;
        PacketItem filter = PacketMaker::CreateFilter(1, "2024-05-01", 3);
        PacketItems items{PacketMaker::CreateDataChangeMsg(1, "RESERVATION", 2, "tbl_reservation",
                                                           "reserveid", 10000000),
                          PacketMaker::CreateDataChangeMsg(1, "RESERVATION", 1, "tbl_tablereserve",
                                                           "tablereserveid", 9001)};
        frame_ = FrameText(maker.MakeDataChangePkt("2", &filter, items));
        const Bytes digits = Utf8ToUtf16LE("10000000");
        offset_ = static_cast<std::size_t>(
            std::search(frame_.begin(), frame_.end(), digits.begin(), digits.end()) -
            frame_.begin());
    }
    const Bytes& Make(long seq) {
        long v = 10000000 + seq;
        for (int i = 7; i >= 0; --i, v /= 10)
            frame_[offset_ + 2 * static_cast<std::size_t>(i)] = static_cast<uint8_t>('0' + v % 10);
        return frame_;
    }
    // The sequence number of a relayed frame; -1 for another packet.
    long Read(const uint8_t* f, std::size_t n) const {
        if (n != frame_.size()) return -1;
        long v = 0;
        for (int i = 0; i < 8; ++i) {
            uint8_t c = f[offset_ + 2 * static_cast<std::size_t>(i)];
            if (c < '0' || c > '9') return -1;
            v = v * 10 + (c - '0');
        }
        return v - 10000000;
    }

  private:
    Bytes frame_;
    std::size_t offset_ = 0;
};

// Send-to-arrival times in 10-microsecond buckets up to 2 s.
class Histogram {
  public:
    void Add(double us) {
        std::size_t b = std::min(buckets_.size() - 1, static_cast<std::size_t>(us / 10));
        ++buckets_[b];
        ++count_;
    }
    double PercentileMs(double p) const {
        uint64_t want = static_cast<uint64_t>(p * static_cast<double>(count_));
        uint64_t seen = 0;
        for (std::size_t b = 0; b < buckets_.size(); ++b) {
            seen += buckets_[b];
            if (seen > want) return static_cast<double>(b + 1) * 0.01;
        }
        return 0;
    }

  private:
    std::vector<uint64_t> buckets_ = std::vector<uint64_t>(200000);
    uint64_t count_ = 0;
};

enum class Role { Workstation, Slow, Junk };

struct Peer {
    Role role = Role::Workstation;
    int fd = -1;
    FrameReassembler reassembler;
    long sent = 0;      // DATACHANGE packets this workstation sent
    long received = 0;  // DATACHANGE packets it received
};

class Soak {
  public:
    Soak(Relay& relay) : relay_(relay) {}
    ~Soak() {
        for (Peer& p : peers_)
            if (p.fd >= 0) ::close(p.fd);
        if (epoll_ >= 0) ::close(epoll_);
    }

    bool Open() {
        epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
        filter_ = FrameText(PacketMaker().MakeActOutletPkt(PacketItem{}));
        posRequest_ = FrameText(PacketMaker().MakePOSRequestPkt(
            {PacketMaker::CreatePOSCheckEnquriy("H01", "HBR", "A1", "E7", "POS1")}));
        peers_.resize(kWorkstations + kSlowReaders + 1);
        for (std::size_t i = 0; i < peers_.size(); ++i) {
            Peer& p = peers_[i];
            p.role = i < kWorkstations                  ? Role::Workstation
                     : i < kWorkstations + kSlowReaders ? Role::Slow
                                                        : Role::Junk;
            if (!Connect(i)) return false;
        }
        ::usleep(300000);  // every connection accepted before measuring
        return true;
    }

    void Run(double seconds) {
        const auto start = Clock::now();
        const auto end = start + std::chrono::duration<double>(seconds);
        auto nextSlow = start, nextJunk = start;
        sentAt_.reserve(static_cast<std::size_t>(seconds * kRate) + 16);
        while (Clock::now() < end) {
            const auto now = Clock::now();
            long due =
                static_cast<long>(std::chrono::duration<double>(now - start).count() * kRate);
            while (static_cast<long>(sentAt_.size()) < due) {
                long seq = static_cast<long>(sentAt_.size());
                Peer& from = peers_[static_cast<std::size_t>(seq % kWorkstations)];
                sentAt_.push_back(Clock::now());
                const Bytes& f = frames_.Make(seq);
                if (SendAll(from.fd, f.data(), f.size())) ++from.sent;
            }
            if (now >= nextSlow) {
                nextSlow += std::chrono::milliseconds(100);
                TickSlowReaders();
            }
            if (now >= nextJunk) {
                nextJunk += std::chrono::milliseconds(10);
                TickJunk();
            }
            Drain(1);
        }
        sendSeconds_ = std::chrono::duration<double>(Clock::now() - start).count();
        // Let the workstations catch up with what was sent.
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!Complete() && Clock::now() < deadline) {
            Drain(10);
            if (Clock::now() >= nextSlow) {
                nextSlow += std::chrono::milliseconds(100);
                TickSlowReaders();
            }
        }
    }

    // Closes the slow readers and the junk peer; the workstations stay.
    void CloseHostile() {
        for (Peer& p : peers_) {
            if (p.role == Role::Workstation || p.fd < 0) continue;
            ::close(p.fd);
            p.fd = -1;
        }
    }

    long Sent() const { return static_cast<long>(sentAt_.size()); }
    double SendSeconds() const { return sendSeconds_; }
    long Lost() const {
        long lost = 0;
        for (const Peer& p : peers_)
            if (p.role == Role::Workstation) lost += Sent() - p.sent - p.received;
        return lost;
    }
    const Histogram& Latency() const { return latency_; }
    long SlowDrops() const { return slowDrops_; }
    long JunkCuts() const { return junkCuts_; }
    long PosReplies() const { return posReplies_; }

  private:
    bool Connect(std::size_t i) {
        Peer& p = peers_[i];
        p.fd = Dial(relay_.port, p.role == Role::Slow ? 8192 : 0);
        p.reassembler.Reset();
        if (p.fd < 0) return false;
        if (p.role != Role::Slow) {
            epoll_event ev{};
            ev.events = EPOLLIN;
            ev.data.u32 = static_cast<uint32_t>(i);
            ::epoll_ctl(epoll_, EPOLL_CTL_ADD, p.fd, &ev);
        }
        // A workstation announces what it shows as soon as it connects.
        if (p.role != Role::Junk) SendAll(p.fd, filter_.data(), filter_.size());
        return true;
    }

    void Reconnect(std::size_t i) {
        ::close(peers_[i].fd);  // leaves the epoll set with it
        Connect(i);
    }

    bool Complete() const {
        for (const Peer& p : peers_)
            if (p.role == Role::Workstation && p.received < Sent() - p.sent) return false;
        return true;
    }

    void OnFrame(Peer& p, const uint8_t* f, std::size_t n, Clock::time_point now) {
        long seq = frames_.Read(f, n);
        if (seq < 0) {
            if (p.role == Role::Slow) ++posReplies_;
            return;
        }
        if (p.role != Role::Workstation) return;
        ++p.received;
        if (seq < Sent())
            latency_.Add(std::chrono::duration<double, std::micro>(
                             now - sentAt_[static_cast<std::size_t>(seq)])
                             .count());
    }

    // Reads every socket that is ready; `Drain` serves workstations and the
    // junk peer (which reads, so the idle time-out is what cuts it).
    void Drain(int timeoutMs) {
        epoll_event events[kWorkstations + 1];
        int n = ::epoll_wait(epoll_, events, kWorkstations + 1, timeoutMs);
        for (int k = 0; k < n; ++k) {
            std::size_t i = events[k].data.u32;
            Peer& p = peers_[i];
            for (;;) {
                ssize_t got = ::recv(p.fd, buffer_.data(), buffer_.size(), 0);
                if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                    if (p.role == Role::Junk) {
                        ++junkCuts_;
                        Reconnect(i);
                    } else {
                        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, p.fd, nullptr);
                    }
                    break;
                }
                if (got < 0) break;
                if (p.role == Role::Junk) continue;
                const auto now = Clock::now();
                p.reassembler.Feed(
                    buffer_.data(), static_cast<std::size_t>(got),
                    [&](const uint8_t* f, std::size_t size) {
                        OnFrame(p, f, size, now);
                        return true;
                    },
                    [](std::size_t) {});
            }
        }
    }

    void TickSlowReaders() {
        for (std::size_t i = kWorkstations; i < kWorkstations + kSlowReaders; ++i) {
            Peer& p = peers_[i];
            SendAll(p.fd, posRequest_.data(), posRequest_.size());
            ssize_t got = ::recv(p.fd, buffer_.data(), kSlowReadBytes, 0);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                ++slowDrops_;
                Reconnect(i);
                continue;
            }
            if (got > 0)
                p.reassembler.Feed(
                    buffer_.data(), static_cast<std::size_t>(got),
                    [&](const uint8_t* f, std::size_t n) {
                        OnFrame(p, f, n, Clock::now());
                        return true;
                    },
                    [](std::size_t) {});
        }
    }

    // Random bytes, empty frames, unparsable packets and the start of an
    // overlong frame, in turns.
    void TickJunk() {
        Peer& p = peers_.back();
        Bytes junk;
        switch (junkTurn_++ % 4) {
            case 0:
                for (int i = 0; i < kJunkBytesPerTick; ++i)
                    junk.push_back(static_cast<uint8_t>(random_()));
                break;
            case 1:
                for (int i = 0; i < kJunkBytesPerTick / 2; ++i) {
                    junk.push_back(kFrameStart);
                    junk.push_back(kFrameEnd);
                }
                break;
            case 2:
                while (junk.size() < static_cast<std::size_t>(kJunkBytesPerTick)) {
                    Bytes bad = FrameText("<VARGRP id=\"kivp\"><VAR id=\"type\">");
                    junk.insert(junk.end(), bad.begin(), bad.end());
                }
                break;
            default:
                junk.push_back(kFrameStart);
                junk.resize(static_cast<std::size_t>(kJunkBytesPerTick), 'j');
        }
        SendAll(p.fd, junk.data(), junk.size());
    }

    Relay& relay_;
    int epoll_ = -1;
    std::vector<Peer> peers_;
    NumberedFrames frames_;
    Bytes filter_, posRequest_;
    std::vector<Clock::time_point> sentAt_;
    Histogram latency_;
    std::array<uint8_t, 256 * 1024> buffer_{};
    std::minstd_rand random_{7};
    int junkTurn_ = 0;
    long slowDrops_ = 0, junkCuts_ = 0, posReplies_ = 0;
    double sendSeconds_ = 0;
};

void BM_RelaySoak(benchmark::State& state) {
    BenchTempDir dir("kivsoak");
    const std::string log = dir.Path() + "/kivserver.log";
    Relay relay;
    if (!relay.Start({"--log", log})) {
        state.SkipWithError("kivserver did not start");
        return;
    }
    Soak soak(relay);
    if (!soak.Open()) {
        state.SkipWithError("cannot connect the peers");
        return;
    }
    for (auto _ : state)
        soak.Run(g_seconds);
    const double peak = relay.MemoryMB("VmHWM:");
    const double during = relay.MemoryMB("VmRSS:");
    state.counters["relay_cpu_s"] = relay.CpuSeconds();
    // The machine's load: on a shared computer the times mean little when high.
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    state.counters["load_1min"] = load;
    soak.CloseHostile();
    ::usleep(1000000);  // the relay notices, frees and trims
    state.counters["seconds"] = soak.SendSeconds();
    state.counters["sent"] = static_cast<double>(soak.Sent());
    state.counters["in_per_s"] = static_cast<double>(soak.Sent()) / soak.SendSeconds();
    state.counters["lost"] = static_cast<double>(soak.Lost());
    state.counters["p50_ms"] = soak.Latency().PercentileMs(0.50);
    state.counters["p99_ms"] = soak.Latency().PercentileMs(0.99);
    state.counters["peak_mb"] = peak;
    state.counters["rss_end_mb"] = during;
    state.counters["rss_after_mb"] = relay.MemoryMB("VmRSS:");
    state.counters["slow_drops"] = static_cast<double>(soak.SlowDrops());
    state.counters["pos_replies"] = static_cast<double>(soak.PosReplies());
    state.counters["junk_cuts"] = static_cast<double>(soak.JunkCuts());
    std::error_code ec;
    state.counters["log_kb"] = static_cast<double>(std::filesystem::file_size(log, ec)) / 1024.0;
    if (std::getenv("KIVSOAK_SHOWLOG") != nullptr) {
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            if (line.find("closed") != std::string::npos)
                std::fprintf(stderr, "%s\n", line.c_str());
    }
    // The figures on their own line too: a failed run still shows them.
    for (const auto& [name, counter] : state.counters)
        std::fprintf(stderr, "%s=%g ", name.c_str(), static_cast<double>(counter));
    std::fprintf(stderr, "\n");
    if (soak.Lost() != 0) state.SkipWithError("packets lost to a workstation that reads");
}
BENCHMARK(BM_RelaySoak)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Our own option first; the rest goes to the benchmark library.
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--soak-seconds=", 15) == 0) {
            g_seconds = std::max(1, std::atoi(argv[i] + 15));
            continue;
        }
        rest.push_back(argv[i]);
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    if (benchmark::ReportUnrecognizedArguments(n, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
