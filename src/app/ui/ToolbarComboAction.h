#pragma once
// A drop-down on the toolbars: one action, and a QComboBox made for every
// toolbar the user puts it on. All copies show the one CComboEntries list;
// a choice in any copy is handed to the owner. Ctrl+Alt+C/R/W open a copy's
// list through OpenDropDown.

#include "app/ComboEntries.h"

#include <QWidgetAction>

#include <functional>
#include <map>
#include <memory>

class QComboBox;

namespace app {

class CToolbarComboAction final : public QWidgetAction {
    Q_OBJECT
public:
    using Chosen = std::function<void(int index)>;

    // `entries` must outlive the action; `width` is each copy's width in pixels.
    CToolbarComboAction(CComboEntries& entries, unsigned commandId, const QString& tip, int width,
                        bool bold, Chosen chosen, QObject* parent);
    ~CToolbarComboAction() override;

    // Opens the list of the first copy whose list is closed, when its toolbar
    // is shown and the copy is enabled; false when none could be opened.
    bool OpenDropDown();
    // The owner of the list is going: the copies stay on the toolbars, empty
    // of meaning; choices go nowhere.
    void Detach();
    // The copies on the screen, in the order the toolbars made them.
    QList<QComboBox*> Copies() const;

protected:
    QWidget* createWidget(QWidget* parent) override;
    void deleteWidget(QWidget* widget) override;

private:
    void Forget(QWidget* widget);

    CComboEntries* m_entries;
    std::map<QWidget*, std::unique_ptr<CComboCopy>> m_copies;
    int m_width;
    bool m_bold;
    Chosen m_chosen;
};

}   // namespace app
