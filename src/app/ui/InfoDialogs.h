#pragma once
// The modeless About box and technical support dialog (each exists at most
// once: the frame keeps a QPointer that clears itself when the dialog goes),
// and the progress window of long plan calculations.

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <string>

class QLabel;

namespace app {

// The program's picture (its window icon) on a label of its own, as the
// disclaimer, the About box and the support dialog show it at their left.
QLabel* ProgramPicture(QWidget* parent);

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(QWidget* parent, const QDateTime& buildTime);
};

// The hidden credits window (Ctrl+Alt+Shift+P): the version block's credits.
class CCreditsDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CCreditsDlg(QWidget* parent);
};

class CTechSuppDLG final : public QDialog {
    Q_OBJECT
public:
    // `tell` shows a message to the user: Mail uses it when the desktop has no
    // program to write e-mail.
    explicit CTechSuppDLG(QWidget* parent, std::function<void(const std::string&)> tell = {});
    static QString SupportAddress();
    // "mailto:" and the address shown.
    static QString MailLink();
};

class CWaitDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CWaitDlg(QWidget* parent);
    // Time iteration, leg, course iteration, time step.
    void SetValues(const QString& timeIteration, const QString& leg, const QString& courseIteration,
                   const QString& timeStep);
    QString Value(int index) const;

private:
    QLabel* m_values[4] = {};
};

}   // namespace app
