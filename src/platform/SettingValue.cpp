#include "platform/SettingsStore.h"

namespace platform {

SettingValue SettingValue::FromString(std::string_view text)
{
    return {static_cast<std::uint32_t>(SettingType::String), std::string(text)};
}

SettingValue SettingValue::FromDword(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return {static_cast<std::uint32_t>(SettingType::Dword), bytes};
}

SettingValue SettingValue::FromBinary(std::string_view bytes)
{
    return {static_cast<std::uint32_t>(SettingType::Binary), std::string(bytes)};
}

}   // namespace platform
