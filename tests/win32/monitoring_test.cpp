// The event log, PDH, HTTP and signature bindings, as the system answers them.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

constexpr std::u16string_view kPlanChangeQuery =
    u"<QueryList><Query Id = \"0\"><Select Path = 'System'>*[EventData[Data[@Name='NewSchemeGuid']]]</Select>"
    u"</Query></QueryList>";

TEST(Win32EventLog, AQueryAnswersEntriesOrTheSystemsErrorWithoutCrashing) {
    win32::Win32EventLog log;
    std::vector<std::u16string> entries;
    const uint32_t result = log.QueryNewest(u"System", kPlanChangeQuery, 5, entries);
    if (wintest::RunningUnderWine()) {
        EXPECT_NE(result, 0u);  // Wine's event log has no entries to give
        EXPECT_TRUE(entries.empty());
    } else if (result == 0) {
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries[0].rfind(u"<Event xmlns=", 0), 0u);
    }
    EXPECT_EQ(log.QueryNewest(u"System", kPlanChangeQuery, 0, entries), 0u);
}

TEST(Win32PerfCounters, ProcessorInformationCountersAreReadOrRefusedWithoutCrashing) {
    win32::Win32PerfCounters counters;
    PerfCounters::Query query = 0;
    if (!counters.OpenQuery(query)) GTEST_SKIP() << "no PDH query";
    PerfCounters::Counter parking = 0, performance = 0;
    const bool haveParking = counters.AddEnglishCounter(query, u"\\Processor Information(0,0)\\Parking Status", parking);
    const bool havePerformance =
        counters.AddEnglishCounter(query, u"\\Processor Information(*)\\% Processor Performance", performance);
    counters.Collect(query);
    counters.Collect(query);
    int32_t value = -1;
    std::vector<RawCounterItem> raw;
    if (wintest::RunningUnderWine()) {
        // Wine refuses these counters, and its array functions would end the process: they are not called.
        EXPECT_FALSE(haveParking && counters.ReadLong(parking, value));
        EXPECT_FALSE(counters.ReadRawArray(havePerformance ? performance : 0, raw));
    } else {
        if (haveParking) {
            EXPECT_TRUE(counters.ReadLong(parking, value));
        }
        if (havePerformance) {
            EXPECT_TRUE(counters.ReadRawArray(performance, raw));
        }
    }
    EXPECT_FALSE(counters.ReadLong(0, value));
    counters.CloseQuery(query);
}

// A one-request HTTP server on the loopback address: it answers with `status`
// and `body` and keeps the request's head.
class LoopbackServer {
public:
    LoopbackServer(int status, std::string body) {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        thread_ = std::thread([this, status, body] {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int n = recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            const std::string answer = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
                                       "\r\nContent-Length: " + std::to_string(body.size()) +
                                       "\r\nConnection: close\r\n\r\n" + body;
            send(client, answer.data(), static_cast<int>(answer.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        });
    }
    ~LoopbackServer() {
        Finish();
        WSACleanup();
    }
    // Waits until the request was answered (or nobody came).
    void Finish() {
        if (listener_ != INVALID_SOCKET) {
            closesocket(listener_);
            listener_ = INVALID_SOCKET;
        }
        if (thread_.joinable()) thread_.join();
    }
    std::u16string Url(std::u16string_view path) const { return u"http://127.0.0.1:" + ToDecimal(uint32_t(port)) + std::u16string(path); }

    uint16_t port = 0;
    std::string request;

private:
    SOCKET listener_ = INVALID_SOCKET;
    std::thread thread_;
};

TEST(Win32Http, ReadsTheBodyWithTheUserAgentAndRefusesOtherStatuses) {
    win32::Win32Http http;
    std::string body;
    {
        LoopbackServer server(200, "6.0.3.0\r\n");
        ASSERT_TRUE(http.Get(server.Url(u"/versioninfo/quellora/?ProductName=Quellora"), u"Quellora/6.0.2.18 (Windows, 10.0.1)",
                             1000, body));
        EXPECT_EQ(body, "6.0.3.0\r\n");
    }
    {
        LoopbackServer server(200, std::string(5000, 'x'));
        EXPECT_FALSE(http.Get(server.Url(u"/big"), u"ostrima", 4096, body));  // larger than asked for
        EXPECT_TRUE(body.empty());
    }
    {
        LoopbackServer server(404, "missing");
        EXPECT_FALSE(http.Get(server.Url(u"/none"), u"ostrima", 1000, body));
    }
    {
        LoopbackServer server(200, "x");
        http.Get(server.Url(u"/agent"), u"ostrima", 1000, body);
        server.Finish();
        EXPECT_NE(server.request.find("User-Agent: ostrima"), std::string::npos) << server.request;
    }
}

TEST(Win32Signatures, AnUnsignedFileIsNotTrustedAndErrorsHaveTexts) {
    wintest::ScratchFolder folder;
    const std::u16string path = folder / u"unsigned.exe";
    ASSERT_TRUE(WriteFileAtomic(path, std::string(20000, 'x')));
    win32::Win32Signatures signatures;
    SignerInfo signer;
    EXPECT_NE(signatures.Verify(path, true, signer), 0u);
    EXPECT_TRUE(signer.name.empty());
    EXPECT_NE(signatures.Verify(folder / u"missing.exe", false, signer), 0u);
    EXPECT_FALSE(signatures.ErrorText(2).empty());
    const std::u16string text = signatures.ErrorText(2);
    EXPECT_NE(text.back(), u'\n');
    EXPECT_TRUE(signatures.ErrorText(0xA0B50001).empty());
}

}  // namespace
}  // namespace quellora
