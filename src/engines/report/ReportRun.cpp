#include "engines/report/ReportRun.h"

#include "engines/dbase/DbaseEngine.h"
#include "engines/report/ReportDefinitionFile.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

#include <QElapsedTimer>
#include <QEventLoop>

#include <thread>

namespace report {

namespace {
// Rows written between two looks at Cancel.
constexpr std::size_t kRowBatch = 64;
}   // namespace

CReportSink::CReportSink(CReportTable& table, std::stop_token stop, std::atomic<std::size_t>& done,
                         std::atomic<std::size_t>& expected,
                         std::shared_ptr<dbase::CDbaseEngine> engine)
    : m_table(table), m_stop(std::move(stop)), m_done(done), m_expected(expected),
      m_engine(std::move(engine))
{ }

std::string& CReportSink::Cell(std::string_view field)
{
    const int index = m_table.FieldIndex(field);
    return index < 0 ? m_spare : m_table.m_cells[static_cast<std::size_t>(index)];
}

bool CReportSink::Append()
{
    if (m_done % kRowBatch == 0 && m_stop.stop_requested())
        return false;
    if (!m_table.AppendCells())
        return false;
    m_table.ClearCells();
    ++m_done;
    return true;
}

CReportTableRows::CReportTableRows(std::shared_ptr<dbase::CDbaseEngine> engine,
                                   std::unique_ptr<CReportTable> table,
                                   std::unique_ptr<CReportTempName> name,
                                   std::vector<int> columnFields)
    : m_engine(std::move(engine)), m_table(std::move(table)), m_name(std::move(name)),
      m_columnFields(std::move(columnFields))
{
    m_count = static_cast<std::size_t>(std::max(0L, m_table->RowCount()));
}

CReportTableRows::~CReportTableRows()
{
    m_table->CloseTable();
    m_name->Remove();
}

void CReportTableRows::Row(std::size_t index, std::vector<std::string>& cells) const
{
    cells.assign(m_columnFields.size(), std::string());
    // The rows were appended in order, so record n + 1 is row n.
    if (!m_table->ReadRow(static_cast<long>(index) + 1))
        return;
    for (std::size_t c = 0; c < m_columnFields.size(); ++c)
        if (m_columnFields[c] >= 0)
            cells[c] = m_table->m_cells[static_cast<std::size_t>(m_columnFields[c])];
}

std::filesystem::path CReportTableRows::TablePath() const
{
    return std::filesystem::path(m_name->Base()).concat(".dbf");
}

bool ApplyReportDefinition(CReportRequest& request, const std::filesystem::path& systemFolder,
                           std::string& error)
{
    return LoadReportDefinition(request.name, systemFolder, request.fields, request.formulas,
                                request.definition, error);
}

std::unique_ptr<CFilledReport> FillReport(CReportRequest request, QSizeF page, std::stop_token stop,
                                          CRunProgress& progress, std::string& error)
{
    error.clear();
    auto engine = std::make_shared<dbase::CDbaseEngine>();
    auto name = std::make_unique<CReportTempName>();
    const std::filesystem::path folder =
        request.folder.empty() ? ProcessReportFolder() : request.folder;
    if (!name->Take(folder, error))
        return nullptr;
    std::unique_ptr<CReportTable> table =
        request.makeTable ? request.makeTable(request.fields, engine) : nullptr;
    if (!table) {
        error = "The report \"" + request.name + "\" has no table to write its rows to.";
        return nullptr;
    }
    if (!table->CreateAt(name->Base().string())) {
        error = "The report table " + name->Base().string() + ".dbf could not be made.";
        return nullptr;
    }
    // Held for the whole fill: nobody else appends, and no lock per row.
    table->BeginFill();
    {
        CReportSink sink(*table, stop, progress.done, progress.expected, engine);
        std::string fillError;
        const bool filled = request.fill ? request.fill(sink, fillError) : true;
        if (!filled || stop.stop_requested()) {
            error = stop.stop_requested() ? std::string() : fillError;
            table->CloseTable();
            return nullptr;   // `name` removes the files
        }
    }
    table->EndFill();

    // Which table field each column shows.
    std::vector<int> columnFields;
    for (const CReportColumn& column : request.definition.columns)
        columnFields.push_back(table->FieldIndex(column.field));
    // Title lines that show fields take them from the first row.
    if (!request.definition.titleParts.empty()) {
        const bool first = table->ReadRow(1);
        request.definition.titles.clear();
        for (const auto& parts : request.definition.titleParts) {
            std::string line;
            for (const CTitlePart& part : parts) {
                if (!part.field) {
                    line += part.text;
                    continue;
                }
                const int index = table->FieldIndex(part.text);
                if (first && index >= 0)
                    line += table->m_cells[static_cast<std::size_t>(index)];
            }
            request.definition.titles.push_back(std::move(line));
        }
    }
    auto filled = std::make_unique<CFilledReport>();
    filled->rows = std::make_unique<CReportTableRows>(engine, std::move(table), std::move(name),
                                                      std::move(columnFields));
    progress.measuring = true;
    const double margin = request.definition.margin;
    filled->layout =
        std::make_unique<CReportLayout>(std::move(request.definition), *filled->rows, page, margin);
    const bool measured = filled->layout->Paginate([&] {
        ++progress.pages;
        return stop.stop_requested();
    });
    if (!measured)
        return nullptr;
    return filled;
}

std::unique_ptr<CFilledReport> RunReport(CReportRequest request, const QString& caption,
                                         QWidget* parent, std::string& error)
{
    CRunProgress progress;
    std::unique_ptr<CFilledReport> result;
    error.clear();
    const QSizeF page = DefinitionPageSize(request.definition);

    QProgressDialog dialog(QObject::tr("Reading rows..."), QObject::tr("Cancel"), 0, 0, parent);
    dialog.setWindowTitle(caption);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.hide();

    // The loop below runs until the worker says it has finished; a cancel
    // only asks it to stop (it looks once a row batch and once a page).
    QEventLoop loop;
    std::jthread worker([&](std::stop_token stop) {
        result = FillReport(std::move(request), page, stop, progress, error);
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
        worker.request_stop();
        dialog.setLabelText(QObject::tr("Stopping..."));
    });

    QElapsedTimer shown;
    shown.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&] {
        // Short runs end before the dialog would only flash.
        if (!dialog.isVisible() && shown.elapsed() > 300)
            dialog.show();
        if (worker.get_stop_token().stop_requested())
            return;
        if (progress.measuring) {
            dialog.setLabelText(QObject::tr("Laying out page %1...").arg(progress.pages.load()));
            dialog.setRange(0, 0);
        } else if (const std::size_t expected = progress.expected; expected > 0) {
            dialog.setRange(0, 1000);
            dialog.setValue(
                static_cast<int>(std::min<std::size_t>(1000, progress.done * 1000 / expected)));
        }
    });
    tick.start(100);
    loop.exec();
    worker.join();   // the worker has left FillReport; `result` is ours now
    dialog.hide();
    return result;
}

}   // namespace report
