#pragma once
// The disclaimer accepted at every start, and the base of the chart-format
// disclaimers that a chart service shows before its charts first open.

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;

namespace app {

// Modal; the only button accepts. Closing it any other way (Escape, the close
// box) is a refusal and the program ends.
class CBVDisclaimerDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CBVDisclaimerDlg(QWidget* parent = nullptr);
    static QString LiabilityText();
};

// Modeless "I agree" / "I do not agree". A refusal clears the caller's flag;
// acceptance leaves it as the caller set it.
class CDisclaimerDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDisclaimerDlg(QWidget* parent = nullptr);
    void SetResultFlag(bool* accepted) { m_accepted = accepted; }
    // Builds the window's texts (FillTexts first), then shows it.
    void Open();
    void accept() override;
    void reject() override;

protected:
    // Derived disclaimers set m_editText and m_staticText here.
    virtual void FillTexts() { }

    QString m_editText;
    QString m_staticText;

private:
    bool* m_accepted = nullptr;
    QPlainTextEdit* m_edit;
    QLabel* m_static;
};

}   // namespace app
