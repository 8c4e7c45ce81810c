#include "app/ui/QtPrompt.h"

#include <QApplication>
#include <QMessageBox>

#include <optional>

namespace app {

using platform::PromptAnswer;
using platform::PromptButtons;
using platform::PromptIcon;

namespace {

QMessageBox::StandardButtons ToButtons(PromptButtons b)
{
    switch (b) {
    case PromptButtons::Ok: return QMessageBox::Ok;
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case PromptButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(PromptIcon i)
{
    switch (i) {
    case PromptIcon::Stop: return QMessageBox::Critical;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Closing the box without a button gives the answer that changes least.
PromptAnswer FromButton(int b, PromptButtons buttons)
{
    switch (b) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Retry: return PromptAnswer::Retry;
    case QMessageBox::Abort: return PromptAnswer::Abort;
    case QMessageBox::Ignore: return PromptAnswer::Ignore;
    case QMessageBox::Cancel: return PromptAnswer::Cancel;
    default: break;
    }
    if (buttons == PromptButtons::YesNo)
        return PromptAnswer::No;
    return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

QMessageBox::StandardButton ToButton(PromptAnswer a)
{
    switch (a) {
    case PromptAnswer::Ok: return QMessageBox::Ok;
    case PromptAnswer::Cancel: return QMessageBox::Cancel;
    case PromptAnswer::Yes: return QMessageBox::Yes;
    case PromptAnswer::No: return QMessageBox::No;
    case PromptAnswer::Retry: return QMessageBox::Retry;
    case PromptAnswer::Abort: return QMessageBox::Abort;
    case PromptAnswer::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::NoButton;
}

PromptAnswer Show(QWidget* parent, std::string_view text, std::string_view caption, PromptIcon icon,
                  PromptButtons buttons, std::optional<PromptAnswer> preferred)
{
    QMessageBox box(ToIcon(icon), QString::fromUtf8(caption.data(), qsizetype(caption.size())),
                    QString::fromUtf8(text.data(), qsizetype(text.size())), ToButtons(buttons),
                    parent ? parent : QApplication::activeWindow());
    // Only a button the box shows can be its default.
    if (preferred && (ToButtons(buttons) & ToButton(*preferred)))
        box.setDefaultButton(ToButton(*preferred));
    return FromButton(box.exec(), buttons);
}

}   // namespace

PromptAnswer CQtPrompt::Ask(std::string_view text, std::string_view caption, PromptIcon icon,
                            PromptButtons buttons)
{
    return Show(m_parent, text, caption, icon, buttons, std::nullopt);
}

PromptAnswer CQtPrompt::AskWithDefault(std::string_view text, std::string_view caption,
                                       PromptIcon icon, PromptButtons buttons,
                                       PromptAnswer defaultAnswer)
{
    return Show(m_parent, text, caption, icon, buttons, defaultAnswer);
}

}   // namespace app
