// OEM conversions of program text.
#include "app/StringUtils.h"
#include "platform/CodePage.h"

namespace app {

std::string AnsiToOem(std::string_view text)
{
    return platform::Utf8ToCp437(text);
}

std::string OemToAnsi(std::string_view bytes)
{
    return platform::Cp437ToUtf8(bytes);
}

}   // namespace app
