#include "app/Module.h"

#include "app/Registry.h"

namespace app {

namespace {

ModuleStepObserver& StepObserver()
{
    static ModuleStepObserver observer;
    return observer;
}

}   // namespace

void SetModuleStepObserver(ModuleStepObserver observer)
{
    StepObserver() = std::move(observer);
}

void ReportModuleStep(ModuleStep step, const CModule& module)
{
    if (StepObserver())
        StepObserver()(step, module);
}

std::string CModule::GetSettingsKey(std::string_view subkey) const
{
    std::string key = m_settings->GetRegistryKey();
    // A module without a name of its own (the tidal module) keeps its values
    // straight under the workspace key.
    for (std::string_view part : {std::string_view(m_moduleName), subkey}) {
        if (part.empty())
            continue;
        if (!key.empty() && key.back() != '\\')
            key += '\\';
        key += part;
    }
    return key;
}

bool CModule::OpenSettings(app::CRegistry& registry, bool forWrite, std::string_view subkey) const
{
    const std::string key = GetSettingsKey(subkey);
    return forWrite ? registry.OpenKeyForWrite(key) : registry.OpenKeyForRead(key);
}

std::string CModule::SubModuleName(std::string_view word) const
{
    std::string name = m_moduleName;
    if (!name.empty())
        name += '\\';
    name += word;
    return name;
}

CModuleList::~CModuleList()
{
    // Owners terminate explicitly at shutdown; this only guarantees deletion
    // in reverse order when they did not.
    while (!m_modules.empty())
        m_modules.pop_back();
}

bool CModuleList::Add(std::unique_ptr<CModule> module)
{
    if (!module)
        return false;
    ReportModuleStep(ModuleStep::Created, *module);
    if (!module->Initialise())
        return false;
    ReportModuleStep(ModuleStep::Initialised, *module);
    m_modules.push_back(std::move(module));
    return true;
}

void CModuleList::LoadSettings()
{
    for (auto& m : m_modules) {
        m->LoadSettings();
        ReportModuleStep(ModuleStep::SettingsLoaded, *m);
    }
}

void CModuleList::SaveSettings()
{
    for (auto& m : m_modules) {
        m->SaveSettings();
        ReportModuleStep(ModuleStep::SettingsSaved, *m);
    }
}

void CModuleList::TerminateAll(const std::function<void(CModule&)>& before)
{
    while (!m_modules.empty()) {
        if (before)
            before(*m_modules.back());
        m_modules.back()->Terminate();
        ReportModuleStep(ModuleStep::Terminated, *m_modules.back());
        m_modules.pop_back();
    }
}

}   // namespace app
