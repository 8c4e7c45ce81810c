#include "app/Module.h"

#include <gtest/gtest.h>

#include "../support/TempFolder.h"
#include "app/Registry.h"

namespace {

const std::string kWorkspace = "Software\\Quorwick\\Brinevane\\Default";

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return kWorkspace; }
};

using Log = std::vector<std::string>;

// Records each framework call, keeps one value, and owns sub-modules the way
// the navigator owns its instruments.
class FakeModule : public app::CModeModule {
public:
    FakeModule(app::CSettingsHome& home, Log& log, std::string name,
               std::vector<std::string_view> subs = {}, bool initOk = true)
        : app::CModeModule(home), m_log(log), m_initOk(initOk)
    {
        SetModuleName(std::move(name));
        for (std::string_view word : subs)
            m_subs.Add(std::make_unique<FakeModule>(home, log, SubModuleName(word)));
    }
    bool Initialise() override { return Record("init"), m_initOk; }
    bool Terminate() override { return Record("term"), m_subs.TerminateAll(), true; }
    void LoadSettings() override
    {
        Record("load");
        app::CRegistry reg(Settings().GetStore());
        if (OpenSettings(reg, false))
            reg.ReadString("Owner", m_loaded);
        m_subs.LoadSettings();
    }
    void SaveSettings() override
    {
        Record("save");
        app::CRegistry reg(Settings().GetStore());
        if (OpenSettings(reg, true))
            reg.WriteString("Owner", GetModuleName());
        m_subs.SaveSettings();
    }
    std::string m_loaded = "not loaded";

private:
    void Record(const char* what) { m_log.push_back(std::string(what) + " " + GetModuleName()); }
    Log& m_log;
    bool m_initOk;
    app::CModuleList m_subs;
};

}   // namespace

TEST(Module, TreeOfModulesKeepsSettingsUnderNestedKeysInFrameOrder)
{
    Home home;
    Log log;
    app::CModuleList frame;
    // The frame's modules in creation order; the tidal module has no name of its own.
    frame.Add(std::make_unique<FakeModule>(home, log, "Chart"));
    frame.Add(std::make_unique<FakeModule>(home, log, "Chartpoint"));
    frame.Add(
        std::make_unique<FakeModule>(home, log, "Route", std::vector<std::string_view>{"Plan"}));
    frame.Add(std::make_unique<FakeModule>(home, log, "Vessel"));
    frame.Add(std::make_unique<FakeModule>(home, log, "Navigator",
                                           std::vector<std::string_view>{"GPS", "Wind"}));
    frame.Add(std::make_unique<FakeModule>(home, log, ""));
    EXPECT_FALSE(frame.Add(
        std::make_unique<FakeModule>(home, log, "Broken", std::vector<std::string_view>{}, false)));
    ASSERT_EQ(frame.size(), 6u);

    log.clear();
    frame.SaveSettings();
    EXPECT_EQ(log,
              (Log{"save Chart", "save Chartpoint", "save Route", "save Route\\Plan", "save Vessel",
                   "save Navigator", "save Navigator\\GPS", "save Navigator\\Wind", "save "}));
    for (const char* name : {"Chart", "Route\\Plan", "Navigator\\GPS", "Navigator\\Wind"})
        EXPECT_EQ(home.store.GetString(kWorkspace + "\\" + name, "Owner"), name);
    EXPECT_EQ(home.store.GetString(kWorkspace, "Owner"), "");
    EXPECT_EQ(home.store.SubKeys(kWorkspace + "\\Navigator"),
              (std::vector<std::string>{"GPS", "Wind"}));

    log.clear();
    frame.LoadSettings();
    EXPECT_EQ(log.size(), 9u);
    EXPECT_EQ(static_cast<FakeModule*>(frame[4])->m_loaded, "Navigator");

    log.clear();
    frame.TerminateAll();
    EXPECT_EQ(log, (Log{"term ", "term Navigator", "term Navigator\\Wind", "term Navigator\\GPS",
                        "term Vessel", "term Route", "term Route\\Plan", "term Chartpoint",
                        "term Chart"}));
    EXPECT_EQ(frame.size(), 0u);
}
