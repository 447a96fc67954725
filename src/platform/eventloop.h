#pragma once
// The single-threaded event loop: timers and socket events run as handlers on
// one asio::io_context. Waits that the documentation describes as polling
// (socket connect, POS reply) pump this loop in short steps, so packets keep
// being handled while a caller waits.
#include <asio/io_context.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

class EventLoop {
  public:
    using TimerId = uint64_t;

    EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;
    ~EventLoop();

    asio::io_context& Context() { return io_; }

    void Post(std::function<void()> fn);

    // Calls `fn` every `intervalMs` (or once when `repeat` is false).
    TimerId AddTimer(int intervalMs, bool repeat, std::function<void()> fn);
    void CancelTimer(TimerId id);

    // Runs the handlers that are ready now; returns how many ran.
    std::size_t Poll();

    // Runs handlers for up to `ms` milliseconds.
    void RunFor(int ms);

    // Pumps the loop until `done` is true or `timeoutMs` has passed; true when
    // `done` became true.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs, int stepMs = 5);

    // Called once per step while PumpUntil waits (a window keeps painting
    // during a POS reply); nullptr for none.
    void SetWaitHook(std::function<void()> hook) { waitHook_ = std::move(hook); }
    // Whether a PumpUntil wait is running (a poller outside it must not
    // re-enter the loop).
    bool Waiting() const { return waiting_ > 0; }

    // Runs until Stop().
    void Run();
    void Stop();

  private:
    struct Timer;
    void Arm(TimerId id);

    asio::io_context io_;
    std::map<TimerId, std::shared_ptr<Timer>> timers_;
    TimerId nextId_ = 1;
    std::function<void()> waitHook_;
    int waiting_ = 0;
};

// The process-wide loop of the workstation.
EventLoop& MainLoop();
