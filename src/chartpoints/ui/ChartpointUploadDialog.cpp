#include "chartpoints/ui/ChartpointUploadDialog.h"

#include "chartpoints/ChartpointModule.h"
#include "db/DBChartPoint.h"
#include "geo/DatumInfo.h"
#include "geo/Position.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace chartpoints {

namespace {

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

}   // namespace

CChartpointUploadDialog::CChartpointUploadDialog(chartpoints::CChartpointModule& module,
                                                 QWidget* parent)
    : QDialog(parent), m_module(module)
{
    setWindowTitle(QStringLiteral("Upload Chartpoints to Navigator"));
    setObjectName("ChartpointUpload");
    auto* layout = new QVBoxLayout(this);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* captions = new QLabel(this);
    captions->setFont(fixed);
    captions->setText(QString::fromStdString(Padded("ID", 8) + "  " + Padded("Name", 25) + "  " +
                                             Padded("Latitude", 13) + "  " +
                                             Padded("Longitude", 14) + "  Datum"));
    layout->addWidget(captions);
    m_rows = new QListWidget(this);
    m_rows->setObjectName("rows");
    m_rows->setFont(fixed);
    m_rows->setSelectionMode(QAbstractItemView::MultiSelection);
    m_rows->setMinimumWidth(captions->sizeHint().width() + 40);
    m_rows->setMinimumHeight(240);
    layout->addWidget(m_rows);
    connect(m_rows, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });

    auto* selectRow = new QHBoxLayout();
    m_all = new QPushButton(QStringLiteral("Select &All"), this);
    m_none = new QPushButton(QStringLiteral("Select &None"), this);
    selectRow->addWidget(m_all);
    selectRow->addWidget(m_none);
    selectRow->addStretch();
    layout->addLayout(selectRow);
    connect(m_all, &QPushButton::clicked, this, [this] {
        m_rows->selectAll();
        UpdateButtons();
    });
    connect(m_none, &QPushButton::clicked, this, [this] {
        m_rows->clearSelection();
        UpdateButtons();
    });

    auto* identifiers = new QGroupBox(QStringLiteral("Chartpoint Identifiers"), this);
    auto* idLayout = new QHBoxLayout(identifiers);
    m_number = new QCheckBox(QStringLiteral("Number &starting at"), identifiers);
    m_start = new QLineEdit(QStringLiteral("1"), identifiers);
    m_start->setObjectName("start");
    m_start->setValidator(new QIntValidator(0, 999999, m_start));
    m_start->setMaximumWidth(70);
    m_name = new QCheckBox(QStringLiteral("Na&me"), identifiers);
    m_id = new QCheckBox(QStringLiteral("&ID"), identifiers);
    m_number->setObjectName("number");
    m_name->setObjectName("name");
    m_id->setObjectName("id");
    idLayout->addWidget(m_number);
    idLayout->addWidget(m_start);
    idLayout->addWidget(m_name);
    idLayout->addWidget(m_id);
    layout->addWidget(identifiers);
    m_checksum = new QCheckBox(QStringLiteral("C&hecksum"), this);
    m_checksum->setObjectName("checksum");
    layout->addWidget(m_checksum);
    connect(m_number, &QCheckBox::clicked, this, [this](bool on) {
        m_choice.ClickNumber(on);
        ShowChoice();
        if (m_choice.number)
            m_start->setFocus();
    });
    connect(m_name, &QCheckBox::clicked, this, [this](bool on) {
        m_choice.ClickName(on);
        ShowChoice();
    });
    connect(m_id, &QCheckBox::clicked, this, [this](bool on) {
        m_choice.ClickId(on);
        ShowChoice();
    });

    auto* buttons = new QDialogButtonBox(this);
    m_upload = buttons->addButton(QStringLiteral("&Upload"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnUpload(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    FillRows();
    ShowChoice();
    UpdateButtons();
}

void CChartpointUploadDialog::FillRows()
{
    db::CDBChartPoint& table = m_module.Table();
    if (!m_module.IsDatabaseOpen())
        return;
    table.PushPosition();
    for (bool ok = table.GoTop(); ok; ok = table.SkipForward()) {
        const geo::CPosition& p = table.m_position;
        const std::uint16_t datum =
            p.GetDatum() == geo::kNoDatumIndex ? geo::DatumIndexWGS84() : p.GetDatum();
        const std::string row = Padded(table.m_ident, 8) + "  " + Padded(table.m_name, 25) + "  " +
                                p.FormatLatitude() + "  " + p.FormatLongitude() + "  " +
                                geo::CDatumInfo::GetName(datum);
        m_rows->addItem(QString::fromStdString(row));
        if (table.IsLast())
            break;
    }
    table.PopPosition();
}

void CChartpointUploadDialog::ShowChoice()
{
    m_number->setChecked(m_choice.number);
    m_name->setChecked(m_choice.name);
    m_id->setChecked(m_choice.id);
    m_start->setEnabled(m_choice.number);
}

void CChartpointUploadDialog::UpdateButtons()
{
    const int selected = int(m_rows->selectedItems().size());
    m_upload->setEnabled(selected > 0);
    m_none->setEnabled(selected > 0);
    m_all->setEnabled(selected < m_rows->count());
    m_rows->setFocus();
}

std::vector<int> CChartpointUploadDialog::SelectedRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < m_rows->count(); ++i)
        if (m_rows->item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void CChartpointUploadDialog::OnUpload()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    bool ok = false;
    int start = m_start->text().toInt(&ok);   // digits only: the validator's
    if (!ok)
        start = 1;
    std::string message;
    m_sent = m_module.UploadChartpoints(m_choice.NamingMode(), rows, start, m_checksum->isChecked(),
                                        &message);
    if (!message.empty())
        m_module.TellUser(message);
    accept();
}

}   // namespace chartpoints
