// File > Print of a report prints on the printer Print Setup chose without
// asking anything, under one wait state from the first step to the end of
// the print; without a printer to print on the run says so. A report's
// preview offers Print and Print Setup only while the system has a printer.

#include "shell/ModuleReports.h"

#include "AnsweredBoxes.h"
#include "FileSettingsHome.h"
#include "ReportTestApp.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "WaitStatusRecorder.h"
#include "app/FileChoosers.h"
#include "chartpoints/ChartpointModule.h"
#include "engines/report/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// The wait cursor's changes, each with whether the printed file was there.
class CursorRecorder final : public app::CWaitHost {
public:
    explicit CursorRecorder(fs::path printed) : m_printed(std::move(printed)) { }
    void SetWaitCursor(bool on) override
    {
        (on ? onWithFile : offWithFile).push_back(fs::exists(m_printed));
    }
    std::optional<std::string> StatusText() const override { return std::nullopt; }
    void SetStatusText(const std::string&) override { }
    std::vector<bool> onWithFile;
    std::vector<bool> offWithFile;

private:
    fs::path m_printed;
};

// Every dialog other than a message box that opens: its name kept, then cancelled.
struct DialogsSeen {
    QStringList names;
    QTimer watch;
    DialogsSeen()
    {
        QObject::connect(&watch, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog && !dialog->inherits("QMessageBox")) {
                names << dialog->objectName() + "|" + dialog->windowTitle();
                dialog->reject();
            }
        });
        watch.start(10);
    }
};

QAction* Action(QWidget& window, const QString& text)
{
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

class ReportPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.Initialise());
        ASSERT_TRUE(module.OpenDatabase((dir.Path() / "Chartpoints" / "Sound").string()));
        module.OnEdit();
        module.OnNew();
        area.resize(800, 600);
        area.show();
        host.chartpoints = &module;
        host.mdi = &area;
        host.parent = &area;
        const char* source = std::getenv("BRINE_SOURCE_DIR");
        host.reportsFolder = fs::path(source ? source : "..") / "data" / "System" / "Reports";
    }
    void TearDown() override
    {
        app::CWaitStatus::SetCursorHost(nullptr);
        app::CWaitStatus::SetStatusHost(nullptr);
        area.closeAllSubWindows();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        module.CloseDatabase(true);
        module.Terminate();
    }

    QApplication& app = brine_test::ReportTestApp("report_print_test");   // before any widget
    brine_test::TempFolder dir;
    brine_test::FileSettingsHome settings{dir.Path() / "settings.conf"};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointModule module{settings, prompt, dir.Path()};
    QMdiArea area;
    shell::CModuleReportHost host;
    const fs::path printed = dir.Path() / "printed.pdf";
    CursorRecorder cursor{printed};
    brine_test::WaitStatusRecorder status;
};

TEST_F(ReportPrintTest, PrintGoesToTheChosenPrinterWithoutAskingUnderOneWaitState)
{
    QPrinter printer(QPrinter::HighResolution);   // as Print Setup leaves it: a file
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(printed.string()));
    host.printer = &printer;
    app::CWaitStatus::SetCursorHost(&cursor);
    app::CWaitStatus::SetStatusHost(&status);
    DialogsSeen dialogs;
    brine_test::AnsweredBoxes boxes;

    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintChartpoints, false, host));
    EXPECT_TRUE(dialogs.names.isEmpty()) << dialogs.names.join(", ").toStdString();
    EXPECT_TRUE(boxes.seen.empty());
    ASSERT_TRUE(fs::exists(printed));
    EXPECT_NE(brine_test::CommandOutput("pdftotext '" + printed.string() + "' -")
                  .find("Chartpoint Report"),
              std::string::npos);
    // One wait state: on before anything was printed, off once it was.
    EXPECT_EQ(cursor.onWithFile, std::vector<bool>{false});
    EXPECT_EQ(cursor.offWithFile, std::vector<bool>{true});
    EXPECT_EQ(status.texts.front(), app::kPleaseWaitText);
    EXPECT_EQ(status.current, "Ready");

    // A file printer with no file set up (a machine without a print
    // service, Print Setup never used): told, nothing asked.
    fs::remove(printed);
    QPrinter unset(QPrinter::HighResolution);
    unset.setOutputFormat(QPrinter::PdfFormat);
    host.printer = &unset;
    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintChartpoints, false, host));
    EXPECT_TRUE(dialogs.names.isEmpty()) << dialogs.names.join(", ").toStdString();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].first.contains("No printer is available"))
        << boxes.seen[0].first.toStdString();
    EXPECT_TRUE(boxes.seen[0].first.startsWith("Error 3 trying to display/print report :\n"));
    EXPECT_FALSE(fs::exists(printed));
}

TEST_F(ReportPrintTest, ThePreviewOffersPrintAndPrintSetupOnlyWithAPrinter)
{
    QPrinter printer(QPrinter::HighResolution);
    host.printer = &printer;
    for (const bool present : {false, true}) {
        SCOPED_TRACE(present ? "printer present" : "no printer");
        host.printerPresent = present;
        ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintChartpoints, true, host));
        ASSERT_EQ(area.subWindowList().size(), 1);
        auto* preview = qobject_cast<report::CReportPreview*>(area.subWindowList()[0]->widget());
        ASSERT_NE(preview, nullptr);
        QAction* print = Action(*preview, "Print...");
        QAction* setup = Action(*preview, "Print Setup...");
        ASSERT_NE(print, nullptr);
        ASSERT_NE(setup, nullptr);
        EXPECT_EQ(print->isVisible(), present);
        EXPECT_EQ(setup->isVisible(), present);
        EXPECT_TRUE(Action(*preview, "Find")->isVisible());
        if (present) {
            // Print Setup chooses a printer and prints nothing: its dialog
            // accepts with OK.
            QString okText;
            QTimer look;
            QObject::connect(&look, &QTimer::timeout, [&okText] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!dialog || dialog->objectName() != "PrintSetupDialog")
                    return;
                if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                    okText = buttons->button(QDialogButtonBox::Ok)->text();
                okText += "|" + dialog->windowTitle();
                dialog->reject();
            });
            look.start(10);
            setup->trigger();
            look.stop();
            EXPECT_EQ(okText.toStdString(), "OK|Print Setup");
        }
        area.closeAllSubWindows();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}   // namespace
