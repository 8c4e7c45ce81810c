#pragma once
// A QComboBox showing a shared CComboEntries list: a toolbar's drop-down or
// a dialog's list. The owner adds it to the list and removes it before the
// box goes.

#include "app/ComboEntries.h"

class QComboBox;

namespace app {

class CComboBoxCopy final : public CComboCopy {
public:
    explicit CComboBoxCopy(QComboBox* box) : m_box(box) { }
    void Reset() override;
    void Insert(int index, const std::string& text) override;
    void Remove(int index) override;
    void Select(int index) override;
    void SetRedraw(bool on) override;

private:
    QComboBox* m_box;
};

}   // namespace app
