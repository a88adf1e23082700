#include "platform/linux/GpsdDevice.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace {

// A listening socket standing in for gpsd, so the backend's handling of what gpsd sends
// can be steered line by line.
class FakeGpsd {
public:
    FakeGpsd() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = std::to_string(ntohs(address.sin_port));
    }
    ~FakeGpsd() {
        Hangup();
        close(listener_);
    }
    const std::string& Port() const { return port_; }
    bool Accept() {
        pollfd waiting{listener_, POLLIN, 0};
        client_ = poll(&waiting, 1, 20000) == 1 ? accept(listener_, nullptr, nullptr) : -1;
        return client_ >= 0;
    }
    void Send(const std::string& lines) {
        ASSERT_EQ(write(client_, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    }
    void Hangup() {
        if (client_ >= 0) {
            close(client_);
            client_ = -1;
        }
    }

private:
    int listener_ = -1;
    int client_ = -1;
    std::string port_;
};

// Polls until the answer satisfies the condition or 20 s have passed; the last answer.
int PollUntil(GpsdDevice& device, GpsPosition& p,
              const std::function<bool(int, const GpsPosition&)>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int result = 0;
    do {
        result = device.GetPosition(p, 120000);
    } while (!done(result, p) && std::chrono::steady_clock::now() < until);
    return result;
}

// Sent after each case: once its one satellite shows, everything before it was read.
const std::string kMarker =
    R"({"class":"SKY","satellites":[{"PRN":99,"el":1,"az":2,"ss":3,"used":false}]})"
    "\n";

bool MarkerSeen(int, const GpsPosition& p) {
    return p.rgdwSatellitesInViewPRNs[0] == 99;
}

struct ReportCase {
    const char* name;
    std::string lines;
    std::uint32_t flags;
};

class GpsdReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(GpsdReportTest, FillsOnlyWhatTheNewestReportVouchesFor) {
    FakeGpsd gpsd;
    GpsdDevice device("127.0.0.1", gpsd.Port());
    ASSERT_EQ(device.Open(), 0);
    ASSERT_TRUE(gpsd.Accept());
    gpsd.Send(GetParam().lines + kMarker);
    GpsPosition p;
    ASSERT_EQ(PollUntil(device, p, MarkerSeen), 0);
    EXPECT_EQ(p.dwValidFields, GetParam().flags | GPS_VALID_SATELLITE_COUNT);
    if ((p.dwValidFields & GPS_VALID_LATITUDE) != 0) {
        EXPECT_EQ(p.dblLatitude, -37.784795);
        EXPECT_EQ(p.dblLongitude, 175.314902);
    }
    if ((p.dwValidFields & GPS_VALID_SPEED) != 0) {
        EXPECT_NEAR(p.flSpeed, 1.943844, 1e-5);  // 1 m/s in knots
    }
    if ((p.dwValidFields & GPS_VALID_UTC_TIME) != 0) {
        EXPECT_EQ(p.stUTCTime.wYear, 2024);
        EXPECT_EQ(p.stUTCTime.wMonth, 2);
        EXPECT_EQ(p.stUTCTime.wDay, 29);
        EXPECT_EQ(p.stUTCTime.wSecond, 59);
    }
}

const std::string kFix3d =
    R"({"class":"TPV","mode":3,"time":"2024-02-29T23:58:59.000Z","lat":-37.784795,)"
    R"("lon":175.314902,"altMSL":59.9,"speed":1.0,"track":181.39})"
    "\n";

INSTANTIATE_TEST_SUITE_P(
    Reports, GpsdReportTest,
    ::testing::Values(
        ReportCase{"Fix3d", kFix3d,
                   GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE | GPS_VALID_ALTITUDE_WRT_SEA_LEVEL |
                       GPS_VALID_SPEED | GPS_VALID_HEADING | GPS_VALID_UTC_TIME},
        ReportCase{"Fix2dHasNoAltitudeAndRolledOverDateIsDropped",
                   R"({"class":"TPV","mode":2,"time":"1999-08-22T00:02:31.420Z",)"
                   R"("lat":-37.784795,"lon":175.314902,"altMSL":59.9})"
                   "\n",
                   GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE},
        ReportCase{"DateYearsAheadIsDropped",
                   R"({"class":"TPV","mode":2,"time":"2134-08-16T03:07:41.000Z",)"
                   R"("lat":-37.784795,"lon":175.314902})"
                   "\n",
                   GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE},
        ReportCase{"FixLostAfterwards", kFix3d + R"({"class":"TPV","mode":1})" + "\n", 0},
        ReportCase{"ModeWithoutCoordinates",
                   R"({"class":"TPV","mode":3,"lon":175.3,"speed":1.0})"
                   "\n",
                   GPS_VALID_SPEED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GpsdDeviceTest, KeepsTwelveSatellitesAndForgetsStaleData) {
    FakeGpsd gpsd;
    GpsdDevice device("127.0.0.1", gpsd.Port());
    ASSERT_EQ(device.Open(), 0);
    ASSERT_TRUE(gpsd.Accept());
    std::string sky = R"({"class":"SKY","satellites":[)";
    for (int prn = 1; prn <= 14; ++prn) {
        sky += (prn > 1 ? "," : "") + std::string(R"({"PRN":)") + std::to_string(prn) +
               R"(,"el":-5,"az":400,"ss":30,"used":true})";
    }
    gpsd.Send(sky + "]}\n");
    GpsPosition p;
    PollUntil(device, p, [](int, const GpsPosition& r) { return r.dwSatellitesInView != 0; });
    EXPECT_EQ(p.dwSatellitesInView, 12U);
    EXPECT_EQ(p.dwSatelliteCount, 12U);
    EXPECT_EQ(p.rgdwSatellitesInViewPRNs[11], 12U);
    EXPECT_EQ(p.rgdwSatellitesInViewElevation[0], 0U);
    EXPECT_EQ(p.rgdwSatellitesInViewAzimuth[0], 359U);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // so the data has some age
    EXPECT_EQ(device.GetPosition(p, 0), 0);
    EXPECT_EQ(p.dwValidFields, 0U);
}

TEST(GpsdDeviceTest, SaysWhenGpsdIsDownOrGoneAndOpeningAgainReconnects) {
    GpsdDevice nobody("127.0.0.1", [] {
        FakeGpsd closed;
        return closed.Port();
    }());
    EXPECT_EQ(nobody.Open(), ECONNREFUSED);

    FakeGpsd gpsd;
    GpsdDevice device("127.0.0.1", gpsd.Port());
    ASSERT_EQ(device.Open(), 0);
    ASSERT_TRUE(gpsd.Accept());
    gpsd.Hangup();
    GpsPosition p;
    EXPECT_EQ(PollUntil(device, p, [](int result, const GpsPosition&) { return result != 0; }),
              ECONNRESET);
    EXPECT_EQ(device.GetPosition(p, 120000), ECONNRESET);
    ASSERT_EQ(device.Open(), 0);
    ASSERT_TRUE(gpsd.Accept());
    gpsd.Send(kMarker);
    EXPECT_EQ(PollUntil(device, p, MarkerSeen), 0);
}

}  // namespace
