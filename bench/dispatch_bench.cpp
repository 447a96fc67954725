// A change travelling between workstations: DBResvUpdate on workstation A
// writes a reservation and announces it through a real kivserver; workstation
// B re-reads the row and its current view holds the new value. Ten
// workstations are connected: A and B are hubs of this process (one event
// loop, as in the program), the other eight are sockets a helper thread
// drains. Targets: p50 under 2 ms, p99 under 10 ms.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/viewcommands.h"
#include "benchsupport.h"
#include "core/startup.h"
#include "messaging/kiv.h"
#include "registry/dbconnections.h"
#include "reservations/dbfields.h"
#include "reservations/kivfunc.h"
#include "sql/sqldb.h"
#include "users/signin.h"
#include "venue/outlets.h"
#include "views/businessdate.h"
#include "views/viewset.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWorkstations = 10;
constexpr int kOutlet = 1;
constexpr int kLunch = 12;

BenchInstallation& Install() {
    static BenchInstallation install("ct-dispatch", 10);
    return install;
}

// The workstations that only listen: connected, read and thrown away.
class Listeners {
  public:
    bool Open(int port, int count) {
        for (int i = 0; i < count; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
            fds_.push_back(fd);
        }
        reader_ = std::thread([this] {
            std::vector<pollfd> polls;
            for (int fd : fds_)
                polls.push_back({fd, POLLIN, 0});
            char buf[65536];
            while (!stop_) {
                if (::poll(polls.data(), polls.size(), 50) <= 0) continue;
                for (const pollfd& p : polls)
                    if (p.revents & POLLIN) (void)!::read(p.fd, buf, sizeof buf);
            }
        });
        return true;
    }
    ~Listeners() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        for (int fd : fds_)
            ::close(fd);
    }

  private:
    std::vector<int> fds_;
    std::thread reader_;
    std::atomic<bool> stop_{false};
};

// A signed-in workstation's hub with its views, connected to the relay.
std::unique_ptr<KIV> OpenStation() {
    auto hub = std::make_unique<KIV>();
    hub->KIVConn().Load();
    if (!hub->KIVConn().ConnectAll()) std::abort();
    hub->SetViews(OpenViews(*hub));
    return hub;
}

void BM_ResvUpdateReachesAnotherCurrentView(benchmark::State& state) {
    BenchRelay relay;
    if (!relay.Start({"-q"})) std::abort();
    DefaultSQLDB()->RunSQLNoReturn("UPDATE tbl_ServiceServer SET IPPort = " +
                                   std::to_string(relay.port));
    std::unique_ptr<KIV> a = OpenStation(), b = OpenStation();
    Listeners others;
    if (!others.Open(relay.port, kWorkstations - 2)) std::abort();

    Outlets outlets;
    outlets.Load(*DefaultSQLDB());
    const DateTime today =
        BusinessDate(outlets.GetOutletByID(kOutlet)->GetMPOutlets(), DateTime::Now());
    ViewSet& views = *b->Views();
    if (!views.Open(ViewKind::kCurrent, kOutlet, kLunch, today)) std::abort();
    ViewSet& own = *a->Views();
    own.Open(ViewKind::kCurrent, kOutlet, kLunch, today);
    // Every workstation is known to the relay before measuring.
    MainLoop().PumpUntil([] { return false; }, 300);

    Reservations& list = views.Current().FullResvs();
    if (list.Count() == 0) std::abort();
    Reservation resv;
    resv.CopyFrom(*list.ItemAt(0));
    const int32_t id = resv.ReserveID();
    int cover = 0;
    bool seen = false;
    views.Events().CVFullResvUpdate = [&](const Reservations& l) {
        const Reservation* r = l.Item(id);
        seen = r != nullptr && r->GetFieldLong("ReserveCover") == cover;
    };

    std::vector<double> ms;
    for (auto _ : state) {
        cover = 2 + static_cast<int>(ms.size() % 6);
        seen = false;
        DBFields fields;
        fields.Add("ReserveCover", Variant(cover), false);
        PacketList packets;
        const auto t0 = Clock::now();
        if (!a->Func().DBResvUpdate(resv, fields, packets, true)) std::abort();
        if (!MainLoop().PumpUntil([&] { return seen; }, 2000, 1)) std::abort();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = ms.back();
    state.counters["listed"] = static_cast<double>(list.Count());
}
BENCHMARK(BM_ResvUpdateReachesAnotherCurrentView)->Iterations(500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("COMPUTERNAME", "BENCH", 1);
    if (!InitSetting({}, Install().Root()) || !InitGlobalObj()) return 1;
    SignIn signIn;
    if (!signIn.CheckLogin("admin", "admin123", 2)) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
