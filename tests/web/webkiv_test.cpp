// The SOAP calls to the web booking service, against the simulator on
// loopback: what goes over the wire, how answers are read, and how each
// kind of failure ends the call.
#include "messaging/webkiv.h"

#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <chrono>

#include "platform/eventloop.h"
#include "websim/websimulator.h"

namespace {

using websim::Fault;

constexpr const char* kHead =
    R"(<?xml version="1.0" encoding="utf-8"?>)"
    R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/")"
    R"( xmlns:soapenc="http://schemas.xmlsoap.org/soap/encoding/" xmlns:tns="urn:WebServiceServer")"
    R"( xmlns:types="urn:WebServiceServer/encodedTypes")"
    R"( xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance")"
    R"( xmlns:xsd="http://www.w3.org/2001/XMLSchema">)"
    R"(<soap:Body soap:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">)";
constexpr const char* kTail = "</soap:Body></soap:Envelope>";

const DateTime kDay = DateTime::Date(2026, 3, 7);

class WebKIVTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim.SetAccount({1001, "kiv&desk", "p<w>"});
        sim.SetShopDefault("HBR", R"({"Period":[]})");
        std::string error;
        ASSERT_TRUE(sim.Start("127.0.0.1", 0, error)) << error;
    }
    WebKIVSettings Settings(int timeoutMs = 5000) const {
        WebKIVSettings s;
        s.url = sim.Url();
        s.merchantID = 1001;
        s.loginID = "kiv&desk";
        s.password = "p<w>";
        s.timeoutMs = timeoutMs;
        return s;
    }

    websim::WebBookingSimulator sim;
    EventLoop loop;
};

TEST_F(WebKIVTest, EveryCallSendsItsEnvelopeAndHeaders) {
    WebKIV web(Settings(), &loop);
    const std::string session = web.LoginWebKIV();
    ASSERT_FALSE(session.empty()) << web.FailureText();
    EXPECT_EQ(web.GetDateConfigWebKIV("HBR", kDay), R"({"Period":[]})");
    EXPECT_EQ(web.SetDateConfigWebKIV("HBR", kDay, R"({"Period":[],"note":"a<b & \"c\""})"), "1");
    EXPECT_TRUE(web.LogoutWebKIV());
    EXPECT_FALSE(web.Connected());

    const std::string s = "<sessionID xsi:type=\"xsd:string\">" + session +
                          "</sessionID><interfaceType xsi:type=\"xsd:string\">KIV</interfaceType>";
    const std::string shop =
        R"(<merchantID xsi:type="xsd:int">1001</merchantID><shopCode xsi:type="xsd:string">HBR</shopCode>)"
        R"(<date xsi:type="xsd:string">2026-03-07</date>)";
    const std::pair<std::string, std::string> expected[] = {
        {"\"urn:WebServiceServer#Login\"",
         std::string(kHead) +
             R"(<tns:Login><interfaceType xsi:type="xsd:string">KIV</interfaceType>)"
             R"(<merchantID xsi:type="xsd:int">1001</merchantID>)"
             R"(<username xsi:type="xsd:string">kiv&amp;desk</username>)"
             R"(<password xsi:type="xsd:string">p&lt;w&gt;</password></tns:Login>)" +
             kTail},
        {"\"urn:WebServiceServer#GetDateConfig\"",
         std::string(kHead) + "<tns:GetDateConfig>" + s + shop +
             R"(<wantLang xsi:type="xsd:string">en</wantLang></tns:GetDateConfig>)" + kTail},
        {"\"urn:WebServiceServer#SetDateConfig\"",
         std::string(kHead) + "<tns:SetDateConfig>" + s + shop +
             R"(<dateConfig xsi:type="xsd:string">{&quot;Period&quot;:[],&quot;note&quot;:)"
             R"(&quot;a&lt;b &amp; \&quot;c\&quot;&quot;}</dateConfig></tns:SetDateConfig>)" +
             kTail},
        {"\"urn:WebServiceServer#Logout\"",
         std::string(kHead) + "<tns:Logout>" + s + "</tns:Logout>" + kTail},
    };
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(requests[i].path, "/WebServiceServer");
        EXPECT_EQ(requests[i].contentType, "text/xml; charset=utf-8");
        EXPECT_EQ(requests[i].soapAction, expected[i].first);
        EXPECT_EQ(requests[i].body, expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(sim.DateConfig("HBR", "2026-03-07"), R"({"Period":[],"note":"a<b & \"c\""})");
    EXPECT_EQ(sim.OpenSessions(), 0u);
}

TEST(SoapAnswerTest, TheReturnIsTheLastChildOfTheResponseElement) {
    const std::string env =
        R"(<?xml version="1.0"?><S:Envelope xmlns:S="http://schemas.xmlsoap.org/soap/envelope/"><S:Body>)";
    const struct {
        std::string body;
        SoapAnswer::Kind kind;
        std::string value;
    } cases[] = {
        {"<r:LoginResponse xmlns:r='x'><code>0</code><sid>AB 12</sid></r:LoginResponse>",
         SoapAnswer::kReturn, "AB 12"},
        {"<LoginResponse><a>1</a><b><![CDATA[{\"x\":1}]]></b>\n</LoginResponse>",
         SoapAnswer::kReturn, "{\"x\":1}"},
        {"<LoginResponse/>", SoapAnswer::kReturn, ""},
        {"<S:Fault><faultcode>S:Server</faultcode><faultstring>Down &amp; out</faultstring>"
         "</S:Fault>",
         SoapAnswer::kFault, "Down & out"},
        {"<S:Fault><faultcode>S:Client</faultcode></S:Fault>", SoapAnswer::kFault, "S:Client"},
        {"", SoapAnswer::kNotSoap, ""},
    };
    for (const auto& c : cases) {
        const SoapAnswer a = ReadSoapAnswer(env + c.body + "</S:Body></S:Envelope>");
        EXPECT_EQ(a.kind, c.kind) << c.body;
        EXPECT_EQ(a.value, c.value) << c.body;
    }
    EXPECT_EQ(ReadSoapAnswer("<html><body>x</body></html>").kind, SoapAnswer::kNotSoap);
    EXPECT_EQ(ReadSoapAnswer("not xml at all").kind, SoapAnswer::kNotSoap);
    // The log line carries the whole document's text.
    EXPECT_EQ(ReadSoapAnswer(env + "<R><a>0</a><b>S1</b></R></S:Body></S:Envelope>").text, "0S1");
}

TEST(WebUpdateTest, OnlyAClearYesCountsAsSuccess) {
    for (const char* yes : {"1", "true", " OK ", "Success"})
        EXPECT_TRUE(WebUpdateSucceeded(yes)) << yes;
    for (const char* no : {"", "0", "false", "fail", "10", "error: 1"})
        EXPECT_FALSE(WebUpdateSucceeded(no)) << no;
}

TEST_F(WebKIVTest, FailuresAreReportedOnceWithoutRetry) {
    const struct {
        const char* op;
        Fault fault;
        WebKIV::Failure expected;
        const char* text;
    } cases[] = {
        {"Login", Fault::kHttpError, WebKIV::Failure::kHttpStatus,
         "The web booking service answered with HTTP status: 503"},
        {"Login", Fault::kSoapFault, WebKIV::Failure::kSoapFault,
         "The web booking service reported a fault: Simulated failure of Login"},
        {"Login", Fault::kNotSoap, WebKIV::Failure::kNotSoap,
         "The web booking service sent an answer that is not a SOAP message"},
        {"Login", Fault::kEmpty, WebKIV::Failure::kRefused,
         "The web booking service refused the sign-in"},
        {"GetDateConfig", Fault::kSoapFault, WebKIV::Failure::kSoapFault,
         "The web booking service reported a fault: Simulated failure of GetDateConfig"},
        {"GetDateConfig", Fault::kHttpError, WebKIV::Failure::kHttpStatus,
         "The web booking service answered with HTTP status: 503"},
    };
    for (const auto& c : cases) {
        sim.SetFault("Login", Fault::kNone);
        sim.SetFault("GetDateConfig", Fault::kNone);
        sim.SetFault(c.op, c.fault);
        sim.ClearRequests();
        WebKIV web(Settings(), &loop);
        const bool login = std::string(c.op) == "Login";
        EXPECT_EQ(web.LoginWebKIV().empty(), login);
        if (!login) {
            EXPECT_EQ(web.GetDateConfigWebKIV("HBR", kDay), "");
        }
        EXPECT_EQ(web.LastFailure(), c.expected) << c.op << " " << c.text;
        EXPECT_EQ(web.FailureText(), c.text);
        EXPECT_EQ(web.ErrNumber(), kErrWebService);
        web.LogoutWebKIV();
        std::size_t ofOp = 0;
        for (const auto& r : sim.Requests())
            ofOp += r.soapAction == "\"urn:WebServiceServer#" + std::string(c.op) + "\"";
        EXPECT_EQ(ofOp, 1u) << c.op << " " << c.text;
    }
}

TEST_F(WebKIVTest, AnUnreachableOrSilentServiceEndsTheCallWithinTheTimeOut) {
    // A port that was free a moment ago: nothing listens there.
    int freePort = 0;
    {
        asio::io_context io;
        asio::ip::tcp::acceptor a(io, {asio::ip::make_address("127.0.0.1"), 0});
        freePort = a.local_endpoint().port();
    }
    WebKIVSettings gone = Settings();
    gone.url = "http://127.0.0.1:" + std::to_string(freePort) + "/WebServiceServer";
    WebKIV unreachable(gone, &loop);
    EXPECT_EQ(unreachable.LoginWebKIV(), "");
    EXPECT_EQ(unreachable.LastFailure(), WebKIV::Failure::kUnreachable);
    EXPECT_EQ(
        unreachable.FailureText().rfind("Cannot reach the web booking service: " + gone.url, 0), 0u)
        << unreachable.FailureText();

    WebKIVSettings none = Settings();
    none.url.clear();
    WebKIV unset(none, &loop);
    EXPECT_EQ(unset.LoginWebKIV(), "");
    EXPECT_EQ(unset.LastFailure(), WebKIV::Failure::kNotConfigured);

    // The event loop keeps running while the call waits.
    int ticks = 0;
    loop.AddTimer(20, true, [&ticks] { ++ticks; });
    sim.SetFault("Login", Fault::kSlow, 10000);
    WebKIV slow(Settings(400), &loop);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(slow.LoginWebKIV(), "");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(slow.LastFailure(), WebKIV::Failure::kTimedOut);
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_GT(ticks, 3);
}

}  // namespace
