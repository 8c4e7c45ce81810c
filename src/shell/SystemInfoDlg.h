#pragma once
// The System Information window (Ctrl+Alt+Shift+V): the operating system,
// the libraries the program has loaded and its memory, and the files in use.

#include <QDialog>

namespace shell {

class CSystemInfoDlg : public QDialog {
    Q_OBJECT
public:
    // `versions` (the program's and its libraries' version texts) gets its
    // own page when given.
    CSystemInfoDlg(const QString& operatingSystem, const QString& filesInUse,
                   QWidget* parent = nullptr, const QString& versions = {});
};

}   // namespace shell
