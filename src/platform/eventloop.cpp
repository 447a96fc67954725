#include "platform/eventloop.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>

struct EventLoop::Timer {
    explicit Timer(asio::io_context& io) : timer(io) {}
    asio::steady_timer timer;
    int intervalMs = 0;
    bool repeat = false;
    std::function<void()> fn;
};

EventLoop::EventLoop() = default;

EventLoop::~EventLoop() {
    for (auto& [id, t] : timers_)
        t->timer.cancel();
    timers_.clear();
}

void EventLoop::Post(std::function<void()> fn) {
    asio::post(io_, std::move(fn));
}

EventLoop::TimerId EventLoop::AddTimer(int intervalMs, bool repeat, std::function<void()> fn) {
    auto t = std::make_shared<Timer>(io_);
    t->intervalMs = intervalMs < 0 ? 0 : intervalMs;
    t->repeat = repeat;
    t->fn = std::move(fn);
    TimerId id = nextId_++;
    timers_[id] = t;
    Arm(id);
    return id;
}

void EventLoop::Arm(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    std::shared_ptr<Timer> t = it->second;
    t->timer.expires_after(std::chrono::milliseconds(t->intervalMs));
    t->timer.async_wait([this, id, t](const std::error_code& ec) {
        if (ec || timers_.find(id) == timers_.end()) return;
        if (t->repeat) {
            Arm(id);
        } else {
            timers_.erase(id);
        }
        t->fn();
    });
}

void EventLoop::CancelTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->timer.cancel();
    timers_.erase(it);
}

std::size_t EventLoop::Poll() {
    if (io_.stopped()) io_.restart();
    return io_.poll();
}

void EventLoop::RunFor(int ms) {
    if (io_.stopped()) io_.restart();
    io_.run_for(std::chrono::milliseconds(ms));
}

bool EventLoop::PumpUntil(const std::function<bool()>& done, int timeoutMs, int stepMs) {
    auto start = std::chrono::steady_clock::now();
    struct Depth {
        int& n;
        explicit Depth(int& c) : n(c) { ++n; }
        ~Depth() { --n; }
    } depth(waiting_);
    for (;;) {
        if (done()) return true;
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
        if (elapsed > timeoutMs) return done();
        // Keep the loop from returning at once when no handler is pending.
        asio::steady_timer tick(io_, std::chrono::milliseconds(stepMs));
        tick.async_wait([](const std::error_code&) {});
        if (io_.stopped()) io_.restart();
        io_.run_one_for(std::chrono::milliseconds(stepMs));
        io_.poll();
        if (waitHook_) waitHook_();
    }
}

void EventLoop::Run() {
    if (io_.stopped()) io_.restart();
    auto guard = asio::make_work_guard(io_);
    io_.run();
}

void EventLoop::Stop() {
    io_.stop();
}

EventLoop& MainLoop() {
    static EventLoop loop;
    return loop;
}
