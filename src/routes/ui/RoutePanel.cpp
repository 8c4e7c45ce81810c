#include "routes/ui/RoutePanel.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/MediaFileType.h"
#include "app/ui/AttachmentChooser.h"
#include "app/ui/XStatusBar.h"
#include "geo/DatumInfo.h"
#include "routes/RouteModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace routes {

namespace cmd = app::cmd;

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The list's numbers: as many digits as the number of waypoints has.
QString RowNumber(int n, int count)
{
    return QString::number(n).rightJustified(int(std::to_string(count).size()), QLatin1Char('0'));
}

}   // namespace

CRoutePanel::CRoutePanel(routes::CRouteModule& module, QWidget* parent)
    : app::CSidePanel(parent), m_module(module)
{
    setObjectName("RoutePanel");
    setWindowTitle(QStringLiteral("Route"));
}

CRoutePanel::~CRoutePanel() = default;

void CRoutePanel::InitPanel()
{
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_title = new QLabel(QStringLiteral("Route"), body);
    m_title->setObjectName("title");
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    // The title line in the caption colours, which follow a change of the palette.
    m_title->setAutoFillBackground(true);
    m_title->setBackgroundRole(QPalette::Highlight);
    m_title->setForegroundRole(QPalette::HighlightedText);
    layout->addWidget(m_title);

    // Mnemonics only with letters no top menu uses (File, Edit, View, Chart,
    // Navigator, Target, Chartpoint, Route, Vessel, Tools, Window, Help), or
    // Alt with that letter would press a panel button instead of opening the menu.
    auto* form = new QFormLayout();
    const auto edit = [&](const char* name, const QString& label) {
        auto* e = new QLineEdit(body);
        e->setObjectName(name);
        e->setAccessibleName(label);
        e->setMaxLength(25);
        connect(e, &QLineEdit::textEdited, this, [this] { m_modified = true; });
        form->addRow(label, e);
        return e;
    };
    m_name = edit("name", QStringLiteral("Na&me"));
    m_from = edit("from", QStringLiteral("From"));
    m_to = edit("to", QStringLiteral("To"));
    layout->addLayout(form);

    m_tabs = new QTabWidget(body);
    m_tabs->setObjectName("cards");
    auto* general = new QWidget(m_tabs);
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(new QLabel(QStringLiteral("Memo"), general));
    m_memo = new QPlainTextEdit(general);
    m_memo->setObjectName("memo");
    m_memo->setTabChangesFocus(true);
    connect(m_memo, &QPlainTextEdit::textChanged, this, [this] {
        if (m_memo->hasFocus())
            m_modified = true;
    });
    generalLayout->addWidget(m_memo);
    generalLayout->addWidget(new QLabel(QStringLiteral("Attachments"), general));
    m_attachments = new QComboBox(general);
    m_attachments->setObjectName("attachments");
    generalLayout->addWidget(m_attachments);
    auto* attachRow = new QHBoxLayout();
    m_attach = new QPushButton(QStringLiteral("Attach"), general);
    m_attach->setObjectName("attach");
    m_view = new QPushButton(QStringLiteral("View"), general);
    m_view->setObjectName("view");
    m_detach = new QPushButton(QStringLiteral("Detach"), general);
    m_detach->setObjectName("detach");
    for (QPushButton* b : {m_attach, m_view, m_detach})
        attachRow->addWidget(b);
    generalLayout->addLayout(attachRow);
    connect(m_attach, &QPushButton::clicked, this, [this] { OnAttach(); });
    connect(m_view, &QPushButton::clicked, this, [this] { OnView(); });
    connect(m_detach, &QPushButton::clicked, this, [this] { OnDetach(); });
    m_tabs->addTab(general, QStringLiteral("General"));

    auto* waypoints = new QWidget(m_tabs);
    auto* wpLayout = new QVBoxLayout(waypoints);
    auto* row = new QHBoxLayout();
    m_locked = new QCheckBox(QStringLiteral("Loc&ked"), waypoints);
    m_locked->setObjectName("locked");
    m_locked->setChecked(true);
    m_legType = new QComboBox(waypoints);
    m_legType->setObjectName("legType");
    m_legType->addItems(
        {QStringLiteral("Rhumb"), QStringLiteral("GC"), QStringLiteral("GC waypts")});
    row->addWidget(m_locked);
    row->addWidget(m_legType);
    wpLayout->addLayout(row);
    m_list = new QTreeWidget(waypoints);
    m_list->setObjectName("waypoints");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels(
        {"No.", "Name", "Leg Type", "Distance", "Course", "Latitude", "Longitude", "Datum"});
    // Each column as wide as its heading and 30 pixels more, set once: a
    // refill keeps the widths the user dragged.
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->setColumnWidth(
            c,
            m_list->header()->fontMetrics().horizontalAdvance(m_list->headerItem()->text(c)) + 30);
    wpLayout->addWidget(m_list);
    auto* wpButtons = new QHBoxLayout();
    m_deleteWaypoint = new QPushButton(QStringLiteral("De&l"), waypoints);
    m_deleteWaypoint->setObjectName("deleteWaypoint");
    m_ownPosition = new QPushButton(QStringLiteral("Nav"), waypoints);
    m_ownPosition->setObjectName("nav");
    m_ownPosition->setToolTip(QStringLiteral("Insert the own vessel's position after the "
                                             "selected waypoint"));
    m_openDb = new QPushButton(QStringLiteral("OpenD&B"), waypoints);
    m_openDb->setObjectName("openDb");
    m_openDb->setToolTip(QStringLiteral("Chartpoint list: double-click a chartpoint to add it"));
    for (QPushButton* b : {m_deleteWaypoint, m_ownPosition, m_openDb})
        wpButtons->addWidget(b);
    // Del in the list deletes the selected waypoint (Route > Waypoint >
    // Delete); elsewhere Del stays the edit fields' own.
    m_list->installEventFilter(this);
    wpLayout->addLayout(wpButtons);
    m_tabs->addTab(waypoints, QStringLiteral("Waypoints"));
    layout->addWidget(m_tabs, 1);

    auto* buttons = new QGridLayout();
    const auto button = [&](const char* name, const QString& text, int r, int c) {
        auto* b = new QPushButton(text, body);
        b->setObjectName(name);
        buttons->addWidget(b, r, c);
        return b;
    };
    m_new = button("new", QStringLiteral("New"), 0, 0);
    m_delete = button("delete", QStringLiteral("&Del"), 0, 1);
    m_copy = button("copy", QStringLiteral("Co&py"), 0, 2);
    m_reverse = button("reverse", QStringLiteral("Reverse"), 1, 0);
    m_edit = button("edit", QStringLiteral("Edit"), 1, 1);
    app::ShowWhyGreyOnHover(*m_edit);
    m_apply = button("apply", QStringLiteral("Appl&y"), 1, 2);
    m_edit->setCheckable(true);
    layout->addLayout(buttons);

    const auto run = [this](unsigned id) { return [this, id] { m_module.Execute(id); }; };
    connect(m_new, &QPushButton::clicked, this, run(cmd::kRouteNew));
    connect(m_delete, &QPushButton::clicked, this, run(cmd::kRouteDelete));
    connect(m_copy, &QPushButton::clicked, this, run(cmd::kRouteCopy));
    connect(m_reverse, &QPushButton::clicked, this, run(cmd::kRouteReverse));
    connect(m_deleteWaypoint, &QPushButton::clicked, this, run(cmd::kWaypointDelete));
    connect(m_ownPosition, &QPushButton::clicked, this, [this] { m_module.InsertOwnPosition(); });
    connect(m_openDb, &QPushButton::clicked, this, [this] {
        if (m_openChartpoints)
            m_openChartpoints();
    });
    connect(m_edit, &QPushButton::clicked, this, [this] {
        // Leaving edit mode drops what was typed and not applied.
        if (m_module.IsEditMode() && IsModified()) {
            m_modified = false;
            Refresh();
        }
        m_module.Execute(cmd::kRouteEdit);
        m_edit->setChecked(m_module.IsEditMode());
    });
    connect(m_apply, &QPushButton::clicked, this, [this] { SaveEdits(); });
    connect(m_locked, &QCheckBox::clicked, this,
            [this](bool on) { m_module.SetWaypointsLocked(on); });
    connect(m_legType, &QComboBox::activated, this, [this](int index) { OnLegTypeChosen(index); });
    connect(m_list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        m_module.SelectWaypoint(m_list->indexOfTopLevelItem(item) + 1);
    });
    setWidget(body);
    app::CSidePanel::InitPanel();
    Refresh();
}

void CRoutePanel::UpdatePanelControls(app::CCommandTable& /*commands*/, bool /*disableIfNoHandler*/)
{
    if (!m_name)
        return;
    const bool editable = m_module.CanChangeRoute();
    for (QLineEdit* e : {m_name, m_from, m_to})
        e->setEnabled(editable);
    m_memo->setReadOnly(!editable);
    const bool unused =
        m_attachments->currentIndex() < 0 || m_attachments->currentText() == kUnused;
    m_attachments->setEnabled(m_module.State().hasRoute);
    m_attach->setEnabled(editable && m_attachments->currentIndex() >= 0 && unused);
    m_detach->setEnabled(editable && !unused);
    const app::MediaFileType kind =
        app::GetMediaFileType(m_attachments->currentText().toStdString());
    m_view->setEnabled(!unused && !SelectedAttachmentPath().empty() &&
                       (kind == app::MediaFileType::Image || kind == app::MediaFileType::Video));
    const auto enable = [this](QPushButton* b, unsigned id) {
        b->setEnabled(m_module.CommandState(id).enabled);
    };
    enable(m_new, cmd::kRouteNew);
    enable(m_delete, cmd::kRouteDelete);
    enable(m_copy, cmd::kRouteCopy);
    enable(m_reverse, cmd::kRouteReverse);
    enable(m_edit, cmd::kRouteEdit);
    // A grey Edit says why on the pointer: another station's edit, or what
    // holds the route.
    const QString why = m_edit->isEnabled()
                            ? QString()
                            : QString::fromStdString(m_module.CommandState(cmd::kRouteEdit).why);
    if (m_edit->toolTip() != why)
        m_edit->setToolTip(why);
    enable(m_deleteWaypoint, cmd::kWaypointDelete);
    m_ownPosition->setEnabled(m_module.CanInsertOwnPosition());
    m_openDb->setEnabled(bool(m_openChartpoints));
    m_edit->setChecked(m_module.IsEditMode());
    m_apply->setEnabled(editable && IsModified());
    m_locked->setEnabled(m_module.CommandState(cmd::kWaypointLocked).enabled);
    m_locked->setChecked(m_module.AreWaypointsLocked());
    const int active = m_module.State().activeIndex;
    m_legType->setEnabled(editable && active >= 1 &&
                          active < int(m_module.State().waypoints.size()));
    m_list->setEnabled(!m_module.State().waypoints.empty() && m_module.IsFree());
}

bool CRoutePanel::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_list && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(e)->modifiers() == Qt::NoModifier) {
        // The Del button's rule: editable, free, a waypoint there. A grey
        // button ignores the click.
        m_deleteWaypoint->click();
        return true;
    }
    return app::CSidePanel::eventFilter(watched, e);
}

void CRoutePanel::OnRouteChange(int hint)
{
    // Only how the route is shown changed: the controls follow at the next idle pass.
    if (hint == routes::kHintDisplay)
        return;
    switch (hint) {
    case routes::kHintSelected:
        // A deleted waypoint is followed by the next one's selection: the
        // card lists the points the route has now.
        if (m_list->topLevelItemCount() != int(m_module.State().waypoints.size())) {
            FillList();
        } else {
            const int active = m_module.State().activeIndex;
            if (active >= 1 && active <= m_list->topLevelItemCount())
                m_list->setCurrentItem(m_list->topLevelItem(active - 1));
        }
        ShowLegType();
        return;
    case routes::kHintInserted:
    case routes::kHintWritten:
    case routes::kHintDeleting:
    case routes::kHintDragged:
    case routes::kHintLegs:
        // Only the route's points or legs changed: the card follows them, and
        // the name, ends and memo keep what is typed and not yet applied.
        FillList();
        ShowLegType();
        return;
    case routes::kHintAdded:
        // New, Copy and Reverse: the new route's name is ready to be typed
        // over, all of it selected.
        Refresh();
        m_name->setFocus();
        m_name->selectAll();
        return;
    default: Refresh();
    }
}

void CRoutePanel::AddCard(QWidget* card, const QString& title)
{
    if (m_tabs)
        m_tabs->addTab(card, title);
}

bool CRoutePanel::IsModified() const
{
    return m_modified;
}

bool CRoutePanel::SaveEdits()
{
    routes::CRouteTexts texts;
    texts.name = m_name->text().trimmed().toStdString();
    texts.from = m_from->text().trimmed().toStdString();
    texts.to = m_to->text().trimmed().toStdString();
    texts.note = m_memo->toPlainText().toStdString();
    for (int i = 0; i < int(texts.attachments.size()) && i < m_attachments->count(); ++i) {
        const QString t = m_attachments->itemText(i);
        texts.attachments[std::size_t(i)] = t == kUnused ? std::string() : t.toStdString();
    }
    if (!m_module.SaveRoute(texts))
        return false;
    m_modified = false;
    return true;
}

std::string CRoutePanel::SelectedAttachmentPath() const
{
    const int slot = m_attachments->currentIndex();
    if (slot < 0 || m_attachments->currentText() == kUnused)
        return {};
    const std::filesystem::path path = std::filesystem::path(m_module.AttachmentsFolder()) /
                                       m_attachments->currentText().toStdString();
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) ? path.string() : std::string();
}

bool CRoutePanel::AttachFile(const std::string& path)
{
    const int slot = m_attachments->currentIndex();
    if (slot < 0 || !m_module.CanChangeRoute())
        return false;
    const std::optional<std::string> stored =
        app::TakeAttachmentFile(this, QStringLiteral("Route"), slot, path,
                                [this](const std::string& p, std::string* message) {
                                    return m_module.ImportAttachment(p, message);
                                });
    if (!stored)
        return false;
    m_attachments->setItemText(slot, Q(*stored));
    m_attachments->setCurrentIndex(slot);
    m_modified = true;
    return true;
}

void CRoutePanel::OnAttach()
{
    const QString path = app::AskAttachmentFile(this, m_module.AttachmentsFolder());
    if (!path.isEmpty())
        AttachFile(path.toStdString());
}

void CRoutePanel::OnView()
{
    const std::string path = SelectedAttachmentPath();
    if (path.empty() || !m_openAttachment)
        return;
    const app::MediaFileType kind = app::GetMediaFileType(path);
    if (kind == app::MediaFileType::Image || kind == app::MediaFileType::Video)
        m_openAttachment(path, kind == app::MediaFileType::Video);
}

void CRoutePanel::OnDetach()
{
    const int slot = m_attachments->currentIndex();
    if (slot < 0 || m_attachments->currentText() == kUnused)
        return;
    m_attachments->setItemText(slot, kUnused);
    m_modified = true;
}

void CRoutePanel::Refresh()
{
    if (!m_name)
        return;
    routes::CRouteTexts texts = m_module.RouteTexts();
    m_name->setText(Q(texts.name));
    m_from->setText(Q(texts.from));
    m_to->setText(Q(texts.to));
    m_memo->blockSignals(true);
    m_memo->setPlainText(Q(texts.note));
    m_memo->blockSignals(false);
    m_attachments->clear();
    for (const std::string& a : texts.attachments)
        m_attachments->addItem(a.empty() ? QString(kUnused) : Q(a));
    m_attachments->setCurrentIndex(0);
    m_modified = false;
    FillList();
    ShowLegType();
}

void CRoutePanel::FillList()
{
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    const auto& points = m_module.State().waypoints;
    const int count = int(points.size());
    const geo::CPositionFormat format =
        m_positionFormat ? m_positionFormat() : geo::CPositionFormat{};
    for (int n = 1; n <= count; ++n) {
        const routes::CWaypoint& wp = points[std::size_t(n - 1)];
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, RowNumber(n, count));
        item->setText(1, Q(wp.m_name));
        item->setText(2, QString::fromLatin1(routes::LegTypeText(wp.m_legType)));
        const routes::CLegResult leg = m_module.LegFromShown(n);
        if (leg.Computed()) {
            item->setText(3, QString::number(leg.range, 'f', 2) + QStringLiteral(" nm"));
            item->setText(4, QString::number(leg.bearing, 'f', 1) + QChar(0x00B0));
        }
        item->setText(5, Q(wp.m_position.FormatLatitude(format)));
        item->setText(6, Q(wp.m_position.FormatLongitude(format)));
        item->setText(7, Q(geo::CDatumInfo::GetName(wp.m_position.GetDatum())));
    }
    const int active = m_module.State().activeIndex;
    if (active >= 1 && active <= count)
        m_list->setCurrentItem(m_list->topLevelItem(active - 1));
    m_list->setUpdatesEnabled(true);
}

void CRoutePanel::ShowLegType()
{
    const int active = m_module.State().activeIndex;
    const auto& points = m_module.State().waypoints;
    if (active < 1 || active > int(points.size())) {
        m_legType->setCurrentIndex(-1);
        return;
    }
    m_legType->setCurrentIndex(
        points[std::size_t(active - 1)].m_legType == routes::kLegGreatCircle ? 1 : 0);
}

void CRoutePanel::OnLegTypeChosen(int index)
{
    const int active = m_module.State().activeIndex;
    const auto& points = m_module.State().waypoints;
    if (active < 1 || active >= int(points.size()))
        return;
    const std::uint32_t now = points[std::size_t(active - 1)].m_legType;
    // Choosing the type the leg already has changes nothing.
    if (index == 2 || std::uint32_t(index) != now)
        m_module.SetLegType(std::uint32_t(index));
    ShowLegType();
}

bool CRoutePanel::IsWaypointLocked() const
{
    return m_module.AreWaypointsLocked();
}

void CRoutePanel::SetWaypointLocked(bool locked)
{
    m_module.SetWaypointsLocked(locked);
}

}   // namespace routes
