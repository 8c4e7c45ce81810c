// The main frame's vector chart commands: Update Folio, run on a worker
// thread with progress and Cancel between cells, and opening a ".b" file of
// the vector chart folder.
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressDialog>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/CommandIds.h"
#include "app/ui/OpenSaveDlgs.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "charts/vector/LiveChartService.h"
#include "shell/MainFrame.h"

namespace shell {

namespace cmd = app::cmd;

namespace {

charts::CLiveChartService* FindVectorService(chart::CChartingModule* charting)
{
    if (!charting)
        return nullptr;
    for (const auto& service : charting->ChartServices())
        if (auto* live = dynamic_cast<charts::CLiveChartService*>(service.get()))
            return live;
    return nullptr;
}

}   // namespace

bool CMainFrame::HasVectorCharts() const
{
    return FindVectorService(m_charting) != nullptr;
}

void CMainFrame::RegisterVectorChartCommands()
{
    const void* me = this;
    // The folder is looked at every few seconds, not on every idle update:
    // the scan walks the folder tree.
    struct Seen {
        std::chrono::steady_clock::time_point next;
        bool enabled = false;
    };
    auto seen = std::make_shared<Seen>();
    m_commands.Add(
        me, cmd::kChartUpdateFolio, [this](unsigned) { UpdateVectorFolio(); },
        [this, seen](app::CCmdUI& ui) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= seen->next) {
                const charts::CLiveChartService* service = FindVectorService(m_charting);
                seen->enabled = service && service->HasChartsOrCells();
                seen->next = now + std::chrono::seconds(3);
            }
            ui.Enable(seen->enabled);
        });
}

void CMainFrame::OpenVectorChartFile(bool replace)
{
    charts::CLiveChartService* service = FindVectorService(m_charting);
    if (!service)
        return;
    // The program's own open dialog; a chart file "A1.B" is found for "A1.b".
    app::COpenFileDlg dialog(tr("Open Livechart"),
                             QString::fromStdString(service->Folder().string()),
                             tr(" Livechart Charts (*.b)"), QString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::filesystem::path path = dialog.ChosenPath();
    if (!path.empty())
        OpenChart(path.string(), replace, chart::kFrameNormal);
}

bool CMainFrame::UpdateVectorFolio()
{
    charts::CLiveChartService* service = FindVectorService(m_charting);
    if (!service)
        return false;
    QProgressDialog progress(tr("Updating the folio..."), tr("Cancel"), 0, 0, this);
    progress.setWindowTitle(tr("Update Folio"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // The worker posts its progress and its end to this thread; the dialog
    // outlives it, since the worker is joined before the dialog goes.
    QEventLoop loop;
    vengine::FolioUpdateResult result;
    QProgressDialog* dialog = &progress;
    std::jthread worker([&, dialog](std::stop_token stop) {
        result = service->UpdateFolio(
            [dialog](int done, int total, const std::string& cell) {
                QMetaObject::invokeMethod(
                    dialog,
                    [dialog, done, total, cell] {
                        dialog->setMaximum(total);
                        dialog->setValue(done);
                        dialog->setLabelText(
                            cell.empty() ? tr("Writing the folio...")
                                         : tr("Importing %1").arg(QString::fromStdString(cell)));
                    },
                    Qt::QueuedConnection);
            },
            stop);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    connect(&progress, &QProgressDialog::canceled, &loop, [&worker] { worker.request_stop(); });
    loop.exec();
    worker.join();
    // reset() also stops the dialog's own timer that shows it after its
    // minimum duration: a quick update would otherwise have it shown again,
    // modal, over the outcome's message, which could then not be answered.
    progress.reset();
    progress.hide();
    QApplication::restoreOverrideCursor();

    std::string text = charts::CLiveChartService::UpdateMessage(result);
    for (const auto& refused : result.refused)
        text += "\n" + refused;
    for (const auto& note : result.notes)
        text += "\n" + note;
    // Scripted checks read the outcome from the log.
    if (std::getenv("BRINE_REPORT_CHARTS")) {
        std::string line = text;
        std::replace(line.begin(), line.end(), '\n', ';');
        qInfo("Brinevane: folio: %s", line.c_str());
    }
    if (result.recordsWritten > 0) {
        QMessageBox::information(this, tr("Livechart"), QString::fromStdString(text));
        if (m_charting)
            m_charting->BuildChartFolio();
        return true;
    }
    QMessageBox::critical(this, tr("Livechart"), QString::fromStdString(text));
    return false;
}

}   // namespace shell
