#include "desk/eventpump.h"

#include "platform/eventloop.h"

EventPump::EventPump(EventLoop& loop, int intervalMs) {
    QObject::connect(&timer_, &QTimer::timeout, [&loop] {
        // During a wait the waiting code pumps the loop itself.
        if (!loop.Waiting()) loop.Poll();
    });
    timer_.start(intervalMs);
}
