#pragma once
// A plain degree field: typed characters are filtered by class (digits,
// '.', '-', E and W as the kind allows) and the text must stay a number of
// its kind: a compass deviation ("3.5W"), a signed decimal ("-2.5") or a
// zone time in whole hours (-11 to +12); a comma typed as the decimal mark
// becomes the point. A deviation's E or W, typed
// anywhere, becomes the number's last character. A refused key or paste
// keeps the previous text and beeps.

#include <QLineEdit>

namespace geo {

class CDegrEdit : public QLineEdit {
    Q_OBJECT
public:
    enum class Kind { Deviation, SignedDecimal, ZoneTime };
    explicit CDegrEdit(Kind kind, QWidget* parent = nullptr);
    Kind GetKind() const { return m_kind; }
    // The last refusal's message.
    QString LastMessage() const { return m_message; }

signals:
    void refused(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Kind m_kind;
    QString m_message;
};

}   // namespace geo
