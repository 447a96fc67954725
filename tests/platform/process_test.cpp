#include "platform/process.h"

#include <gtest/gtest.h>

#include "platform/eventloop.h"
#include "platform/hostinfo.h"
#include "platform/instancelock.h"
#include "support/tempdir.h"

namespace {

TEST(ShellAndWaitTest, DrainsLargeOutputAndReportsTheExitStatus) {
    int pumps = 0;
    int code = -2;
    // Far more than a pipe holds: the child would block if we stopped reading.
    ASSERT_TRUE(ShellAndWait(
        "head -c 300000 /dev/zero; exit 3", [&] { ++pumps; }, &code));
    EXPECT_EQ(code, 3);
    EXPECT_GT(pumps, 0);
}

TEST(ShellAndWaitTest, QuotedArgumentsReachTheChild) {
    TempDir dir;
    int code = -1;
    ASSERT_TRUE(ShellAndWait("touch \"" + dir.File("a b.txt") + "\"", {}, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadTextFile(dir.File("a b.txt")), "");
    EXPECT_TRUE(ShellAndWait("exit 0", {}, &code));
}

TEST(EventLoopTest, PumpUntilRunsTimersAndTimesOut) {
    EventLoop loop;
    bool fired = false;
    loop.AddTimer(20, false, [&] { fired = true; });
    EXPECT_TRUE(loop.PumpUntil([&] { return fired; }, 2000));
    int ticks = 0;
    auto id = loop.AddTimer(5, true, [&] { ++ticks; });
    EXPECT_FALSE(loop.PumpUntil([] { return false; }, 60));
    loop.CancelTimer(id);
    EXPECT_GE(ticks, 3);
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilReleased) {
    InstanceLock a, b;
    std::string name = "test-" + std::to_string(::getpid());
    ASSERT_TRUE(a.TryAcquire(name));
    EXPECT_FALSE(b.TryAcquire(name));
    a.Release();
    EXPECT_TRUE(b.TryAcquire(name));
}

TEST(HostInfoTest, ComputerNameHonoursTheOverride) {
    ::setenv("COMPUTERNAME", "FRONTDESK1", 1);
    EXPECT_EQ(PlatformComputerName(), "FRONTDESK1");
    ::unsetenv("COMPUTERNAME");
    EXPECT_FALSE(PlatformComputerName().empty());
    auto ips = ResolveIPv4("localhost");
    ASSERT_FALSE(ips.empty());
    EXPECT_EQ(ips[0].rfind("127.", 0), 0u);
}

}  // namespace
