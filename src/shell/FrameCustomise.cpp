// Tools > Customise: the toolbars' buttons edited in a copy, applied to the
// bars on OK and kept with the workspace; a workspace load puts them back.

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <algorithm>
#include <optional>

#include "app/CommandIds.h"
#include "app/ToolbarLayout.h"
#include "app/WorkspaceManager.h"
#include "app/ui/FullScreenMode.h"
#include "navigator/NavIndicators.h"
#include "platform/SettingsStore.h"
#include "shell/CustomiseDlg.h"
#include "shell/MainFrame.h"
#include "shell/MainMenus.h"
#include "targets/TenderRows.h"

namespace shell {

namespace {

// The hide-all-bars command of earlier versions: toolbars stored with it are
// taken as stored, and the workspace's toolbar update puts today's command
// in its place.
constexpr unsigned kOldHideBars = 2183;

const shell::ToolBarDef* FindDef(unsigned bar)
{
    for (const shell::ToolBarDef& def : shell::MainToolBars())
        if (def.id == bar)
            return &def;
    return nullptr;
}

// The vessel and tender indicators: the commands a toolbar shows as a field
// with a reading rather than as a button. Their names and the samples that
// size the field.
struct CIndicatorInfo {
    QString tooltip;
    QString sample;
};

std::optional<CIndicatorInfo> FindIndicator(unsigned id)
{
    for (const navigator::CNavIndicator& i : navigator::NavIndicators())
        if (i.id == id)
            return CIndicatorInfo{QString::fromUtf8(i.tooltip), QString::fromUtf8(i.sample)};
    for (const targets::CTenderPane& i : targets::TenderPanes())
        if (i.id == id)
            return CIndicatorInfo{QString::fromUtf8(i.tooltip), QString::fromUtf8(i.sample)};
    return std::nullopt;
}

// An indicator's command on a toolbar: a sunken field, black bold type 24
// pixels high on grey, as wide as its sample, showing the reading the idle
// pass writes into the command's text (grey while its handler disables it).
class CIndicatorAction final : public QWidgetAction {
public:
    static constexpr int kLabelPixels = 24;

    CIndicatorAction(const QString& sample, QObject* parent)
        : QWidgetAction(parent), m_width(LabelWidth(sample))
    { }

protected:
    QWidget* createWidget(QWidget* parent) override
    {
        auto* field = new QLabel(parent);
        field->setObjectName(QString("IndicatorButton%1").arg(data().toUInt()));
        field->setStyleSheet(QString("QLabel { color: rgb(0, 0, 0); background: rgb(175, 175, "
                                     "175); font-weight: bold; font-size: %1px; padding: 0 3px; }")
                                 .arg(kLabelPixels));
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        field->setAlignment(Qt::AlignCenter);
        field->setMinimumWidth(m_width);
        field->setToolTip(toolTip());
        auto show = [this, field] {
            field->setText(text());
            field->setEnabled(isEnabled());
        };
        show();
        connect(this, &QAction::changed, field, show);
        return field;
    }

private:
    static int LabelWidth(const QString& sample)
    {
        QFont bold;
        bold.setBold(true);
        bold.setPixelSize(kLabelPixels);
        return QFontMetrics(bold).horizontalAdvance(sample) + 12;
    }

    int m_width;
};

std::vector<unsigned> DefaultButtons(unsigned bar)
{
    std::vector<unsigned> ids;
    if (const shell::ToolBarDef* def = FindDef(bar))
        for (const shell::ToolBarButton& b : def->buttons)
            ids.push_back(b.id);
    return ids;
}

}   // namespace

QMenu* CMainFrame::TopMenu(unsigned id) const
{
    if (id <= app::cmd::kMenuButtonBase)
        return nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->menu()->objectName() == QString("Menu%1").arg(id & 0xFF))
            return a->menu();
    return nullptr;
}

QAction* CMainFrame::CommandAction(unsigned id)
{
    if (auto found = m_actions.find(id); found != m_actions.end())
        return found->second;
    if (QAction* control = ModuleToolBarControl(id))
        return control;
    // A menu-bar button: the menu itself, dropping down from the toolbar.
    if (QMenu* menu = TopMenu(id))
        return menu->menuAction();
    // A command no bar or menu showed yet: its picture from any bar that has
    // one, its name from the indicator table when it is an indicator.
    QString tip = QString("Command %1").arg(id);
    const std::optional<CIndicatorInfo> indicator = FindIndicator(id);
    if (indicator)
        tip = indicator->tooltip;
    QIcon icon;
    for (const shell::ToolBarDef& def : shell::MainToolBars())
        for (const shell::ToolBarButton& b : def.buttons)
            if (b.id == id) {
                tip = QString::fromLatin1(b.tip);
                icon = shell::ToolBarIcon(b);
            }
    QAction* a = indicator ? new CIndicatorAction(indicator->sample, this) : new QAction(this);
    a->setIcon(icon);
    a->setText(tip);
    // An indicator's idle pass writes its live reading into the text; the
    // tip keeps the command's name for the button and the Customise list.
    a->setToolTip(tip);
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    m_actions.emplace(id, a);
    return a;
}

QAction* CMainFrame::ModuleToolBarControl(unsigned id)
{
    for (std::size_t i = 0; i < m_modules.size(); ++i) {
        app::CModuleUi* ui = m_modules[i]->Ui();
        QAction* a = ui ? ui->ToolBarControl(id, this) : nullptr;
        if (!a)
            continue;
        a->setData(id);
        m_actions.emplace(id, a);
        return a;
    }
    return nullptr;
}

std::vector<app::CToolbarButtons> CMainFrame::CurrentToolbarButtons() const
{
    std::vector<app::CToolbarButtons> bars;
    for (const auto& [id, bar] : m_toolBars) {
        app::CToolbarButtons b{id, {}, bar->windowTitle().toStdString()};
        for (QAction* a : bar->actions())
            b.buttons.push_back(a->isSeparator() ? 0u : a->data().toUInt());
        bars.push_back(std::move(b));
    }
    return bars;
}

void CMainFrame::ApplyToolbarButtons(const std::vector<app::CToolbarButtons>& bars)
{
    for (const app::CToolbarButtons& b : bars) {
        QToolBar* bar = ToolBar(b.id);
        if (!bar)
            continue;
        bar->clear();
        for (unsigned id : b.buttons) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* action = CommandAction(id);
            bar->addAction(action);
            // A menu on a toolbar opens at a click anywhere on its button.
            if (TopMenu(id))
                if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action)))
                    button->setPopupMode(QToolButton::InstantPopup);
        }
    }
}

void CMainFrame::SyncUserToolbars(const std::vector<app::CToolbarButtons>& bars)
{
    auto listed = [&bars](unsigned id) {
        return std::any_of(bars.begin(), bars.end(),
                           [id](const app::CToolbarButtons& b) { return b.id == id; });
    };
    for (auto it = m_toolBars.begin(); it != m_toolBars.end();) {
        if (!app::IsUserToolbar(it->first) || listed(it->first)) {
            ++it;
            continue;
        }
        removeToolBar(it->second);
        it->second->deleteLater();
        it = m_toolBars.erase(it);
    }
    for (const app::CToolbarButtons& b : bars) {
        if (!app::IsUserToolbar(b.id))
            continue;
        const QString title = QString::fromStdString(b.title);
        if (QToolBar* bar = ToolBar(b.id))
            bar->setWindowTitle(title);
        else
            MakeToolBar(b.id, title)->show();
    }
}

bool CMainFrame::IsStoredButtonKnown(unsigned id)
{
    return id == kOldHideBars || m_commands.IsKnown(id) || m_actions.count(id) > 0 || TopMenu(id);
}

void CMainFrame::LoadUserToolbars()
{
    if (!m_workspace || !m_services.settings)
        return;
    const std::vector<app::CToolbarButtons> bars =
        app::LoadUserToolbars(*m_services.settings, m_workspace->GetRegistryKey(),
                              [this](unsigned id) { return IsStoredButtonKnown(id); });
    SyncUserToolbars(bars);
    ApplyToolbarButtons(bars);
}

void CMainFrame::LoadToolbarButtons()
{
    if (!m_workspace || !m_services.settings)
        return;
    LoadUserToolbars();
    std::vector<app::CToolbarButtons> bars = CurrentToolbarButtons();
    const std::vector<app::CToolbarButtons> before = bars;
    // A stored id is taken when the program knows the command (a menu item,
    // a button, a handler) or it is one the toolbar update replaces; anything
    // else leaves the bar as built.
    app::LoadToolbarButtons(*m_services.settings, m_workspace->GetRegistryKey(), bars,
                            [this](unsigned id) { return IsStoredButtonKnown(id); });
    if (bars != before)
        ApplyToolbarButtons(bars);
}

void CMainFrame::SaveWorkspaceToolbars()
{
    if (m_workspace && m_services.settings)
        app::SaveToolbarButtons(*m_services.settings, m_workspace->GetRegistryKey(),
                                CurrentToolbarButtons());
}

void CMainFrame::OpenCustomise()
{
    m_fullScreen->Exit();
    app::CToolbarCustomisation layout;
    layout.bars = CurrentToolbarButtons();
    std::vector<CCustomiseDlg::CBar> bars;
    for (const app::CToolbarButtons& b : layout.bars) {
        QToolBar* bar = ToolBar(b.id);
        bars.push_back({bar->windowTitle(), !bar->isHidden(), DefaultButtons(b.id)});
    }
    auto available = [this](unsigned id) { return m_commands.IsKnown(id); };
    auto label = [this](unsigned id) {
        QAction* a = CommandAction(id);
        QString text = a->toolTip().isEmpty() ? a->text() : a->toolTip();
        return text.remove('&');
    };
    // The Menu page: the menu bar's buttons, which a toolbar may carry too.
    std::vector<unsigned> menus;
    for (const shell::TopMenu& top : shell::MainMenus())
        menus.push_back(top.buttonId);
    CCustomiseDlg dlg(layout, bars, app::CustomiseGroups(available), label, this, menus);
    if (dlg.exec() != QDialog::Accepted)
        return;
    SyncUserToolbars(dlg.Layout().bars);
    ApplyToolbarButtons(dlg.Layout().bars);
    for (std::size_t i = 0; i < dlg.Layout().bars.size(); ++i)
        if (QToolBar* bar = ToolBar(dlg.Layout().bars[i].id))
            bar->setVisible(dlg.Visible(i));
    if (m_workspace && m_services.settings)
        app::SaveToolbarButtons(*m_services.settings, m_workspace->GetRegistryKey(),
                                dlg.Layout().bars);
}

}   // namespace shell
