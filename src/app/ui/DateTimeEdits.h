#pragma once
// Date-time edit controls in the user's conventions: the locale's short date
// with a four-digit year, a blank, and the locale's time, as the status bar
// and the lists write dates and times.

#include <string>

#include <QString>

class QDateTimeEdit;

namespace app {

// The edit control's display format for a picture of the locale's
// conventions (yyyy, MM, dd, HH, hh, mm, ss, tt and quoted text): the same
// letters, but the AM/PM mark "tt" becomes the control's "AP".
QString EditFormatOfPicture(const std::string& picture);

// Gives `edit` the locale's short date and time, without the seconds when asked.
void UseLocaleDateTime(QDateTimeEdit* edit, bool withoutSeconds);

}   // namespace app
