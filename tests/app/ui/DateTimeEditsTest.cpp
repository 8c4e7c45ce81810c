// The locale's pictures as date-time edit formats: the AM/PM mark becomes the
// control's own (left as "t" the control would read a time zone), quoted
// text and separators beyond ASCII pass unchanged; an edit in the German
// form shows and reads a plan time.

#include "app/ui/DateTimeEdits.h"

#include <QApplication>
#include <QDateTimeEdit>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

TEST(DateTimeEdits, PicturesBecomeEditFormats)
{
    EXPECT_EQ(app::EditFormatOfPicture("MM/dd/yyyy hh:mm tt"), "MM/dd/yyyy hh:mm AP");
    EXPECT_EQ(app::EditFormatOfPicture("dd.MM.yyyy HH:mm"), "dd.MM.yyyy HH:mm");
    EXPECT_EQ(app::EditFormatOfPicture("h:mm t"), "h:mm AP");
    EXPECT_EQ(app::EditFormatOfPicture("yyyy'\xE5\xB9\xB4'MM'\xE6\x9C\x88'dd'\xE6\x97\xA5' HH'h't"),
              QString::fromUtf8("yyyy'\xE5\xB9\xB4'MM'\xE6\x9C\x88'dd'\xE6\x97\xA5' HH'h'AP"));

    QApplication app(argc, argv);
    QDateTimeEdit edit;
    edit.setDisplayFormat(app::EditFormatOfPicture("dd.MM.yyyy HH:mm"));
    edit.setDateTime(QDateTime(QDate(2026, 12, 9), QTime(19, 53)));
    EXPECT_EQ(edit.text(), "09.12.2026 19:53");
    edit.setDisplayFormat(app::EditFormatOfPicture("MM/dd/yyyy hh:mm tt"));
    EXPECT_EQ(edit.text(), "12/09/2026 07:53 PM");
}

}   // namespace
