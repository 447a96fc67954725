#include "messaging/frmmessager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/config.h"
#include "core/globals.h"
#include "kiv/kivtestsupport.h"
#include "messaging/framing.h"
#include "support/tempdir.h"

namespace {

// A messenger connected to a raw peer that plays the server byte by byte.
class MessengerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseInstallRoot(dir.Path(), 1);
        port = peer.Listen();
        ASSERT_GT(port, 0);
        index = messenger.NewConnection();
        messenger.OnMessageArrival([this](int i, const Bytes& payload) {
            EXPECT_EQ(i, index);
            received.push_back(Utf16LEToUtf8(payload));
        });
        messenger.OnSocketError([this](int i, int32_t, const std::string& description, int32_t,
                                       const std::string& source) {
            errors.push_back(std::to_string(i) + ":" + description + ":" + source);
        });
        ASSERT_TRUE(messenger.Connect("127.0.0.1", port, index, 2000, "", ""));
        ASSERT_TRUE(peer.Accept());
    }
    void TearDown() override { g_oConfig.reset(); }

    std::string DayLog() const {
        std::string all;
        for (const auto& f : std::filesystem::recursive_directory_iterator(dir.Path()))
            if (f.path().extension() == ".log") all += ReadTextFile(f.path());
        return all;
    }

    TempDir dir;
    RawPeer peer;
    int port = 0;
    frmMessager messenger;
    int index = 0;
    std::vector<std::string> received;
    std::vector<std::string> errors;
};

TEST_F(MessengerTest, SplitReadsJunkAndOversizeAreHandledOnTheSocket) {
    Bytes one = FrameText("first"), two = FrameText("second");
    // One packet in two reads: nothing before its 0x04 arrives.
    ASSERT_TRUE(peer.Send(Bytes(one.begin(), one.begin() + 5)));
    PumpFor([] { return false; }, 50);
    EXPECT_TRUE(received.empty());
    ASSERT_TRUE(peer.Send(Bytes(one.begin() + 5, one.end())));
    ASSERT_TRUE(PumpFor([&] { return received.size() == 1; }));
    // Junk, then two packets in one write.
    const std::string junk = "garbage\x04";
    Bytes burst(junk.begin(), junk.end());
    burst.insert(burst.end(), two.begin(), two.end());
    burst.insert(burst.end(), one.begin(), one.end());
    ASSERT_TRUE(peer.Send(burst));
    ASSERT_TRUE(PumpFor([&] { return received.size() == 3; }));
    // Too large: dropped and logged; the next packet still arrives.
    ASSERT_TRUE(peer.Send(FrameText(std::string(kMaxFrameBytes / 2, 'z'))));
    ASSERT_TRUE(peer.Send(two));
    ASSERT_TRUE(PumpFor([&] { return received.size() == 4; }));
    EXPECT_EQ(received, (std::vector<std::string>{"first", "second", "first", "second"}));
    EXPECT_NE(DayLog().find("[frmMessager:sckClient_DataArrival]:0:,Message too large 1048578"),
              std::string::npos);
}

TEST_F(MessengerTest, AMessageOverTheLimitIsRefusedAndNothingIsWritten) {
    const std::string huge(kMaxFrameBytes / 2, 'h');  // 1 MiB + 2 bytes framed
    EXPECT_FALSE(messenger.SendMessage(index, huge));
    EXPECT_EQ(messenger.ErrNumber(), kErrSendFail);
    EXPECT_EQ(messenger.ErrDescription(), "frmMessager:SendData:Message too large 1048578");
    // One byte less fits.
    const std::string fits((kMaxFrameBytes - 2) / 2, 'f');
    ASSERT_TRUE(messenger.SendMessage(index, fits));
    ASSERT_TRUE(messenger.SendMessage(index, "next"));
    // The peer reads on its own thread while the loop writes the rest.
    std::atomic<bool> done{false};
    std::vector<std::string> got;
    std::thread reader([&] {
        got.push_back(peer.ReadPacket(5000));
        got.push_back(peer.ReadPacket(5000));
        done = true;
    });
    PumpFor([&] { return done.load(); }, 10000);
    reader.join();
    EXPECT_EQ(got, (std::vector<std::string>{fits, "next"}));
}

TEST_F(MessengerTest, OutgoingPacketsAreFramedAndEscaped) {
    const std::string text = "<VAR id=\"x\">\x01\x02\x04%</VAR>";
    ASSERT_TRUE(messenger.SendMessage(index, text));
    EXPECT_EQ(peer.ReadPacket(), text);
}

TEST_F(MessengerTest, PeerCloseRaisesTheEventAndLaterSendsFail) {
    peer.Close();
    ASSERT_TRUE(PumpFor([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], std::to_string(index) + ":Connection close:sckClient");
    EXPECT_FALSE(messenger.IsConnected(index));
    EXPECT_FALSE(messenger.SendMessage(index, "<x/>"));
    EXPECT_EQ(messenger.ErrNumber(), kErrSendFail);
    EXPECT_EQ(messenger.ErrDescription(), "frmMessager:SendData:SendData fail");
    // A close we ask for raises nothing.
    ASSERT_TRUE(messenger.Connect("127.0.0.1", port, index, 2000, "", ""));
    messenger.DisConnectAll();
    PumpFor([] { return false; }, 50);
    EXPECT_EQ(errors.size(), 1u);
}

TEST(MessengerConnectTest, UnknownElementsAndRefusedConnectionsFailAtOnce) {
    frmMessager messenger;
    EXPECT_FALSE(messenger.Connect("127.0.0.1", 1, 3, 1000, "", ""));
    EXPECT_EQ(messenger.ErrNumber(), kErrItemNotFound);
    EXPECT_EQ(messenger.ErrDescription(), "frmMessager:Connect:Item not found");
    int index = messenger.NewConnection();
    EXPECT_EQ(index, 1);
    EXPECT_EQ(messenger.NewConnection(), 2);
    int port = 0;
    {
        RawPeer gone;
        port = gone.Listen();
    }  // nothing listens there any more
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(messenger.Connect("127.0.0.1", port, index, 5000, "", ""));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(messenger.SendMessage(index, "<x/>"));
    EXPECT_EQ(messenger.GetIP(index), "127.0.0.1");
}

}  // namespace
