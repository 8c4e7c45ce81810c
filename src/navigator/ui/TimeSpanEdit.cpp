#include "navigator/ui/TimeSpanEdit.h"

#include <QLineEdit>

#include "app/TimeSpanText.h"

namespace navigator {

QLineEdit* MakeTimeSpanEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(90);
    edit->setPlaceholderText("00:00:00");
    return edit;
}

void ShowTimeSpan(QLineEdit* edit, long seconds)
{
    edit->setText(QString::fromStdString(app::FormatTimeSpanText(seconds)));
}

std::optional<app::CFieldError> ReadTimeSpan(const QLineEdit* edit, long& seconds)
{
    const app::TimeSpanParse parsed = app::ParseTimeSpanText(edit->text().toStdString());
    if (const auto* message = std::get_if<std::string>(&parsed))
        return app::CFieldError{edit->objectName().toStdString(), *message};
    seconds = std::get<long>(parsed);
    return std::nullopt;
}

}   // namespace navigator
