#pragma once
// Small makers and converters the target option pages share: named check
// boxes and span edits, spans to and from times of day, numbers shown with
// fixed decimals and spin edits that step by a rule.

#include <QString>
#include <QTime>

#include <chrono>
#include <optional>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTimeEdit;
class QWidget;
namespace app {
class CSpinEdit;
}

namespace targets {

QCheckBox* MakeCheck(const QString& text, const char* name, QWidget* parent);
// A label of the unit ("nm", "Hrs:Mins") named `name`, set beside `field`
// in the layout returned for a form row; `unit` receives the label.
QHBoxLayout* WithUnit(QWidget* field, const QString& text, const char* name,
                      QLabel** unit = nullptr);
// A span edit in `format` ("H:mm", "H:mm:ss").
QTimeEdit* MakeSpanEdit(const char* name, const char* format, QWidget* parent);
// A spin edit whose arrows step its value by `step`, shown with `places` decimals.
app::CSpinEdit* MakeSteppedEdit(const char* name, double (*step)(double, bool), int places,
                                QWidget* parent);
// A spin edit of a whole number from `least` to `most`: its arrows step by one
// and stop at the ends; at most `digits` characters are typed.
app::CSpinEdit* MakeCountEdit(const char* name, int least, int most, int digits, QWidget* parent);

// A span as a time of day, held to 0:00:00-23:59:59.
QTime TimeOfSpan(std::chrono::seconds span);
std::chrono::seconds SpanOfTime(const QTime& time);
QString FixedText(double value, int places);
// The field's number; a typed comma is the decimal point.
std::optional<double> NumberIn(const QLineEdit* edit);

}   // namespace targets
