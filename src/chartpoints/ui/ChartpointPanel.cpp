#include "chartpoints/ui/ChartpointPanel.h"

#include "app/ui/AttachmentChooser.h"
#include "app/ui/OpenSaveDlgs.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/FrameSettings.h"
#include "app/MediaFileType.h"
#include "chartpoints/ChartpointModule.h"
#include "geo/DatumInfo.h"
#include "geo/Position.h"
#include "geo/ui/DegrEdit.h"
#include "geo/ui/PositionCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace chartpoints {

namespace cmd = app::cmd;

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// Memos are kept with CR LF line ends, as the tables' other writers keep them.
std::string ToStored(const QString& text)
{
    std::string out;
    for (char c : text.toStdString()) {
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

QString FromStored(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return Q(out);
}

std::string Trimmed(const QString& text, int limit)
{
    return text.trimmed().left(limit).toStdString();
}

}   // namespace

CChartpointPanel::CChartpointPanel(
    chartpoints::CChartpointModule& module,
    std::function<app::CDocument*(const std::string&, bool)> openAttachment, QWidget* parent)
    : app::CSidePanel(parent), m_module(module), m_openAttachment(std::move(openAttachment))
{
    setObjectName("ChartpointPanel");
    setWindowTitle(QStringLiteral("Chartpoint"));
}

void CChartpointPanel::InitPanel()
{
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_title = new QLabel(QStringLiteral("Chartpoint"), body);
    m_title->setObjectName("title");
    QFont bold = m_title->font();
    bold.setPixelSize(12);
    bold.setBold(true);
    m_title->setFont(bold);
    // The title line in the caption colours, which follow a change of the palette.
    m_title->setAutoFillBackground(true);
    m_title->setBackgroundRole(QPalette::Highlight);
    m_title->setForegroundRole(QPalette::HighlightedText);
    layout->addWidget(m_title);

    auto* form = new QFormLayout();
    const auto edit = [&](const char* name, const QString& label, int limit) {
        auto* e = new QLineEdit(body);
        e->setObjectName(name);
        e->setAccessibleName(label);
        e->setMaxLength(limit);
        connect(e, &QLineEdit::textEdited, this, [this] { Modified(); });
        form->addRow(label, e);
        return e;
    };
    m_name = edit("name", QStringLiteral("&Name"), 25);
    m_area = edit("area", QStringLiteral("&Area"), 20);
    m_type = edit("type", QStringLiteral("T&ype"), 20);
    m_id = edit("id", QStringLiteral("I&D"), 8);
    connect(m_id, &QLineEdit::textEdited, this, [this](const QString& t) {
        const int at = m_id->cursorPosition();
        m_id->setText(t.toUpper());
        m_id->setCursorPosition(at);
    });
    // Zone time: whole hours from -11 to +12.
    m_zone = new geo::CDegrEdit(geo::CDegrEdit::Kind::ZoneTime, body);
    m_zone->setObjectName("zone");
    m_zone->setAccessibleName(QStringLiteral("&ZT"));
    m_zone->setMaxLength(3);
    connect(m_zone, &QLineEdit::textEdited, this, [this] { Modified(); });
    form->addRow(QStringLiteral("&ZT"), m_zone);
    // Latitude and longitude in one field, typed or spun field by field.
    m_positionEntry = new geo::CPositionCtrl(body);
    m_positionEntry->setObjectName("position");
    m_positionEntry->setAccessibleName(QStringLiteral("P&osition"));
    // Until the frame hands over its own, the template of the default settings.
    const geo::CPositionFormat defaults;
    m_positionEntry->SetFormat(QString::fromStdString(
        app::GetPositionTemplate(defaults.decimalPlaces, defaults.degMinSec)));
    connect(m_positionEntry, &geo::CPositionCtrl::edited, this, [this] { Modified(); });
    form->addRow(QStringLiteral("P&osition"), m_positionEntry);
    m_datum = new QComboBox(body);
    m_datum->setObjectName("datum");
    form->addRow(QStringLiteral("Datum"), m_datum);
    connect(m_datum, &QComboBox::activated, this, [this](int index) { OnDatumChosen(index); });
    m_locked = new QCheckBox(QStringLiteral("Loc&ked"), body);
    m_locked->setObjectName("locked");
    m_locked->setChecked(true);
    form->addRow(QString(), m_locked);
    layout->addLayout(form);

    auto* memoLabel = new QLabel(QStringLiteral("&Memo"), body);
    layout->addWidget(memoLabel);
    m_memo = new QPlainTextEdit(body);
    memoLabel->setBuddy(m_memo);
    m_memo->setObjectName("memo");
    m_memo->setTabChangesFocus(true);
    m_memo->setMaximumHeight(110);
    connect(m_memo, &QPlainTextEdit::textChanged, this, [this] {
        if (m_memo->hasFocus())
            Modified();
    });
    layout->addWidget(m_memo);

    layout->addWidget(new QLabel(QStringLiteral("Attachments"), body));
    m_attachments = new QComboBox(body);
    m_attachments->setObjectName("attachments");
    layout->addWidget(m_attachments);
    auto* attachRow = new QHBoxLayout();
    m_attach = new QPushButton(QStringLiteral("A&ttach"), body);
    m_view = new QPushButton(QStringLiteral("V&iew"), body);
    m_detach = new QPushButton(QStringLiteral("D&etach"), body);
    for (QPushButton* b : {m_attach, m_view, m_detach})
        attachRow->addWidget(b);
    layout->addLayout(attachRow);
    connect(m_attach, &QPushButton::clicked, this, [this] { OnAttach(); });
    connect(m_view, &QPushButton::clicked, this, [this] { OnView(); });
    connect(m_detach, &QPushButton::clicked, this, [this] { OnDetach(); });

    auto* buttons = new QGridLayout();
    m_new = new QPushButton(QStringLiteral("&New"), body);
    m_delete = new QPushButton(QStringLiteral("&Delete"), body);
    m_edit = new QPushButton(QStringLiteral("Edit"), body);
    m_apply = new QPushButton(QStringLiteral("A&pply"), body);
    m_new->setObjectName("new");
    m_delete->setObjectName("delete");
    m_edit->setObjectName("edit");
    m_apply->setObjectName("apply");
    m_edit->setCheckable(true);
    buttons->addWidget(m_new, 0, 0);
    buttons->addWidget(m_delete, 0, 1);
    buttons->addWidget(m_edit, 1, 0);
    buttons->addWidget(m_apply, 1, 1);
    m_openDb = new QPushButton(QStringLiteral("OpenD&B"), body);
    m_openDb->setObjectName("openDb");
    buttons->addWidget(m_openDb, 2, 0);
    m_nav = new QPushButton(QStringLiteral("Nav"), body);
    m_nav->setObjectName("nav");
    m_nav->setToolTip(QStringLiteral("Add a chartpoint at the own vessel's position"));
    buttons->addWidget(m_nav, 2, 1);
    connect(m_nav, &QPushButton::clicked, this, [this] {
        const std::optional<geo::CPosition> own = m_ownPosition ? m_ownPosition() : std::nullopt;
        if (own && own->IsValid() && m_module.IsEditable() && m_module.AddChartpointAt(*own))
            FocusName();   // the new mark's name is typed next
    });
    connect(m_openDb, &QPushButton::clicked, this, [this] {
        if (m_toggleList)
            m_toggleList();
    });
    layout->addLayout(buttons);
    layout->addStretch();
    connect(m_new, &QPushButton::clicked, this, [this] { m_module.Execute(cmd::kChartpointNew); });
    connect(m_delete, &QPushButton::clicked, this,
            [this] { m_module.Execute(cmd::kChartpointDelete); });
    connect(m_edit, &QPushButton::clicked, this, [this] {
        m_module.Execute(cmd::kChartpointEdit);
        m_edit->setChecked(m_module.IsEditMode());
    });
    connect(m_apply, &QPushButton::clicked, this, [this] { m_module.OnApply(); });
    setWidget(body);
    app::CSidePanel::InitPanel();
}

void CChartpointPanel::UpdatePanelControls(app::CCommandTable& /*commands*/,
                                           bool /*disableIfNoHandler*/)
{
    if (!m_name)
        return;
    const bool editable = m_module.IsEditable();
    const bool hasRecords = m_module.IsDatabaseOpen();
    for (QWidget* w : std::initializer_list<QWidget*>{m_name, m_area, m_type, m_id, m_zone,
                                                      m_positionEntry, m_memo, m_locked})
        w->setEnabled(editable);
    m_datum->setEnabled(editable && m_datum->count() > 1);
    m_attachments->setEnabled(hasRecords);
    const int entry = m_attachments->currentIndex();
    const bool unused = entry < 0 || m_attachments->currentText() == kUnused;
    m_attach->setEnabled(editable && entry >= 0 && unused);
    m_detach->setEnabled(editable && !unused);
    bool viewable = false;
    if (!unused) {
        std::error_code ec;
        const app::MediaFileType kind =
            app::GetMediaFileType(m_attachments->currentText().toStdString());
        viewable = std::filesystem::exists(AttachmentPath(entry), ec) &&
                   (kind == app::MediaFileType::Image || kind == app::MediaFileType::Video);
    }
    m_view->setEnabled(viewable);
    m_edit->setEnabled(m_module.CommandState(cmd::kChartpointEdit).enabled);
    m_edit->setChecked(m_module.IsEditMode());
    m_new->setEnabled(m_module.CommandState(cmd::kChartpointNew).enabled);
    m_delete->setEnabled(m_module.CommandState(cmd::kChartpointDelete).enabled);
    m_apply->setEnabled(m_module.CanApply());
    const std::optional<geo::CPosition> own = m_ownPosition ? m_ownPosition() : std::nullopt;
    m_nav->setEnabled(editable && own && own->IsValid());
    m_openDb->setText(m_isListOpen && m_isListOpen() ? QStringLiteral("CloseD&B")
                                                     : QStringLiteral("OpenD&B"));
}

namespace {

// The default datum (none, or the table's fallback for unknown names).
bool IsDefaultDatum(std::uint16_t datum)
{
    return datum == geo::kNoDatumIndex || datum == geo::DatumIndexFallback();
}

// A datum that is neither the default nor WGS 84: a chart's own.
bool IsThirdDatum(std::uint16_t datum)
{
    return !IsDefaultDatum(datum) && datum != geo::DatumIndexWGS84();
}

}   // namespace

void CChartpointPanel::FillDatums(const chartpoints::CChartpoint& cp)
{
    // A chart datum chosen before stays chosen where the chart offers it again.
    const QVariant chosen = m_datum->currentData();
    const bool hadThird = chosen.isValid() && IsThirdDatum(std::uint16_t(chosen.toUInt()));
    m_datum->setUpdatesEnabled(false);
    m_datum->clear();
    const std::uint16_t own = cp.m_position.GetDatum();
    const std::uint16_t wgs = geo::DatumIndexWGS84();
    std::string ownName = geo::CDatumInfo::GetName(own == geo::kNoDatumIndex ? wgs : own);
    if (ownName.empty())
        ownName = "WGS 84";
    m_datum->addItem(Q(ownName), QVariant(unsigned(own)));
    if (own != wgs)
        m_datum->addItem(
            Q(wgs == geo::kNoDatumIndex ? std::string("WGS 84") : geo::CDatumInfo::GetName(wgs)),
            QVariant(unsigned(wgs)));
    m_chartShown.reset();
    if (m_chartDatum)
        if (std::optional<CChartDatumView> chart = m_chartDatum(cp.m_position);
            chart && IsThirdDatum(chart->datum)) {
            m_datum->addItem(Q(geo::CDatumInfo::GetName(chart->datum)),
                             QVariant(unsigned(chart->datum)));
            m_chartShown = chart;
        }
    m_datum->setCurrentIndex(hadThird && m_chartShown && !IsDefaultDatum(own) ? m_datum->count() - 1
                                                                              : 0);
    m_datum->setUpdatesEnabled(true);
}

void CChartpointPanel::OnDatumChosen(int index)
{
    const QVariant chosen = m_datum->itemData(index);
    // Choosing the default datum changes nothing.
    if (!chosen.isValid() || IsDefaultDatum(std::uint16_t(chosen.toUInt())))
        return;
    // A chartpoint in the default datum is put in WGS 84 first; the module
    // shows it again, in the datum chosen.
    if (IsDefaultDatum(m_shown.m_position.GetDatum()) && m_module.SetCurrentDatumWgs84())
        return;
    SetPositionLocked(true);
    FillDatums(m_shown);
    ShowPosition();
}

void CChartpointPanel::ShowPosition()
{
    // A chart datum shows the position as that chart puts it into its datum;
    // any other shows it as stored.
    if (m_chartShown && m_datum->currentIndex() == m_datum->count() - 1)
        m_position.ShowShifted(m_shown.m_position, m_chartShown->shown);
    else
        m_position.Show(m_shown.m_position);
    geo::CEntryPosition shown;
    shown.latitude = m_position.Shown().GetLatitude();
    shown.longitude = m_position.Shown().GetLongitude();
    m_positionEntry->SetPosition(shown);
    m_positionTextShown = m_positionEntry->text();
}

void CChartpointPanel::SetPositionTemplate(const std::string& layout)
{
    if (!m_positionEntry)
        return;
    const std::optional<geo::CEntryPosition> typed = m_positionEntry->GetPosition();
    if (!m_positionEntry->SetFormat(QString::fromStdString(layout)))
        return;
    if (m_modified && typed)
        m_positionEntry->SetPosition(*typed);
    else
        ShowPosition();
}

void CChartpointPanel::ShowChartpoint(const chartpoints::CChartpoint& cp)
{
    if (!m_name)
        return;
    m_shown = cp;
    m_name->setText(Q(cp.m_name).left(29).trimmed());
    m_area->setText(Q(cp.m_area).left(29).trimmed());
    m_type->setText(Q(cp.m_type).left(29).trimmed());
    m_id->setText(Q(cp.m_id).left(8).trimmed());
    m_zone->setText(Q(cp.m_zoneTime).trimmed());
    FillDatums(cp);
    ShowPosition();
    // Rebuilt with its four entries, the first selected.
    m_attachments->clear();
    for (const std::string& a : cp.m_attachments)
        m_attachments->addItem(a.empty() ? QString(kUnused) : Q(a));
    m_attachments->setCurrentIndex(0);
    m_memo->blockSignals(true);
    m_memo->setPlainText(FromStored(cp.m_memo));
    m_memo->blockSignals(false);
}

bool CChartpointPanel::ReadPanel(chartpoints::CChartpoint& cp, std::string& refusal)
{
    if (!m_name)
        return true;
    const std::optional<geo::CEntryPosition> entered = m_positionEntry->GetPosition();
    if (!entered) {
        refusal = "Position: \"" + m_positionEntry->text().toStdString() +
                  "\" is not a position (for example 47\u00B054.720'N 122\u00B031.572'W).";
        return false;
    }
    cp.m_name = Trimmed(m_name->text(), 25);
    // A position left as shown keeps every digit it has: the field shows it
    // rounded, and reading that text back would move the chartpoint at each
    // Apply of another field.
    if (m_positionEntry->text() == m_positionTextShown)
        cp.m_position =
            m_position.Back(m_position.Shown().GetLatitude(), m_position.Shown().GetLongitude());
    else
        cp.m_position = m_position.Back(entered->latitude, entered->longitude);
    cp.m_id = Trimmed(m_id->text().toUpper(), 8);
    cp.m_area = Trimmed(m_area->text(), 20);
    cp.m_type = Trimmed(m_type->text(), 20);
    cp.m_zoneTime = m_zone->text().trimmed().toStdString();
    if (cp.m_zoneTime.empty())
        cp.m_zoneTime = "0";
    // The attachments read back may name other files than the open viewers show.
    for (int i = 0; i < chartpoints::CChartpoint::kAttachments; ++i)
        CloseViewer(i);
    for (int i = 0; i < chartpoints::CChartpoint::kAttachments && i < m_attachments->count(); ++i) {
        const QString t = m_attachments->itemText(i);
        cp.m_attachments[i] =
            t.compare(kUnused, Qt::CaseInsensitive) == 0 ? std::string() : t.toStdString();
    }
    cp.m_memo = ToStored(m_memo->toPlainText());
    return true;
}

bool CChartpointPanel::IsPositionLocked() const
{
    return !m_locked || m_locked->isChecked();
}

void CChartpointPanel::SetPositionLocked(bool locked)
{
    if (m_locked)
        m_locked->setChecked(locked);
}

std::optional<std::string> CChartpointPanel::AskSavePath(const std::string& folder,
                                                         const std::string& defaultName)
{
    // The program's own dialog: a "~" name (the program's temporary tables)
    // is never taken, and an existing database is overwritten only when the
    // user says so, never while stations share files.
    app::CSaveFileDlg dialog(QStringLiteral("Save Chartpoint Database"), Q(folder),
                             QStringLiteral("dbf"), Q(defaultName), this);
    dialog.setObjectName("SaveChartpointDatabase");
    dialog.SetNetworkMode(m_module.IsStationNetworkOn());
    // A folder is taken only when its disk can hold the table's files.
    dialog.SetSource(folder, std::filesystem::path(defaultName).stem().string());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetPathName().string();
}

std::string CChartpointPanel::AttachmentPath(int entry) const
{
    if (entry < 0 || entry >= m_attachments->count())
        return {};
    return (std::filesystem::path(m_module.AttachmentsFolder()) /
            m_attachments->itemText(entry).toStdString())
        .string();
}

bool CChartpointPanel::AttachFile(const std::string& path)
{
    const int entry = m_attachments->currentIndex();
    if (entry < 0)
        return false;
    const std::optional<std::string> stored =
        app::TakeAttachmentFile(this, QStringLiteral("Chartpoint"), entry, path,
                                [this](const std::string& p, std::string* message) {
                                    return m_module.ImportAttachment(p, message);
                                });
    if (!stored)
        return false;
    m_attachments->setItemText(entry, Q(*stored));
    m_attachments->setCurrentIndex(entry);
    Modified();
    return true;
}

void CChartpointPanel::OnAttach()
{
    const QString path = app::AskAttachmentFile(this, m_module.AttachmentsFolder());
    if (!path.isEmpty())
        AttachFile(path.toStdString());
}

void CChartpointPanel::OnView()
{
    const int entry = m_attachments->currentIndex();
    if (entry < 0 || m_attachments->currentText() == kUnused || !m_openAttachment)
        return;
    const app::MediaFileType kind =
        app::GetMediaFileType(m_attachments->currentText().toStdString());
    if (kind != app::MediaFileType::Image && kind != app::MediaFileType::Video)
        return;
    // View opens the entry's viewer, or closes the one it opened before.
    if (IsViewerOpen(entry)) {
        CloseViewer(entry);
        return;
    }
    m_viewers[std::size_t(entry)] =
        m_openAttachment(AttachmentPath(entry), kind == app::MediaFileType::Video);
}

bool CChartpointPanel::IsViewerOpen(int slot) const
{
    if (slot < 0 || slot >= int(m_viewers.size()))
        return false;
    const app::CDocument* doc = m_viewers[std::size_t(slot)];
    return doc && !doc->IsClosed();
}

void CChartpointPanel::CloseViewer(int slot)
{
    if (slot < 0 || slot >= int(m_viewers.size()))
        return;
    if (IsViewerOpen(slot))
        m_viewers[std::size_t(slot)]->OnCloseDocument();
    m_viewers[std::size_t(slot)] = nullptr;
}

void CChartpointPanel::OnDetach()
{
    const int entry = m_attachments->currentIndex();
    if (entry < 0)
        return;
    CloseViewer(entry);
    m_attachments->setItemText(entry, kUnused);
    m_attachments->setCurrentIndex(entry);
    Modified();
}

void CChartpointPanel::FocusName()
{
    if (!m_name)
        return;
    m_name->setFocus(Qt::OtherFocusReason);
    m_name->selectAll();
}

void CChartpointPanel::ShowAttachment(int n)
{
    if (!m_attachments || n < 1 || n > m_attachments->count())
        return;
    m_attachments->setCurrentIndex(n - 1);
    OnView();
}

}   // namespace chartpoints
