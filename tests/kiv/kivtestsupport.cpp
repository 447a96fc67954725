#include "kiv/kivtestsupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>

#include "messaging/framing.h"
#include "messaging/packetmaker.h"
#include "platform/eventloop.h"
#include "sql/recordset.h"
#include "support/process_run.h"

extern char** environ;

namespace {

// Reads one line from `fd` within `ms`.
std::string ReadLineFrom(int fd, int ms) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char c;
        if (::read(fd, &c, 1) != 1) break;
        if (c == '\n') return line;
        line += c;
    }
    return line;
}

}  // namespace

KivServerProcess::KivServerProcess(std::vector<std::string> args, int port)
    : args_(std::move(args)) {
    Start(port);
}

KivServerProcess::~KivServerProcess() {
    if (pid_ > 0) Reap(SIGTERM);
}

bool KivServerProcess::Start(int port) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    std::vector<std::string> store{ProgramPath("kivserver"),   "--port",
                                   std::to_string(port),       "--log",
                                   dir_.File("kivserver.log"), "-v"};
    store.insert(store.end(), args_.begin(), args_.end());
    std::vector<char*> argv;
    for (auto& a : store)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, store[0].c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        return false;
    }
    pid_ = pid;
    std::string line = ReadLineFrom(out[0], 5000);
    ::close(out[0]);
    auto colon = line.rfind(':');
    port_ = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    return port_ > 0;
}

void KivServerProcess::Reap(int signal) {
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

void KivServerProcess::Kill() {
    if (pid_ > 0) Reap(SIGKILL);
}

bool KivServerProcess::Restart() {
    if (pid_ > 0) Reap(SIGTERM);
    return Start(port_);
}

std::string KivServerProcess::Log() const {
    return ReadTextFile(dir_.File("kivserver.log"));
}

int KivServerProcess::CountLog(const std::string& text) const {
    std::istringstream in(Log());
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.find(text) != std::string::npos;
    return n;
}

bool PumpFor(const std::function<bool()>& done, int ms) {
    return MainLoop().PumpUntil(done, ms, 2);
}

std::unique_ptr<KIVServer> MakeKIVServer(int id, int port, const std::string& code) {
    Recordset rs(FieldList({"ServiceID", "RowStatus", "ServiceCode", "NameL1", "IPAddress",
                            "IPPort", "ClientConnectIP"}),
                 {{Variant(id), Variant("A"), Variant(code), Variant("Relay " + code),
                   Variant("127.0.0.1"), Variant(port), Variant("127.0.0.1")}});
    auto server = std::make_unique<KIVServer>();
    server->AddFromRS(&rs);
    return server;
}

RawPeer::~RawPeer() {
    Close();
    if (listenFd_ >= 0) ::close(listenFd_);
}

void RawPeer::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool RawPeer::Connect(int port, int receiveBuffer) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

int RawPeer::Listen() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
        ::listen(listenFd_, 4) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 0;
    return ntohs(a.sin_port);
}

bool RawPeer::Accept() {
    Close();
    fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    return fd_ >= 0;
}

bool RawPeer::Send(const Bytes& bytes) {
    std::size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n <= 0) return false;
        off += static_cast<std::size_t>(n);
    }
    return true;
}

std::string RawPeer::ReadPacket(int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto end = std::find(pending_.begin(), pending_.end(), kFrameEnd);
        if (end != pending_.end()) {
            std::size_t used = static_cast<std::size_t>(end - pending_.begin()) + 1;
            std::string text;
            FrameReassembler r;
            r.Feed(
                pending_.data(), used,
                [&](const uint8_t* f, std::size_t n) {
                    text = DecodePayload(f + 1, n - 2);
                    return true;
                },
                [](std::size_t) {});
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(used));
            if (!text.empty()) return text;
            continue;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return {};
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) return {};
        uint8_t buf[65536];
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) return {};
        pending_.insert(pending_.end(), buf, buf + n);
    }
}

bool RawPeer::WaitClosed(int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        uint8_t buf[65536];
        if (::recv(fd_, buf, sizeof buf, 0) <= 0) return true;
    }
}

std::string DataChangePacket(const std::vector<int>& fieldIDs, const std::string& module) {
    PacketMaker maker;
    PacketItem filter = PacketMaker::CreateFilter(1, "2024-05-01", 2);
    PacketItems items;
    for (int id : fieldIDs)
        items.push_back(
            PacketMaker::CreateDataChangeMsg(1, module, 2, "tbl_reservation", "reserveid", id));
    return maker.MakeDataChangePkt("2", &filter, items);
}

std::string PosRequestPacket(const std::string& type) {
    PacketMaker maker;
    PacketItem item = PacketMaker::CreatePOSCheckEnquriy("H01", "HBR", "A1", "E7", "POS1");
    item[0].second = type;
    return maker.MakePOSRequestPkt({item});
}

std::string TableEnquiryPacket(int tables) {
    PacketMaker maker;
    PacketItems items;
    for (int i = 1; i <= tables; ++i)
        items.push_back({{"type", "table_enquiry"},
                         {"account", "HBR"},
                         {"outlet", "HBR1"},
                         {"poscode", "POS1"},
                         {"table", "T" + std::to_string(i)}});
    return maker.MakePOSRequestPkt(items);
}
