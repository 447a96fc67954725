#pragma once
// frmMessager: the workstation's socket elements, one per KIV server, on the
// single-threaded event loop. It frames and escapes outgoing packets,
// reassembles incoming ones, and reports arrivals, closes and errors as
// events. Waits (connect) pump the loop, so packets keep arriving meanwhile.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "platform/eventloop.h"
#include "platform/textcodec.h"

class frmMessager : public ErrorState {
  public:
    using MessageArrivalHandler = std::function<void(int index, const Bytes& payload)>;
    using SocketErrorHandler =
        std::function<void(int index, int32_t number, const std::string& description,
                           int32_t statusCode, const std::string& source)>;

    explicit frmMessager(EventLoop& loop = MainLoop());
    ~frmMessager();
    frmMessager(const frmMessager&) = delete;
    frmMessager& operator=(const frmMessager&) = delete;

    // A new, closed socket element; its index (1, 2, ...).
    int NewConnection();
    // Connects element `index` to host:port, pumping the loop until the
    // connection stands, fails, or `timeoutMs` passes.
    bool Connect(const std::string& host, int port, int index, int timeoutMs,
                 const std::string& user, const std::string& password);
    // Closes an element (no event is raised for a close we asked for).
    void Disconnect(int index);
    void DisConnectAll();
    // Frames `text` and writes it; false (9004) when the element is not
    // connected, the write fails, or the frame is over kMaxFrameBytes.
    bool SendMessage(int index, const std::string& text);
    // Writes 0x01 + `escaped` + 0x04.
    bool SendData(int index, const Bytes& escaped);

    static Bytes Encode(const Bytes& raw);
    static Bytes EncodeStr(const std::string& text);
    static Bytes Decode(const Bytes& escaped);
    static std::string DecodeToStr(const Bytes& escaped);

    // The address element `index` connects to; "" for an unknown index.
    std::string GetIP(int index) const;
    bool Login(const std::string& user, const std::string& password);
    bool IsConnected(int index) const;
    int UBound() const { return elements_.empty() ? 0 : elements_.rbegin()->first; }

    void OnMessageArrival(MessageArrivalHandler handler) { messageArrival_ = std::move(handler); }
    void OnSocketError(SocketErrorHandler handler) { socketError_ = std::move(handler); }

  private:
    struct Element;
    using ElementPtr = std::shared_ptr<Element>;

    ElementPtr Find(int index) const;
    void Close(Element& e);
    void StartRead(const ElementPtr& e);
    void StartWrite(const ElementPtr& e);
    void HandleRead(const ElementPtr& e, uint64_t generation, const std::error_code& ec,
                    std::size_t size);
    // A frame came in; false when the element was closed or reset meanwhile.
    bool Deliver(const ElementPtr& e, uint64_t generation, const uint8_t* frame, std::size_t size);
    void Fail(const ElementPtr& e, const std::error_code& ec);

    EventLoop& loop_;
    std::map<int, ElementPtr> elements_;
    MessageArrivalHandler messageArrival_;
    SocketErrorHandler socketError_;
};
