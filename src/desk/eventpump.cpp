#include "desk/eventpump.h"

#include "platform/eventloop.h"

EventPump::EventPump(EventLoop& loop, int intervalMs) {
    QObject::connect(&timer_, &QTimer::timeout, [&loop] { loop.Poll(); });
    timer_.start(intervalMs);
}
