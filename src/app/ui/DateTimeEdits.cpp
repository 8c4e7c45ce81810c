#include "app/ui/DateTimeEdits.h"

#include "app/DateTimeEx.h"

#include <QDateTimeEdit>

namespace app {

QString EditFormatOfPicture(const std::string& picture)
{
    std::string format;   // UTF-8: a locale's separators may be beyond ASCII
    bool quoted = false;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        const char c = picture[i];
        if (c == '\'')
            quoted = !quoted;
        if (quoted || c != 't') {
            format += c;
            continue;
        }
        // "t" or "tt": the AM/PM mark; left as it is, the control would read a time zone.
        while (i + 1 < picture.size() && picture[i + 1] == 't')
            ++i;
        format += "AP";
    }
    return QString::fromStdString(format);
}

void UseLocaleDateTime(QDateTimeEdit* edit, bool withoutSeconds)
{
    edit->setDisplayFormat(
        EditFormatOfPicture(CDateTimeEx::GetDateTimeFormat(true, withoutSeconds)));
}

}   // namespace app
