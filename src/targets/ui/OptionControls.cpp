#include "targets/ui/OptionControls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>

#include <algorithm>

#include "app/ui/SpinEdit.h"
#include "platform/LocaleFreeNumbers.h"

namespace targets {

QCheckBox* MakeCheck(const QString& text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QHBoxLayout* WithUnit(QWidget* field, const QString& text, const char* name, QLabel** unit)
{
    auto* label = new QLabel(text, field->parentWidget());
    label->setObjectName(name);
    auto* row = new QHBoxLayout();
    row->addWidget(field);
    row->addWidget(label);
    if (unit != nullptr)
        *unit = label;
    return row;
}

QTimeEdit* MakeSpanEdit(const char* name, const char* format, QWidget* parent)
{
    auto* edit = new QTimeEdit(parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QString::fromLatin1(format));
    return edit;
}

app::CSpinEdit* MakeSteppedEdit(const char* name, double (*step)(double, bool), int places,
                                QWidget* parent)
{
    auto* edit = new app::CSpinEdit(name, parent);
    edit->SetSpin([step, places](const QString& text, bool up) {
        const auto value = platform::ParseDouble(text.trimmed().toStdString());
        return value ? FixedText(step(*value, up), places) : text;
    });
    return edit;
}

app::CSpinEdit* MakeCountEdit(const char* name, int least, int most, int digits, QWidget* parent)
{
    auto* edit = new app::CSpinEdit(name, parent);
    edit->setMaxLength(digits);
    edit->SetSpin([least, most](const QString& text, bool up) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (!ok)
            return text;
        return QString::number(std::clamp(value + (up ? 1 : -1), least, most));
    });
    return edit;
}

QTime TimeOfSpan(std::chrono::seconds span)
{
    const long long clamped = std::clamp<long long>(span.count(), 0, 24 * 3600 - 1);
    return QTime(0, 0).addSecs(static_cast<int>(clamped));
}

std::chrono::seconds SpanOfTime(const QTime& time)
{
    return std::chrono::seconds(QTime(0, 0).secsTo(time));
}

QString FixedText(double value, int places)
{
    return QString::fromStdString(platform::FormatC("%.*f", places, value));
}

std::optional<double> NumberIn(const QLineEdit* edit)
{
    return platform::ParseTypedDecimal(edit->text().trimmed().toStdString());
}

}   // namespace targets
