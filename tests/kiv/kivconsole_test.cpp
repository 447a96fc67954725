// The console keeps handling socket events while it waits for a command line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "platform/eventloop.h"
#include "platform/userinterface.h"

namespace {

struct Pipe {
    Pipe() { EXPECT_EQ(::pipe(fd), 0); }
    ~Pipe() {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    void Write(const std::string& s) {
        EXPECT_EQ(::write(fd[1], s.data(), s.size()), static_cast<ssize_t>(s.size()));
    }
    int fd[2];
};

TEST(KivConsoleTest, EventsRunWhileALineIsAwaitedAndAQuestionFromOneFitsIn) {
    Pipe input;
    std::istringstream unused;
    std::ostringstream out;
    ConsoleUserInterface console(unused, out, false, input.fd[0]);
    bool answer = false;
    // As a lost connection would: a question while the prompt stands; its
    // answer and the next command arrive together, and the input stays open.
    MainLoop().AddTimer(30, false, [&] {
        input.Write("y\nservers\n");
        answer = console.AskYesNo("Reconnect?", "Connection Fail", false);
    });
    // Should the console wait for more input instead, this unblocks it.
    bool stalled = false;
    auto guard = MainLoop().AddTimer(2000, false, [&] {
        stalled = true;
        input.Write("late\n");
    });
    auto line = console.ReadLine("CulinaroTable> ", false);
    MainLoop().CancelTimer(guard);
    EXPECT_FALSE(stalled);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "servers");
    EXPECT_TRUE(answer);
    EXPECT_EQ(out.str(), "CulinaroTable> \nReconnect? [y/N] y\nCulinaroTable> servers\n");
    input.Write("quit");
    ::close(input.fd[1]);
    input.fd[1] = -1;
    EXPECT_EQ(console.ReadLine("> ", false).value_or("<none>"), "quit");
    EXPECT_FALSE(console.ReadLine("> ", false).has_value());
}

}  // namespace
