// The tender settings: defaults, the checks a load applies, and a round trip.
#include "targets/TenderSettings.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "app/DateTimeSpanEx.h"
#include "app/Registry.h"
#include "platform/SettingsStore.h"

using namespace targets;

namespace {

constexpr const char* kKey = "Software\\Test\\Default\\Navigator\\TenderTracking";

struct Stored {
    brine_test::TempFolder dir;
    platform::CSettingsStore store{dir / "settings.conf"};

    CTenderSettings Load()
    {
        app::CRegistry key(store);
        CTenderSettings s;
        if (key.OpenKeyForRead(kKey))
            s.Load(key);
        return s;
    }
    void Write(const std::string& sub, const std::function<void(app::CRegistry&)>& write)
    {
        app::CRegistry key(store);
        ASSERT_TRUE(
            key.OpenKeyForWrite(sub.empty() ? std::string(kKey) : std::string(kKey) + "\\" + sub));
        write(key);
    }
};

}   // namespace

TEST(TenderSettings, Defaults)
{
    const CTenderSettings s;
    EXPECT_EQ(s.codes[0], "02");
    EXPECT_EQ(s.codes[4], "0A");
    EXPECT_EQ(s.codes[16], "22");
    EXPECT_EQ(s.channels[16].name, "Tender 17");
    EXPECT_FALSE(s.channels[0].valid);
    EXPECT_EQ(s.receivePort, 1);
    EXPECT_EQ(s.channelDuration, std::chrono::seconds(3));
    EXPECT_EQ(s.refreshSeconds, 5);
    EXPECT_EQ(s.overlaySize, 2);
    EXPECT_EQ(ChannelLetter(16), "Q");
    EXPECT_EQ(*ChannelCodeByte("0a"), 0x0A);
    EXPECT_FALSE(ChannelCodeByte("0G"));
    EXPECT_FALSE(ChannelCodeByte("A"));
    EXPECT_TRUE(IsTenderSerial("0042"));
    EXPECT_FALSE(IsTenderSerial("42"));
    EXPECT_FALSE(IsTenderSerial("12a4"));
}

TEST(TenderSettings, LoadChecks)
{
    const struct {
        std::uint32_t refresh;
        long duration;
        std::uint32_t size;
        double radius;
        int refreshLoaded;
        long durationLoaded;
        int sizeLoaded;
        double radiusLoaded;
    } rows[] = {
        {0, 0, 3, 0.01, 5, 3, 0, 0.5},
        {61, 31, 7, 6.0, 5, 3, 0, 0.5},
        {60, 30, 1, 0.04, 60, 30, 1, 0.04},
        {1, 1, 0, 5.0, 1, 1, 0, 5.0},
    };
    for (const auto& r : rows) {
        Stored stored;
        stored.Write("", [&](app::CRegistry& key) {
            key.WriteDWord("NMEARefreshTime", r.refresh);
            key.WriteTimeSpan("ChannelDuration", app::CDateTimeSpanEx(r.duration));
            key.WriteDWord("OverlaySize", r.size);
            key.WriteDouble("WarningCirclesRadius", r.radius);
        });
        const CTenderSettings s = stored.Load();
        EXPECT_EQ(s.refreshSeconds, r.refreshLoaded) << r.refresh;
        EXPECT_EQ(s.channelDuration.count(), r.durationLoaded) << r.duration;
        EXPECT_EQ(s.overlaySize, r.sizeLoaded) << r.size;
        EXPECT_DOUBLE_EQ(s.warningCirclesRadius, r.radiusLoaded) << r.radius;
    }
    Stored stored;
    stored.Write("ChannelValues", [](app::CRegistry& key) {
        key.WriteString("A", "0G");
        key.WriteString("B", "7f");
        key.WriteString("C", "123");
    });
    stored.Write("Transceiver\\Tender1", [](app::CRegistry& key) {
        key.WriteString("SerialNumber", "12345");
        key.WriteBool("Valid", true);
    });
    stored.Write("Transceiver\\Tender2", [](app::CRegistry& key) {
        key.WriteString("SerialNumber", "0042");
        key.WriteString("Name", "Rescue");
    });
    stored.Write("Transceiver\\Tender4", [](app::CRegistry& key) {
        key.WriteString("SerialNumber", "123");   // as the options take it
    });
    stored.Write("Transceiver\\Tender5",
                 [](app::CRegistry& key) { key.WriteString("SerialNumber", "12a"); });
    const CTenderSettings s = stored.Load();
    EXPECT_EQ(s.channels[3].serial, "123");
    EXPECT_EQ(s.channels[4].serial, "");
    EXPECT_EQ(s.codes[0], "02");
    EXPECT_EQ(s.codes[1], "7f");
    EXPECT_EQ(s.codes[2], "06");
    EXPECT_EQ(s.channels[0].serial, "");
    EXPECT_TRUE(s.channels[0].valid);
    EXPECT_EQ(s.channels[1].serial, "0042");
    EXPECT_EQ(s.channels[1].name, "Rescue");
    EXPECT_EQ(s.channels[2].name, "Tender 3");
}

TEST(TenderSettings, RoundTrip)
{
    Stored stored;
    CTenderSettings s;
    s.receivePort = 255;
    s.warningCircles = true;
    s.warningCirclesRadius = 0.04;
    s.dangerousInterval = std::chrono::seconds(150);
    s.channelDuration = std::chrono::seconds(7);
    s.sentences[kTenderDBT] = false;
    s.channels[3] = {"Blue boat", true, "0815", false, false};
    s.codes[5] = "3C";
    {
        app::CRegistry key(stored.store);
        ASSERT_TRUE(key.OpenKeyForWrite(kKey));
        s.Save(key);
    }
    const CTenderSettings back = stored.Load();
    EXPECT_EQ(back.receivePort, 255);
    EXPECT_TRUE(back.warningCircles);
    EXPECT_DOUBLE_EQ(back.warningCirclesRadius, 0.04);
    EXPECT_EQ(back.dangerousInterval.count(), 150);
    EXPECT_EQ(back.channelDuration.count(), 7);
    EXPECT_FALSE(back.sentences[kTenderDBT]);
    EXPECT_TRUE(back.sentences[kTenderRMC]);
    EXPECT_EQ(back.channels[3].name, "Blue boat");
    EXPECT_TRUE(back.channels[3].valid);
    EXPECT_EQ(back.channels[3].serial, "0815");
    EXPECT_EQ(back.codes[5], "3C");
}

TEST(TenderSettings, RadiusSpin)
{
    EXPECT_DOUBLE_EQ(StepTenderCircleRadius(1.0, false), 0.98);
    EXPECT_DOUBLE_EQ(StepTenderCircleRadius(1.0, true), 1.1);
    EXPECT_DOUBLE_EQ(StepTenderCircleRadius(0.02, false), 0.02);
    EXPECT_DOUBLE_EQ(StepTenderCircleRadius(5.0, true), 5.0);
}
