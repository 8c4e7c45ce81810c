#include "nmea/InstrumentConfig.h"

#include "app/Registry.h"

namespace nmea {

void CInstrumentConfig::SetTalkers(TalkerList talkers)
{
    std::lock_guard lock(m_lock);
    m_talkers = std::move(talkers);
}

void CInstrumentConfig::SetSentences(SentenceList sentences)
{
    std::lock_guard lock(m_lock);
    m_sentences = std::move(sentences);
}

TalkerList CInstrumentConfig::GetTalkers() const
{
    std::lock_guard lock(m_lock);
    return m_talkers;
}

SentenceList CInstrumentConfig::GetSentences() const
{
    std::lock_guard lock(m_lock);
    return m_sentences;
}

bool CInstrumentConfig::SetSentenceEnabled(std::string_view id, bool enabled)
{
    std::lock_guard lock(m_lock);
    for (NMEASentenceEntry& entry : m_sentences)
        if (entry.id == id) {
            entry.enabled = enabled;
            return true;
        }
    return false;
}

bool CInstrumentConfig::AcceptTalker(std::string_view line) const
{
    std::lock_guard lock(m_lock);
    return CNMEADevice::AcceptTalker(line, m_talkers);
}

bool CInstrumentConfig::IsSentenceEnabled(std::string_view line) const
{
    std::lock_guard lock(m_lock);
    return CNMEADevice::IsSentenceEnabled(line, m_sentences);
}

void CInstrumentConfig::LoadSentenceFlags(const app::CRegistry& registry)
{
    std::lock_guard lock(m_lock);
    for (NMEASentenceEntry& entry : m_sentences) {
        std::string text;
        if (!registry.ReadString(entry.id, text))
            continue;
        if (text == "True")
            entry.enabled = true;
        else if (text == "False")
            entry.enabled = false;
    }
}

void CInstrumentConfig::SaveSentenceFlags(app::CRegistry& registry) const
{
    std::lock_guard lock(m_lock);
    for (const NMEASentenceEntry& entry : m_sentences)
        registry.WriteString(entry.id, entry.enabled ? "True" : "False");
}

}   // namespace nmea
