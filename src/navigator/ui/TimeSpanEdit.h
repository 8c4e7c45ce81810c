#pragma once
// A time-span field of the navigator's options pages: "hh:mm:ss" typed in a
// line edit, read and shown the same in every locale.

#include <QString>

#include <optional>

#include "app/OptionPages.h"

class QLineEdit;
class QWidget;

namespace navigator {

// The edit, named `name` (the field's name in its page model's errors).
QLineEdit* MakeTimeSpanEdit(const char* name, QWidget* parent);
void ShowTimeSpan(QLineEdit* edit, long seconds);
// The seconds typed into `seconds`, or an error at the field naming the bad part.
std::optional<app::CFieldError> ReadTimeSpan(const QLineEdit* edit, long& seconds);

}   // namespace navigator
