#pragma once
// The System Information window (Ctrl+Alt+Shift+V): the operating system,
// the libraries the program has loaded and its memory, and the files in use.

#include <QDialog>

namespace shell {

class CSystemInfoDlg : public QDialog {
    Q_OBJECT
public:
    // Two pages: "Operating System" and "Files In Use".
    CSystemInfoDlg(const QString& operatingSystem, const QString& filesInUse,
                   QWidget* parent = nullptr);
};

}   // namespace shell
