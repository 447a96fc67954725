#pragma once
// Drives the workstation's Asio event loop from the Qt event loop: a short
// timer runs whatever socket and timer handlers are ready, on the one thread
// that owns every object. No second thread ever touches the views.
#include <QTimer>

class EventLoop;

class EventPump {
  public:
    // Polls `loop` every `intervalMs` while the Qt loop runs.
    explicit EventPump(EventLoop& loop, int intervalMs = 5);
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

  private:
    QTimer timer_;
};
