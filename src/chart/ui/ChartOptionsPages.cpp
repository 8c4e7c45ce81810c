#include "chart/ui/ChartOptionsPages.h"

#include "app/ui/ModuleUi.h"
#include "chart/ChartDoc.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DisplayPalettes.h"
#include "app/ui/SpinEdit.h"
#include "chart/ChartingModule.h"

namespace chart {

namespace {

int ReadInt(const QString& text, bool& ok)
{
    return text.trimmed().toInt(&ok);
}

std::function<QString(const QString&, bool)> Stepper(int low, int high)
{
    return [low, high](const QString& text, bool up) {
        bool ok = false;
        const int v = ReadInt(text, ok);
        return QString::number(ok ? std::clamp(v + (up ? 1 : -1), low, high) : low);
    };
}

QColor FromColorRef(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

std::uint32_t ToColorRef(const QColor& c)
{
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

// A sample of a line `width` pixels thick, for the width list.
QIcon LineImage(int width)
{
    QPixmap pixmap(60, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(2, 6 - width / 2, 56, width, QApplication::palette().text());
    return QIcon(pixmap);
}

app::CModelessPropertySheet* FindSheet(QWidget* frame, const char* name)
{
    return frame ? frame->findChild<app::CModelessPropertySheet*>(name, Qt::FindDirectChildrenOnly)
                 : nullptr;
}

}   // namespace

CDisplayOptionsPage::CDisplayOptionsPage(std::unique_ptr<chart::CDisplayOptionsModel> model,
                                         QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    m_maxCharts = new app::CSpinEdit("maxCharts", this);
    m_maxCharts->SetSpin(Stepper(1, 255));
    m_small = new app::CSpinEdit("smallPan", this);
    m_large = new app::CSpinEdit("largePan", this);
    // The pan steps move by the model's rule and never pass each other.
    m_small->SetSpin([this](const QString& text, bool up) {
        ControlsToModel();
        bool ok = false;
        const int v = ReadInt(text, ok);
        if (!ok)
            return text;
        M().Values().smallPanStep = v;
        M().SpinSmall(up);
        return QString::number(M().Values().smallPanStep);
    });
    m_large->SetSpin([this](const QString& text, bool up) {
        ControlsToModel();
        bool ok = false;
        const int v = ReadInt(text, ok);
        if (!ok)
            return text;
        M().Values().largePanStep = v;
        M().SpinLarge(up);
        return QString::number(M().Values().largePanStep);
    });
    m_lineWidth = new app::CSpinEdit("lineWidth", this);
    m_lineWidth->SetSpin(Stepper(1, 4));

    auto* form = new QFormLayout;
    form->addRow(tr("&Maximum chart windows"), m_maxCharts);
    auto* panning = new QGroupBox(tr("Chart Panning (pixels)"), this);
    auto* panForm = new QFormLayout(panning);
    panForm->addRow(tr("&Small"), m_small);
    panForm->addRow(tr("&Large"), m_large);
    auto* widthRow = new QHBoxLayout;
    auto* widthLabel = new QLabel(tr("Line &width"), this);
    widthLabel->setBuddy(m_lineWidth);
    widthRow->addWidget(widthLabel);
    widthRow->addWidget(m_lineWidth);
    widthRow->addWidget(new QLabel(tr("pixels"), this));
    widthRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(panning);
    layout->addLayout(widthRow);
    layout->addStretch(1);
}

chart::CDisplayOptionsModel& CDisplayOptionsPage::M() const
{
    return static_cast<chart::CDisplayOptionsModel&>(Model());
}

std::optional<app::CFieldError> CDisplayOptionsPage::ControlsToModel()
{
    chart::CDisplayOptions& v = M().Values();
    const std::pair<app::CSpinEdit*, int*> fields[] = {{m_maxCharts, &v.maxCharts},
                                                       {m_small, &v.smallPanStep},
                                                       {m_large, &v.largePanStep},
                                                       {m_lineWidth, &v.lineWidth}};
    for (const auto& [edit, out] : fields) {
        bool ok = false;
        const int n = ReadInt(edit->text(), ok);
        if (!ok)
            return app::CFieldError{edit->objectName().toStdString(),
                                    "Enter a whole number of pixels or windows"};
        *out = n;
    }
    return std::nullopt;
}

void CDisplayOptionsPage::ModelToControls()
{
    const chart::CDisplayOptions& v = M().Values();
    m_maxCharts->setText(QString::number(v.maxCharts));
    m_small->setText(QString::number(v.smallPanStep));
    m_large->setText(QString::number(v.largePanStep));
    m_lineWidth->setText(QString::number(v.lineWidth));
}

CViewDisplayPage::CViewDisplayPage(std::unique_ptr<chart::COverlayOptionsModel> model,
                                   std::function<int()> activePalette, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent), m_activePalette(std::move(activePalette))
{
    auto* limits = new QGroupBox(tr("Limit lines"), this);
    m_boundaries = new QCheckBox(tr("Chart &boundaries"), limits);
    m_boundaries->setObjectName("chartBoundaries");
    m_grid = new QCheckBox(tr("Latitude / lon&gitude"), limits);
    m_grid->setObjectName("latLongGrid");
    m_updates = new QCheckBox(tr("Chart &updates"), limits);
    m_updates->setObjectName("chartUpdates");
    auto* limitsLayout = new QVBoxLayout(limits);
    limitsLayout->addWidget(m_boundaries);
    limitsLayout->addWidget(m_grid);
    limitsLayout->addWidget(m_updates);

    auto* focus = new QGroupBox(tr("Focus Box"), this);
    m_colour = new QPushButton(tr("Colou&r"), focus);
    m_colour->setObjectName("focusColour");
    connect(m_colour, &QPushButton::clicked, this, [this] { PickColour(); });
    m_width = new QComboBox(focus);
    m_width->setObjectName("focusWidth");
    m_width->setIconSize(QSize(60, 12));
    for (int w = 1; w <= chart::kFocusBoxWidths; ++w)
        m_width->addItem(LineImage(w), QString::number(w));
    auto* focusForm = new QFormLayout(focus);
    focusForm->addRow(tr("Colour"), m_colour);
    focusForm->addRow(tr("Line &width"), m_width);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(limits);
    layout->addWidget(focus);
    layout->addStretch(1);

    // The well follows a Day, Dusk or Night switch while the sheet is open.
    auto* follow = new QTimer(this);
    follow->setInterval(500);
    connect(follow, &QTimer::timeout, this, [this] { UpdateControls(); });
    follow->start();
}

chart::COverlayOptionsModel& CViewDisplayPage::M() const
{
    return static_cast<chart::COverlayOptionsModel&>(Model());
}

void CViewDisplayPage::ShowColour()
{
    QPixmap swatch(28, 14);
    swatch.fill(FromColorRef(M().FocusColour()));
    m_colour->setIcon(QIcon(swatch));
}

void CViewDisplayPage::PickColour()
{
    const QColor chosen =
        QColorDialog::getColor(FromColorRef(M().FocusColour()), this, tr("Focus box colour"));
    if (!chosen.isValid())
        return;
    M().SetFocusColour(ToColorRef(chosen));
    ShowColour();
}

std::optional<app::CFieldError> CViewDisplayPage::ControlsToModel()
{
    chart::COverlayOptions& v = M().Values();
    v.chartBoundaries = m_boundaries->isChecked();
    v.latLongGrid = m_grid->isChecked();
    v.chartUpdates = m_updates->isChecked();
    v.focusBoxLineWidth = m_width->currentIndex() + 1;
    return std::nullopt;
}

void CViewDisplayPage::ModelToControls()
{
    const chart::COverlayOptions& v = M().Values();
    m_boundaries->setChecked(v.chartBoundaries);
    m_grid->setChecked(v.latLongGrid);
    m_updates->setChecked(v.chartUpdates);
    m_width->setCurrentIndex(v.focusBoxLineWidth - 1);
    ShowColour();
}

void CViewDisplayPage::UpdateControls()
{
    if (m_activePalette && M().FollowPalette(m_activePalette()))
        ShowColour();
}

CChartManagementPage::CChartManagementPage(std::unique_ptr<chart::CChartFoldersModel> model,
                                           QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    // Each folder in a group of its own: the field with its Browse button.
    auto* layout = new QVBoxLayout(this);
    auto folderGroup = [this, layout](const char* title, const char* name, const char* browseText,
                                      const QString& caption, QLineEdit*& edit) {
        auto* group = new QGroupBox(tr(title), this);
        edit = new QLineEdit(group);
        edit->setObjectName(name);
        edit->setMinimumWidth(360);
        auto* browse = new QPushButton(tr(browseText), group);
        auto* row = new QHBoxLayout(group);
        row->addWidget(edit, 1);
        row->addWidget(browse);
        layout->addWidget(group);
        QLineEdit* target = edit;
        // The group's letter goes to its field.
        group->setFocusProxy(edit);
        connect(browse, &QPushButton::clicked, this, [this, target, caption] {
            const QString dir = QFileDialog::getExistingDirectory(this, caption, target->text());
            if (!dir.isEmpty())
                target->setText(dir);
        });
    };
    folderGroup("Chart &folder", "chartsFolder", "&Browse...", tr("Select charts folder"),
                m_charts);
    folderGroup("External Chart &Source", "sourceFolder", "Bro&wse...",
                tr("Select chart source folder"), m_source);
    layout->addStretch(1);
}

chart::CChartFoldersModel& CChartManagementPage::M() const
{
    return static_cast<chart::CChartFoldersModel&>(Model());
}

std::optional<app::CFieldError> CChartManagementPage::ControlsToModel()
{
    M().Values().chartsFolder = m_charts->text().trimmed().toStdString();
    M().Values().sourceFolder = m_source->text().trimmed().toStdString();
    return std::nullopt;
}

void CChartManagementPage::ModelToControls()
{
    m_charts->setText(QString::fromStdString(M().Values().chartsFolder));
    m_source->setText(QString::fromStdString(M().Values().sourceFolder));
}

void ReloadChartFolders(chart::CChartingModule& charting, const chart::CChartFolders& folders,
                        QWidget* parent)
{
    QProgressDialog progress(QObject::tr("Reloading charts..."), QString(), 0, 4, parent);
    progress.setWindowTitle(QObject::tr("Chart Management"));
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::WindowModal);
    auto step = [&progress](int n, const char* text) {
        progress.setLabelText(QObject::tr(text));
        progress.setValue(n);
        QApplication::processEvents();
    };
    // Either folder changed: every chart closes and the chart list is built
    // again from the folders as they now are.
    step(0, "Closing charts...");
    charting.CloseAllChartDocs();
    step(1, "Removing the chart list...");
    charting.ClearFolioItems();
    step(2, "Setting the folders...");
    charting.SetChartsFolder(folders.chartsFolder);
    charting.SetSourcePath(folders.sourceFolder);
    step(3, "Building the chart list...");
    charting.BuildChartFolio();
    charting.SaveChartSettings();
    step(4, "Done");
}

bool IsChartOptionsSheetOpen(QWidget* frame)
{
    const app::CModelessPropertySheet* open = FindSheet(frame, "chartOptions");
    return open && open->isVisible();
}

void OpenChartOptionsSheet(chart::CChartingModule& charting, const app::CDisplayPalettes* palettes,
                           QWidget* frame, app::CPostedMessageQueue* frameQueue,
                           std::function<void()> help)
{
    if (app::CModelessPropertySheet* open = FindSheet(frame, "chartOptions")) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QObject::tr("Chart Options"), frame);
    sheet->setObjectName("chartOptions");
    const chart::CChartSettings& s = charting.ChartSettings();
    chart::CDisplayOptions display{s.maxCharts, s.smallPanStep, s.largePanStep, s.lineWidth};
    chart::CChartingModule* module = &charting;
    sheet->AddPage(new CDisplayOptionsPage(std::make_unique<chart::CDisplayOptionsModel>(
        display, [module](const chart::CDisplayOptions& v) {
            chart::CChartSettings& t = module->ChartSettings();
            t.maxCharts = static_cast<std::uint8_t>(v.maxCharts);
            t.smallPanStep = v.smallPanStep;
            t.largePanStep = v.largePanStep;
            t.lineWidth = static_cast<std::uint8_t>(v.lineWidth);
            module->SaveChartSettings();
            module->InvalidateAllChartViews();
        })));
    chart::COverlayOptions overlays;
    overlays.chartBoundaries = s.drawFolioBoxes;
    overlays.latLongGrid = s.drawLatLongGrid;
    overlays.chartUpdates = s.drawUpdateBoxes;
    overlays.focusBoxColour = s.focusBoxColour;
    overlays.focusBoxLineWidth = s.focusBoxLineWidth;
    auto active = [palettes] { return palettes ? palettes->GetActive() : 0; };
    sheet->AddPage(new CViewDisplayPage(std::make_unique<chart::COverlayOptionsModel>(
                                            overlays, active(),
                                            [module](const chart::COverlayOptions& v) {
                                                chart::CChartSettings& t = module->ChartSettings();
                                                t.drawFolioBoxes = v.chartBoundaries;
                                                t.drawLatLongGrid = v.latLongGrid;
                                                t.drawUpdateBoxes = v.chartUpdates;
                                                t.focusBoxColour = v.focusBoxColour;
                                                t.focusBoxLineWidth =
                                                    static_cast<std::uint8_t>(v.focusBoxLineWidth);
                                                module->SaveChartSettings();
                                                module->RedrawAllChartViews();
                                            }),
                                        active));
    // Each chart service with a folder of its own (the vector charts) adds its page.
    for (const auto& service : charting.ChartServices())
        if (app::CModuleUi* ui = service->Ui())
            for (const app::COptionPageFactory& page : ui->ChartOptionPages())
                sheet->AddPage(page.create(sheet));
    sheet->SetFrameQueue(frameQueue);
    sheet->SetHelp(std::move(help));
    sheet->ShowModeless();
}

void OpenChartManagementSheet(chart::CChartingModule& charting, QWidget* frame,
                              app::CPostedMessageQueue* frameQueue, std::function<void()> help)
{
    if (app::CModelessPropertySheet* open = FindSheet(frame, "chartManagement")) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QObject::tr("Chart Management Options"), frame);
    sheet->setObjectName("chartManagement");
    chart::CChartingModule* module = &charting;
    QPointer<QWidget> parent = sheet;
    sheet->AddPage(new CChartManagementPage(std::make_unique<chart::CChartFoldersModel>(
        chart::CChartFolders{charting.GetDataFolder(), charting.GetSourcePath()},
        [module, parent](const chart::CChartFolders& v) {
            ReloadChartFolders(*module, v, parent);
        })));
    // Each chart service with pages of its own (the raster services' installation) adds them.
    for (const auto& service : charting.ChartServices())
        if (app::CModuleUi* ui = service->Ui())
            for (const app::COptionPageFactory& page : ui->OptionPages())
                sheet->AddPage(page.create(sheet));
    sheet->SetFrameQueue(frameQueue);
    sheet->SetHelp(std::move(help));
    // The program's window waits for this sheet: charts are installed, moved
    // and reloaded from it, with no chart window opened or closed meanwhile.
    // The dialogs its pages open stay usable.
    sheet->setWindowModality(Qt::WindowModal);
    sheet->ShowModeless();
}

}   // namespace chart
