#include "app/ui/ToolbarComboAction.h"

#include "app/ui/ComboBoxCopy.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QToolBar>

namespace app {

CToolbarComboAction::CToolbarComboAction(CComboEntries& entries, unsigned commandId,
                                         const QString& tip, int width, bool bold, Chosen chosen,
                                         QObject* parent)
    : QWidgetAction(parent), m_entries(&entries), m_width(width), m_bold(bold),
      m_chosen(std::move(chosen))
{
    setData(commandId);
    setText(tip);
    setToolTip(tip);
}

CToolbarComboAction::~CToolbarComboAction()
{
    Detach();
    // The base deletes the copies after this part of the action is gone.
    for (auto& [widget, copy] : m_copies)
        disconnect(widget, nullptr, this, nullptr);
    m_copies.clear();
}

void CToolbarComboAction::Detach()
{
    if (m_entries)
        for (auto& [widget, copy] : m_copies)
            m_entries->RemoveCopy(copy.get());
    m_entries = nullptr;
    m_chosen = {};
}

void CToolbarComboAction::Forget(QWidget* widget)
{
    if (auto found = m_copies.find(widget); found != m_copies.end()) {
        if (m_entries)
            m_entries->RemoveCopy(found->second.get());
        m_copies.erase(found);
    }
}

QWidget* CToolbarComboAction::createWidget(QWidget* parent)
{
    // Only toolbars carry copies; a menu shows the action's text.
    if (!qobject_cast<QToolBar*>(parent))
        return nullptr;
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("Combo%1").arg(data().toUInt()));
    box->setToolTip(toolTip());
    box->setFixedWidth(m_width);
    box->setMaxVisibleItems(20);
    box->setFocusPolicy(Qt::ClickFocus);
    box->setEnabled(isEnabled());
    QFont font = box->font();
    font.setBold(m_bold);
    box->setFont(font);
    auto copy = std::make_unique<CComboBoxCopy>(box);
    if (m_entries)
        m_entries->AddCopy(copy.get());
    m_copies[box] = std::move(copy);
    // A toolbar deleted with its copies takes them off the list too.
    connect(box, &QObject::destroyed, this, [this, box] { Forget(box); });
    connect(box, &QComboBox::activated, this, [this](int index) {
        if (m_entries)
            m_entries->SetCachedIndex(index);
        if (m_chosen)
            m_chosen(index);
    });
    return box;
}

void CToolbarComboAction::deleteWidget(QWidget* widget)
{
    Forget(widget);
    QWidgetAction::deleteWidget(widget);
}

QList<QComboBox*> CToolbarComboAction::Copies() const
{
    QList<QComboBox*> boxes;
    for (QWidget* w : createdWidgets())
        if (auto* box = qobject_cast<QComboBox*>(w))
            boxes.push_back(box);
    return boxes;
}

bool CToolbarComboAction::OpenDropDown()
{
    for (QComboBox* box : Copies()) {
        if (box->view() && box->view()->isVisible())
            continue;   // this copy's list is open already
        QWidget* bar = box->parentWidget();
        if (!bar || !bar->isVisible() || !box->isEnabled() || !box->isVisible())
            return false;
        box->setFocus(Qt::ShortcutFocusReason);
        box->showPopup();
        return true;
    }
    return false;
}

}   // namespace app
