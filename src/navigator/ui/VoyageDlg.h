#pragma once
// "Voyage Management": confirms the start or the end of a voyage. Starting
// takes the voyage id and the watch officer (20 characters each); at the end
// they show the running voyage's values and cannot be changed. Texts the log
// cannot hold are refused at OK.

#include <QDialog>

class QLineEdit;

namespace navigator {

class CVoyageDlg final : public QDialog {
    Q_OBJECT
public:
    struct CTexts {
        bool start = true;
        QString folder;
        QString fileName;
        QString voyageId;
        QString watchOfficer;
    };
    explicit CVoyageDlg(const CTexts& texts, QWidget* parent = nullptr);

    QString VoyageId() const;
    QString WatchOfficer() const;
    QLineEdit* VoyageEdit() const { return m_voyage; }
    QLineEdit* OfficerEdit() const { return m_officer; }

    // A voyage ID or watch officer the log cannot hold is refused with the
    // reason, the dialog kept open on that field.
    void accept() override;

private:
    QLineEdit* m_voyage;
    QLineEdit* m_officer;
};

}   // namespace navigator
