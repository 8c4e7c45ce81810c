#pragma once
// Typed settings over one open key of the settings store.
//
// Every module reads and writes its settings through a CRegistry opened on
// its own key below the current workspace. The typed pairs fix how each kind
// of value is stored, so that files written by one version read back in the
// next:
//   string      String  the text unchanged
//   bool        String  "True" / "False" (read back ignoring case)
//   double      String  shortest text that reads back exactly ("2.5", "3.0", "0.1")
//   long        String  decimal; read back as hexadecimal when the text holds an 'x'
//   DWORD, byte Dword   the value; a byte is widened, and read back as the low byte
//   binary      Binary  the bytes
//   time span   String  CDateTimeSpanEx::Format
//   date-time   String  CDateTimeEx::FormatLong
//   int pair    String  "x,y"
//   colours     String  "Day : rrr ggg bbb, Dusk : rrr ggg bbb, Night : rrr ggg bbb"
//
// A reader leaves its out argument alone and returns false when the value is
// missing, of the wrong type, or (spans, dates) malformed; callers set their
// defaults first. Other texts are read as far as they go, as numbers are: a
// pair or a colour part without a number reads as 0.
// Key paths use backslashes and start at the store's root.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/SettingsStore.h"

namespace app {

class CDateTimeEx;
class CDateTimeSpanEx;

class CRegistry {
public:
    explicit CRegistry(platform::CSettingsStore& store);

    // Creates the key (and any missing levels) when absent, then opens it.
    bool OpenKeyForWrite(std::string_view keyPath);
    // Opens a key that already exists.
    bool OpenKeyForRead(std::string_view keyPath);
    void Close();
    bool IsOpen() const { return m_open; }
    const std::string& GetKeyPath() const { return m_keyPath; }
    platform::CSettingsStore& Store() const { return m_store; }

    bool WriteString(std::string_view name, std::string_view text);
    bool WriteDWord(std::string_view name, std::uint32_t value);
    bool WriteByte(std::string_view name, std::uint8_t value);
    bool WriteBinary(std::string_view name, const std::vector<std::uint8_t>& bytes);
    bool WriteDouble(std::string_view name, double value);
    bool WriteBool(std::string_view name, bool value);
    bool WriteLong(std::string_view name, long value);
    bool WriteTimeSpan(std::string_view name, const CDateTimeSpanEx& span);
    bool WriteDateTime(std::string_view name, const CDateTimeEx& when);
    bool WriteIntPair(std::string_view name, std::pair<int, int> xy);
    // Day, Dusk, Night; each colour red in bits 0-7, green 8-15, blue 16-23.
    bool WritePaletteColours(std::string_view name, const std::array<std::uint32_t, 3>& colours);

    bool ReadString(std::string_view name, std::string& text) const;
    bool ReadDWord(std::string_view name, std::uint32_t& value) const;
    bool ReadByte(std::string_view name, std::uint8_t& value) const;
    bool ReadBinary(std::string_view name, std::vector<std::uint8_t>& bytes) const;
    bool ReadDouble(std::string_view name, double& value) const;
    bool ReadBool(std::string_view name, bool& value) const;
    bool ReadLong(std::string_view name, long& value) const;
    bool ReadTimeSpan(std::string_view name, CDateTimeSpanEx& span) const;
    bool ReadDateTime(std::string_view name, CDateTimeEx& when) const;
    bool ReadIntPair(std::string_view name, std::pair<int, int>& xy) const;
    bool ReadPaletteColours(std::string_view name, std::array<std::uint32_t, 3>& colours) const;

    // Copies the open key, its values (raw bytes with their type codes, so a
    // value of a type this program never writes survives) and all subkeys to
    // `destPath`, merging into what is there. Refuses a destination inside the
    // open key's own tree, which would copy without end.
    bool CopyKeyTree(std::string_view destPath);
    // Copies as above, then deletes the open key's tree and closes this object.
    // True only when both steps succeeded.
    bool MoveKeyTree(std::string_view destPath);
    // Depth first, subkeys before the key's own values, first match wins: a key
    // below `keyPath` holding a string value that matches. With `text` empty a
    // value matches by name; otherwise by text, and by name too when `name` is
    // given; all comparisons ignore case. The key's path goes to `foundPath`.
    bool FindKeyWithValue(std::string_view keyPath, std::string_view name, std::string_view text,
                          std::string& foundPath) const;

private:
    bool ReadText(std::string_view name, std::string& text) const;

    platform::CSettingsStore& m_store;
    std::string m_keyPath;
    bool m_open = false;
};

// Fixed-layout texts, shared by the readers and writers above and by the
// tests that check stored files.
std::string FormatPaletteColours(const std::array<std::uint32_t, 3>& colours);
bool ParsePaletteColours(std::string_view text, std::array<std::uint32_t, 3>& colours);
bool ParseIntPair(std::string_view text, std::pair<int, int>& xy);

}   // namespace app
