// The chartpoint list window, the upload dialog and the options page over a
// real chartpoint table: the list follows and moves the current record and
// sorts the table by a heading; the dialog's buttons and identifier boxes and
// what it hands the GPS; the options page's switches, the palette the wells
// follow, and what OK stores.
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/ChartpointOptions.h"
#include "chartpoints/ui/ChartpointListWindow.h"
#include "chartpoints/ui/ChartpointOptionsPage.h"
#include "chartpoints/ui/ChartpointUploadDialog.h"

#include "app/DisplayPalettes.h"
#include "geo/DatumInfo.h"

#include "../ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

using namespace chartpoints;
namespace fs = std::filesystem;

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};
QApplication* app = new QApplication(argc, argv);

class ChartpointWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = std::make_unique<CChartpointModule>(settings, prompt, dir.Path());
        ASSERT_TRUE(module->Initialise());
        module->SetUi(&panel);
        module->SetTransmitter(&transmitter);
        ASSERT_TRUE(module->OpenDatabase((dir / "Chartpoints" / "Sound").string()));
    }
    void TearDown() override { module->CloseDatabase(true); }
    void Add(const std::string& name, const std::string& zone, double lat, double lon)
    {
        if (!module->IsEditMode())
            module->OnEdit();
        module->OnNew();
        panel.edited = module->Current();
        panel.edited.m_name = name;
        panel.edited.m_id = name.substr(0, 3);
        panel.edited.m_zoneTime = zone;
        panel.edited.m_position = geo::CPosition(lat, lon, 0.0, geo::DatumIndexWGS84());
        panel.modified = true;
        ASSERT_TRUE(module->OnApply());
    }
    void AddFive()
    {
        Add("Point Wilson", "-8", 48.144, -122.755);
        Add("Bush Point", "-7", 48.031, -122.607);
        Add("West Point", "-9", 47.662, -122.436);
        Add("Alki Point", "-6", 47.576, -122.421);
        Add("Duwamish Head", "-5", 47.593, -122.387);
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    brine_test::FakePanel panel;
    brine_test::FakeTransmitter transmitter;
    std::unique_ptr<CChartpointModule> module;
};

TEST_F(ChartpointWindowsTest, ListFollowsMovesAndSortsTheTable)
{
    // An empty table: no rows, the heading off, focus keys ignored.
    std::vector<std::string> routed;
    chartpoints::CChartpointListWindow list(
        *module, [&](const CChartpoint& cp) { routed.push_back(cp.m_name); });
    list.resize(1200, 300);   // wider than the columns need
    list.show();
    EXPECT_EQ(list.View()->model()->rowCount(), 0);
    EXPECT_FALSE(list.View()->horizontalHeader()->isEnabled());
    QTest::keyClick(list.View(), Qt::Key_End);
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_EQ(list.windowTitle().toStdString(), "Chartpoint Database - Sound");
    // Each column as wide as its title and 50 pixels, opened empty, the last
    // one too however wide the window.
    const QFontMetrics metrics = list.View()->horizontalHeader()->fontMetrics();
    std::vector<int> widths;
    for (int c = 0; c < list.View()->model()->columnCount(); ++c) {
        widths.push_back(list.View()->columnWidth(c));
        EXPECT_EQ(widths.back(),
                  metrics.horizontalAdvance(
                      list.View()->model()->headerData(c, Qt::Horizontal).toString()) +
                      50)
            << c;
    }

    AddFive();
    list.Update(kHintDeleted);   // what the module sends after appends
    EXPECT_EQ(list.View()->model()->rowCount(), 5);
    // The rows that came keep the widths the list opened with.
    for (int c = 0; c < list.View()->model()->columnCount(); ++c)
        EXPECT_EQ(list.View()->columnWidth(c), widths[std::size_t(c)]) << c;
    list.Rebuild();
    EXPECT_EQ(list.View()->columnWidth(2), widths[2]);
    EXPECT_TRUE(list.View()->horizontalHeader()->isEnabled());
    EXPECT_EQ(list.SelectedRow(), 4);   // the last added is current

    // A click makes the row's record current.
    const QRect third = list.View()->visualRect(list.View()->model()->index(2, 1));
    QTest::mouseClick(list.View()->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(module->Current().m_name, "West Point");
    EXPECT_EQ(list.SelectedRow(), 2);
    QTest::keyClick(list.View(), Qt::Key_Up);
    EXPECT_EQ(module->Current().m_name, "Bush Point");
    QTest::keyClick(list.View(), Qt::Key_End);
    EXPECT_EQ(module->Current().m_name, "Duwamish Head");
    QTest::keyClick(list.View(), Qt::Key_Down);   // kept within the list
    EXPECT_EQ(module->Current().m_name, "Duwamish Head");

    // Enter hands the current chartpoint to the route.
    QTest::keyClick(list.View(), Qt::Key_Return);
    EXPECT_EQ(routed, std::vector<std::string>{"Duwamish Head"});

    // The Zone heading sorts the table by zone; the same record stays current.
    module->SetUi(nullptr);
    struct ListUi final : CChartpointUi {
        chartpoints::CChartpointListWindow* list = nullptr;
        bool IsListOpen() const override { return true; }
        void ListUpdate(int hint) override { list->Update(hint); }
    } ui;
    ui.list = &list;
    module->SetUi(&ui);
    list.View()->horizontalHeader()->sectionClicked(7);
    EXPECT_EQ(module->SortIndex(), 8);
    EXPECT_EQ(module->Current().m_name, "Duwamish Head");
    EXPECT_EQ(list.SelectedRow(), 4);   // zone -5 is the highest
    EXPECT_EQ(list.View()->model()->index(0, 1).data().toString().toStdString(), "West Point");
    EXPECT_EQ(list.View()->model()->index(0, 7).data().toString().toStdString(), "-9");
    module->SetUi(&panel);
}

TEST_F(ChartpointWindowsTest, UploadDialogButtonsIdentifiersAndWhatIsSent)
{
    AddFive();
    chartpoints::CChartpointUploadDialog dialog(*module);
    auto* rows = dialog.findChild<QListWidget*>("rows");
    auto* number = dialog.findChild<QCheckBox*>("number");
    auto* nameBox = dialog.findChild<QCheckBox*>("name");
    auto* id = dialog.findChild<QCheckBox*>("id");
    auto* start = dialog.findChild<QLineEdit*>("start");
    ASSERT_TRUE(rows && number && nameBox && id && start);
    QPushButton* upload = nullptr;
    QPushButton* none = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == "&Upload")
            upload = b;
        if (b->text() == "Select &None")
            none = b;
    }
    ASSERT_TRUE(upload && none);
    ASSERT_EQ(rows->count(), 5);
    EXPECT_FALSE(upload->isEnabled());
    EXPECT_FALSE(none->isEnabled());

    // Unticking the only identifier leaves it ticked; Name and ID exclude each other.
    nameBox->click();
    EXPECT_TRUE(nameBox->isChecked());
    id->click();
    EXPECT_TRUE(id->isChecked());
    EXPECT_FALSE(nameBox->isChecked());
    number->click();
    EXPECT_TRUE(start->isEnabled());
    nameBox->click();   // number and name: mode 3
    EXPECT_FALSE(id->isChecked());
    start->setText("10");

    rows->item(2)->setSelected(true);
    rows->item(5 - 1)->setSelected(true);
    EXPECT_TRUE(upload->isEnabled());
    upload->click();
    EXPECT_EQ(transmitter.sent,
              (std::vector<std::string>{"10 West Point m3", "11 Duwamish Head m3"}));
    EXPECT_EQ(dialog.SentCount(), 2);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The upload dialog's rows: ID padded to 8, the name to 25, then latitude and
// longitude in the program-wide position format, two blanks between fields.
TEST_F(ChartpointWindowsTest, UploadDialogRowsInTheProgramWideFormat)
{
    Add("Point Wilson", "-8", 48.144, -122.755);
    const geo::CPositionFormat before = geo::DisplayFormat();
    for (const auto& [format, position] :
         {std::pair{geo::CPositionFormat{2, false}, "48\u00B008.64'N  122\u00B045.30'W  "},
          std::pair{geo::CPositionFormat{3, true}, "48\u00B008'38.400N  122\u00B045'18.000W  "}}) {
        geo::SetDisplayFormat(format);
        chartpoints::CChartpointUploadDialog dialog(*module);
        auto* rows = dialog.findChild<QListWidget*>("rows");
        ASSERT_TRUE(rows && rows->count() == 1);
        const std::string row = rows->item(0)->text().toStdString();
        EXPECT_EQ(row.substr(0, 37 + std::string(position).size()),
                  "Poi       Point Wilson               " + std::string(position));
    }
    geo::SetDisplayFormat(before);
}

// Every button and box of the upload dialog has an Alt key of its own, so
// Alt+C cancels rather than only moving the focus between two owners.
TEST_F(ChartpointWindowsTest, UploadDialogAltKeysAreEachTheirOwn)
{
    AddFive();
    chartpoints::CChartpointUploadDialog dialog(*module);
    std::map<QChar, QString> owners;
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
        const QString text = b->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= text.size())
            continue;
        const QChar key = text.at(at + 1).toLower();
        const auto [it, fresh] = owners.emplace(key, text);
        EXPECT_TRUE(fresh) << text.toStdString() << " shares Alt+" << QString(key).toStdString()
                           << " with " << it->second.toStdString();
    }
    EXPECT_EQ(owners.count(QLatin1Char('c')), 1u);
}

TEST_F(ChartpointWindowsTest, OptionsPageSwitchesPaletteAndOk)
{
    app::CDisplayPalettes palettes;
    app::SetProgramPalettes(&palettes);
    palettes.SetActive(app::CDisplayPalettes::kDay);
    chart::CChartpointProperties& props = module->Properties();
    chart::PaletteColours colours = props.GetColours();
    colours[2] = 0x000040;   // a dark red for Night
    props.SetColours(colours);

    chartpoints::CChartpointGeneralOptions page(std::make_unique<CChartpointOptionsModel>(*module));
    page.ModelToControls();
    auto* overlays = page.findChild<QCheckBox*>("overlays");
    auto* drawId = page.findChild<QCheckBox*>("drawId");
    auto* size = page.findChild<QComboBox*>("overlaySize");
    auto* well = page.findChild<QPushButton*>("symbolColour");
    auto* folder = page.findChild<QLineEdit*>("databaseFolder");
    ASSERT_TRUE(overlays && drawId && size && well && folder);
    // The two folder fields, each named by its caption.
    std::map<std::string, std::string> captions;
    for (QLabel* label : page.findChildren<QLabel*>())
        if (label->buddy())
            captions[label->buddy()->objectName().toStdString()] = label->text().toStdString();
    EXPECT_EQ(captions["databaseFolder"], "&Database folder");
    EXPECT_EQ(captions["attachmentsFolder"], "Attac&hments folder");
    EXPECT_TRUE(overlays->isChecked());
    EXPECT_TRUE(size->isEnabled());
    overlays->click();
    EXPECT_FALSE(size->isEnabled());
    EXPECT_FALSE(drawId->isEnabled());
    EXPECT_FALSE(well->isEnabled());
    overlays->click();
    EXPECT_TRUE(drawId->isEnabled());

    // Night while the page is open: the wells show Night's colours.
    palettes.SetActive(app::CDisplayPalettes::kNight);
    EXPECT_TRUE(page.M().FollowPalette(chart::ActivePaletteIndex()));
    EXPECT_EQ(page.M().Values().symbolColour, 0x000040u);

    // OK: labels on, medium symbols, a new database folder made.
    drawId->click();
    size->setCurrentIndex(1);
    const fs::path newFolder = dir / "Other" / "Chartpoints";
    folder->setText(QString::fromStdString(newFolder.string()));
    ASSERT_FALSE(page.ControlsToModel());
    EXPECT_TRUE(page.M().Validate().empty());
    page.M().Apply();
    EXPECT_TRUE(props.drawId);
    EXPECT_EQ(props.GetSizeMode(), 1);
    EXPECT_TRUE(fs::is_directory(newFolder));
    EXPECT_EQ(fs::path(module->GetDataFolder()), newFolder);

    // A folder that is a file is refused, naming the field.
    std::ofstream(dir / "plain.txt") << "x";
    folder->setText(QString::fromStdString((dir / "plain.txt").string()));
    ASSERT_FALSE(page.ControlsToModel());
    const auto errors = page.M().Validate();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].field, "databaseFolder");
    // So is one that cannot be made because a file stands in its path: OK says why, before
    // anything is applied.
    const fs::path blocked = dir / "plain.txt" / "Chartpoints";
    folder->setText(QString::fromStdString(blocked.string()));
    ASSERT_FALSE(page.ControlsToModel());
    const auto blockedErrors = page.M().Validate();
    ASSERT_EQ(blockedErrors.size(), 1u);
    EXPECT_EQ(blockedErrors[0].message, blocked.string() + " cannot be made there: " +
                                            (dir / "plain.txt").string() + " is a file.");
    app::SetProgramPalettes(nullptr);
}

}   // namespace
