#include "geo/ui/DegrEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QValidator>

#include "geo/PositionEntry.h"

namespace geo {

namespace {

// Which characters a kind lets in at all, before the text is judged whole.
bool CharacterAllowed(CDegrEdit::Kind kind, QChar c)
{
    c = c.toUpper();
    if (c.isDigit() || c == '-')
        return true;
    switch (kind) {
    case CDegrEdit::Kind::Deviation: return c == '.' || c == 'E' || c == 'W';
    case CDegrEdit::Kind::SignedDecimal: return c == '.';
    case CDegrEdit::Kind::ZoneTime: return false;   // whole hours: digits and '-' only
    }
    return false;
}

class CDegreeValidator : public QValidator {
public:
    CDegreeValidator(CDegrEdit::Kind kind, QString& message, QObject* parent)
        : QValidator(parent), m_kind(kind), m_message(message)
    { }

    State validate(QString& input, int&) const override
    {
        // A comma typed as the decimal mark (a decimal-comma keyboard) is the
        // point: refused, the digits after it would run on and 12,5 read as 125.
        if (m_kind != CDegrEdit::Kind::ZoneTime)
            input.replace(QLatin1Char(','), QLatin1Char('.'));
        for (const QChar c : input)
            if (!CharacterAllowed(m_kind, c)) {
                m_message = m_kind == CDegrEdit::Kind::ZoneTime
                                ? tr("Zone time is a whole number of hours")
                                : tr("Only digits, a point and a sign go here");
                return Invalid;
            }
        const std::string text = input.toStdString();
        const std::optional<std::string> bad =
            m_kind == CDegrEdit::Kind::ZoneTime
                ? geo::CheckZoneTime(text)
                : geo::CheckDegreeText(text, m_kind == CDegrEdit::Kind::Deviation);
        if (bad) {
            m_message = QString::fromStdString(*bad);
            return Invalid;
        }
        // A lone sign or point is a number being typed.
        if (input.isEmpty() || input == "-" || input == "." || input == "-.")
            return Intermediate;
        return Acceptable;
    }

private:
    CDegrEdit::Kind m_kind;
    QString& m_message;
};

}   // namespace

void CDegrEdit::keyPressEvent(QKeyEvent* event)
{
    // A deviation's E or W is its side: typed anywhere, it goes to the end of
    // the number, in place of the side letter already there.
    const QString typed = event->text().toUpper();
    if (m_kind == Kind::Deviation && !isReadOnly() && (typed == "E" || typed == "W") &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QString number = text();
        if (number.endsWith('E', Qt::CaseInsensitive) || number.endsWith('W', Qt::CaseInsensitive))
            number.chop(1);
        const QString placed = number + typed;   // the side letter upper-cased
        if (const auto bad = geo::CheckDegreeText(placed.toStdString(), true)) {
            m_message = QString::fromStdString(*bad);
            QApplication::beep();
            emit refused(m_message);
            return;
        }
        if (placed != text()) {
            setText(placed);
            emit textEdited(placed);
        }
        setCursorPosition(static_cast<int>(placed.size()));
        return;
    }
    QLineEdit::keyPressEvent(event);
}

CDegrEdit::CDegrEdit(Kind kind, QWidget* parent) : QLineEdit(parent), m_kind(kind)
{
    setValidator(new CDegreeValidator(kind, m_message, this));
    connect(this, &QLineEdit::inputRejected, this, [this] {
        QApplication::beep();
        emit refused(m_message);
    });
    connect(this, &QLineEdit::textChanged, this, [this] { m_message.clear(); });
}

}   // namespace geo
