#pragma once
// A text field with spin arrows: Up and Down, the wheel or the two arrow
// buttons call the spin function, which rewrites the text by its page
// model's step rule. The text itself stays free to type (a comma typed as
// the decimal mark goes in as the point); the page's check decides whether
// it holds.

#include <QLineEdit>
#include <functional>

namespace app {

class CSpinEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSpinEdit(const char* objectName, QWidget* parent = nullptr);
    // Gets the text, returns the next one.
    void SetSpin(std::function<QString(const QString&, bool up)> spin) { m_spin = std::move(spin); }
    void Spin(bool up);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::function<QString(const QString&, bool)> m_spin;
};

}   // namespace app
