#pragma once
// Helpers of the connection tests: a real kivserver process, a raw TCP peer,
// KIV server records made in code, and waits that pump the main loop.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "messaging/kivserver.h"
#include "platform/textcodec.h"
#include "support/tempdir.h"

// A kivserver started with `args`; its log goes to a file in a temporary
// folder. Port 0 lets the server pick one; the port it reports is kept, so
// Restart comes back on the same one.
class KivServerProcess {
  public:
    explicit KivServerProcess(std::vector<std::string> args = {}, int port = 0);
    ~KivServerProcess();
    KivServerProcess(const KivServerProcess&) = delete;
    KivServerProcess& operator=(const KivServerProcess&) = delete;

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    int Port() const { return port_; }
    std::string Log() const;
    // Log lines containing `text`.
    int CountLog(const std::string& text) const;
    void Kill();  // SIGKILL, as a crash
    bool Restart();

  private:
    bool Start(int port);
    void Reap(int signal);

    std::vector<std::string> args_;
    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// Pumps the main loop until `done` or `ms` pass.
bool PumpFor(const std::function<bool()>& done, int ms = 5000);

// A KIV server record for service `id` at 127.0.0.1:port, read from a
// one-row recordset as Load reads tbl_ServiceServer.
std::unique_ptr<KIVServer> MakeKIVServer(int id, int port, const std::string& code = "KIV");

// A blocking loopback peer for byte-exact tests.
class RawPeer {
  public:
    RawPeer() = default;
    ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    // `receiveBuffer` > 0 shrinks the socket's receive buffer first, so a
    // peer that does not read makes the server queue almost at once.
    bool Connect(int port, int receiveBuffer = 0);
    // Listens on a free loopback port (returned); Accept takes one connection.
    int Listen();
    bool Accept();
    bool Send(const Bytes& bytes);
    bool Send(const std::string& bytes) { return Send(Bytes(bytes.begin(), bytes.end())); }
    // The next complete frame's text within `ms`; "" when none came.
    std::string ReadPacket(int ms = 3000);
    // True when the other side closes the connection within `ms` (whatever
    // arrives meanwhile is discarded).
    bool WaitClosed(int ms);
    void Close();

  private:
    int listenFd_ = -1;
    int fd_ = -1;
    Bytes pending_;
};

// A DATACHANGE packet of tbl_reservation rows, one per field id.
std::string DataChangePacket(const std::vector<int>& fieldIDs,
                             const std::string& module = "RESERVATION");
// A POSREQUEST packet with one request of `type`.
std::string PosRequestPacket(const std::string& type);
// The table enquiry of an outlet with `tables` tables: one POSREQUEST with a
// "table_enquiry" request per table.
std::string TableEnquiryPacket(int tables);
