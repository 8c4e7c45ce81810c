#include "app/ui/ComboBoxCopy.h"

#include <QComboBox>

namespace app {

void CComboBoxCopy::Reset()
{
    m_box->clear();
}

void CComboBoxCopy::Insert(int index, const std::string& text)
{
    m_box->insertItem(index, QString::fromStdString(text));
}

void CComboBoxCopy::Remove(int index)
{
    m_box->removeItem(index);
}

void CComboBoxCopy::Select(int index)
{
    m_box->setCurrentIndex(index);
}

void CComboBoxCopy::SetRedraw(bool on)
{
    m_box->setUpdatesEnabled(on);
    if (on)
        m_box->update();
}

}   // namespace app
