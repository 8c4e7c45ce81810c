#pragma once
// "Log Entry": the note of a logbook entry, typed over as many lines as the
// officer needs. A note the log cannot hold is refused at OK with the reason,
// the dialog kept open with the note as typed, to be mended.

#include <QDialog>

class QPlainTextEdit;

namespace navigator {

class CEditNoteDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CEditNoteDlg(QWidget* parent = nullptr);

    QString Note() const;
    QPlainTextEdit* NoteEdit() const { return m_note; }

    void accept() override;

private:
    QPlainTextEdit* m_note;
};

}   // namespace navigator
