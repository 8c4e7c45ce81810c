#include "app/Module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Registry.h"
#include "platform/SettingsStore.h"

namespace {

struct Home : CSettingsHome {
    mutable platform::CSettingsStore store{"/nonexistent/never-saved.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

using Log = std::vector<std::string>;

// A module that records each framework call, keeps one value of its own and
// owns sub-modules the way the navigator owns its instruments.
class FakeModule : public CModeModule {
public:
    FakeModule(CSettingsHome& home, Log& log, std::string name, bool initOk = true)
        : CModeModule(home), m_log(log), m_initOk(initOk)
    {
        SetModuleName(std::move(name));
    }
    FakeModule& AddSub(std::string_view word)
    {
        auto sub = std::make_unique<FakeModule>(Settings(), m_log, SubModuleName(word));
        FakeModule& ref = *sub;
        EXPECT_TRUE(m_subs.Add(std::move(sub)));
        return ref;
    }
    bool Initialise() override { return Record("init"), m_initOk; }
    bool Terminate() override
    {
        Record("term");
        m_subs.TerminateAll();
        return true;
    }
    void LoadSettings() override
    {
        Record("load");
        CRegistry reg(Settings().GetStore());
        if (OpenSettings(reg, false))
            reg.ReadString("Owner", m_loaded);
        m_subs.LoadSettings();
    }
    void SaveSettings() override
    {
        Record("save");
        CRegistry reg(Settings().GetStore());
        if (OpenSettings(reg, true))
            reg.WriteString("Owner", GetModuleName());
        m_subs.SaveSettings();
    }
    std::string m_loaded;

private:
    void Record(const char* what) { m_log.push_back(std::string(what) + " " + GetModuleName()); }
    Log& m_log;
    bool m_initOk;
    CModuleList m_subs;
};

}  // namespace

TEST(Module, TreeOfModulesKeepsSettingsUnderNestedKeysInFrameOrder)
{
    Home home;
    Log log;
    CModuleList frame;
    for (const char* name : {"Chart", "Chartpoint", "Route", "Vessel", "Navigator", ""}) {
        auto m = std::make_unique<FakeModule>(home, log, name);
        if (std::string_view(name) == "Route")
            m->AddSub("Plan");
        if (std::string_view(name) == "Navigator") {
            m->AddSub("GPS");
            m->AddSub("TenderTracking");
        }
        ASSERT_TRUE(frame.Add(std::move(m)));
    }
    // A module whose initialisation fails is not kept.
    EXPECT_FALSE(frame.Add(std::make_unique<FakeModule>(home, log, "Broken", false)));
    ASSERT_EQ(frame.size(), 6u);

    log.clear();
    frame.SaveSettings();
    EXPECT_EQ(log, (Log{"save Chart", "save Chartpoint", "save Route", "save Route\\Plan", "save Vessel",
                        "save Navigator", "save Navigator\\GPS", "save Navigator\\TenderTracking", "save "}));
    const std::string k = "Software\\Quorwick\\Brinevane\\Default";
    for (const char* name : {"Chart", "Route\\Plan", "Navigator\\GPS", "Navigator\\TenderTracking"})
        EXPECT_EQ(home.store.GetString(k + "\\" + name, "Owner"), name);
    EXPECT_EQ(home.store.GetString(k, "Owner"), "");   // the nameless (tidal) module writes at the workspace key
    EXPECT_EQ(home.store.SubKeys(k + "\\Navigator"), (std::vector<std::string>{"GPS", "TenderTracking"}));

    log.clear();
    frame.LoadSettings();
    EXPECT_EQ(log.front(), "load Chart");
    EXPECT_EQ(log.back(), "load ");
    EXPECT_EQ(static_cast<FakeModule*>(frame[4])->m_loaded, "Navigator");

    log.clear();
    frame.TerminateAll();
    EXPECT_EQ(log, (Log{"term ", "term Navigator", "term Navigator\\TenderTracking", "term Navigator\\GPS",
                        "term Vessel", "term Route", "term Route\\Plan", "term Chartpoint", "term Chart"}));
    EXPECT_EQ(frame.size(), 0u);
}

TEST(Module, BaseModuleSucceedsAndStoresNothing)
{
    Home home;
    CModeModule plain(home);
    EXPECT_TRUE(plain.Initialise());
    EXPECT_TRUE(plain.CheckAvailability());
    EXPECT_TRUE(plain.OnTimer());
    plain.SaveSettings();
    plain.LoadSettings();
    EXPECT_TRUE(plain.Terminate());
    EXPECT_FALSE(home.store.KeyExists("Software"));
    EXPECT_EQ(plain.GetSettingsKey("OverlayProperties"), "Software\\Quorwick\\Brinevane\\Default\\OverlayProperties");
}
