#include "app/ui/PropertySheet.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QWindow>

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/PostedMessageQueue.h"
#include "app/ui/ObjectIds.h"

namespace app {

CXPropertyPage::CXPropertyPage(std::unique_ptr<app::COptionPageModel> model, QWidget* parent)
    : QWidget(parent), m_model(std::move(model))
{ }

CXPropertyPage::~CXPropertyPage() = default;

QWidget* CXPropertyPage::FieldWidget(const std::string& field) const
{
    return findChild<QWidget*>(QString::fromStdString(field));
}

CModelessPropertySheet::CModelessPropertySheet(const QString& caption, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    m_tabs = new QTabWidget(this);
    auto* ok = new QPushButton(tr("&OK"), this);
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    auto* apply = new QPushButton(tr("&Apply"), this);
    ok->setObjectName("sheetOk");
    cancel->setObjectName("sheetCancel");
    apply->setObjectName("sheetApply");
    // Return inside a page presses OK, as in any dialog.
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(apply, &QPushButton::clicked, this, [this] { OnApply(); });

    // OK, Cancel and Apply in a row at the lower right: 64 by 24 pixels each,
    // 8 pixels apart and 8 from the right and bottom edges.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    for (QPushButton* button : {ok, cancel, apply}) {
        button->setFixedSize(64, 24);
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    int left = 0, top = 0;
    layout->getContentsMargins(&left, &top, nullptr, nullptr);
    layout->setContentsMargins(left, top, 8, 8);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    // Page changes from anywhere in the sheet, whichever control has the focus.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    auto* prev = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    auto* prev2 = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [this] { StepPage(1); });
    connect(prev, &QShortcut::activated, this, [this] { StepPage(-1); });
    connect(prev2, &QShortcut::activated, this, [this] { StepPage(-1); });
}

CModelessPropertySheet::~CModelessPropertySheet()
{
    if (m_announced && m_frameQueue)
        m_frameQueue->Post(app::kMsgModelessSheet, 0, static_cast<std::int64_t>(m_id));
}

void CModelessPropertySheet::SetHelp(std::function<void()> help)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(key, &QShortcut::activated, this, [help = std::move(help)] {
        if (help)
            help();
    });
}

void CModelessPropertySheet::AddPage(CXPropertyPage* page)
{
    m_pages.push_back(page);
    m_sheet.AddPage(page->Model());
    page->ModelToControls();
    page->UpdateControls();
    m_tabs->addTab(page, QString::fromStdString(page->Model().Title()));
}

int CModelessPropertySheet::PageCount() const
{
    return static_cast<int>(m_pages.size());
}

CXPropertyPage* CModelessPropertySheet::Page(int i) const
{
    return m_pages.at(static_cast<std::size_t>(i));
}

void CModelessPropertySheet::ShowModeless()
{
    show();
    raise();
    activateWindow();
    if (!m_announced && m_frameQueue) {
        m_id = CObjectIds::Of(this);
        m_frameQueue->Post(app::kMsgModelessSheet, 1, static_cast<std::int64_t>(m_id));
    }
    m_announced = true;
}

void CModelessPropertySheet::StepPage(int step)
{
    const int count = m_tabs->count();
    if (count == 0)
        return;
    m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
    // The focus goes into the page so that Tab walks its controls next.
    if (QWidget* page = m_tabs->currentWidget()) {
        if (QWidget* first = page->nextInFocusChain(); first && page->isAncestorOf(first))
            first->setFocus(Qt::TabFocusReason);
        else
            page->setFocus(Qt::TabFocusReason);
    }
}

bool CModelessPropertySheet::ApplyPages(bool closing)
{
    // Controls to models for every page first, so an unshown page is checked too.
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (auto error = m_pages[i]->ControlsToModel()) {
            ShowRefusal({i, *error});
            return false;
        }
    }
    const auto refusal = closing ? m_sheet.Ok() : m_sheet.Apply();
    if (refusal) {
        ShowRefusal(*refusal);
        return false;
    }
    for (CXPropertyPage* page : m_pages) {
        page->ModelToControls();
        page->UpdateControls();
    }
    return true;
}

void CModelessPropertySheet::ShowRefusal(const app::CSheetRefusal& refusal)
{
    CXPropertyPage* page = m_pages.at(refusal.page);
    m_tabs->setCurrentWidget(page);
    QWidget* field = page->FieldWidget(refusal.error.field);
    const QString message = QString::fromStdString(refusal.error.message);
    if (m_showMessage)
        m_showMessage(message);
    else if (refusal.error.stop)
        QMessageBox::critical(this, windowTitle(), message);
    else
        QMessageBox::warning(this, windowTitle(), message);
    // The focus goes to the field after the message, so the user types the fix at once.
    if (field) {
        field->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->selectAll();
    }
}

bool CModelessPropertySheet::OnOk()
{
    if (m_closed || !ApplyPages(true))
        return false;
    m_closed = true;
    done(QDialog::Accepted);
    close();
    return true;
}

bool CModelessPropertySheet::OnApply()
{
    return ApplyPages(false);
}

void CModelessPropertySheet::OnCancel()
{
    if (m_closed)
        return;
    m_closed = true;
    m_sheet.Cancel();
    done(QDialog::Rejected);
    close();
}

void CModelessPropertySheet::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // Some window managers give the keyboard to no window when one closes:
    // the window the sheet belongs to takes it back, so its menu letters and
    // keys work again without a click.
    if (event->spontaneous())
        return;
    const QWindow* focus = QGuiApplication::focusWindow();
    if (focus != nullptr && focus != windowHandle())
        return;   // the keyboard is already with another of the program's windows
    if (QWidget* owner = parentWidget(); owner && owner->window()->isVisible())
        owner->window()->activateWindow();
}

void CModelessPropertySheet::reject()
{
    // Escape and the caption's close box cancel like the Cancel button.
    OnCancel();
}

}   // namespace app
