// The options sheet's window: refusal on a page never shown, Ctrl+Tab and Escape,
// and the frame told of the sheet as it shows and goes.
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "app/PostedMessageQueue.h"
#include "app/ui/PropertySheet.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_PropertySheetTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

// A page of one whole number from 0 to 4, counting its applies and resets.
struct CountModel : app::COptionPageModel {
    CountModel(std::string title, int& applies, int& resets)
        : title(std::move(title)), applies(applies), resets(resets)
    { }
    std::string Title() const override { return title; }
    std::vector<app::CFieldError> Validate() const override
    {
        if (auto e =
                app::CheckRange("places", "Decimal places", static_cast<long long>(value), 0, 4))
            return {*e};
        return {};
    }
    void Apply() override
    {
        ++applies;
        stored = value;
    }
    void Reset() override { ++resets; }
    std::string title;
    int& applies;
    int& resets;
    int value = 2;
    int stored = 2;
};

class CountPage : public app::CXPropertyPage {
public:
    explicit CountPage(std::unique_ptr<CountModel> model) : app::CXPropertyPage(std::move(model))
    {
        edit = new QLineEdit(this);
        edit->setObjectName("places");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(edit);
    }
    CountModel& M() const { return static_cast<CountModel&>(Model()); }
    std::optional<app::CFieldError> ControlsToModel() override
    {
        bool ok = false;
        const int v = edit->text().toInt(&ok);
        if (!ok)
            return app::CFieldError{"places", "Decimal places must be a whole number"};
        M().value = v;
        return std::nullopt;
    }
    void ModelToControls() override { edit->setText(QString::number(M().value)); }
    QLineEdit* edit;
};

struct SheetFixture {
    int applies = 0, resets = 0;
    QStringList messages;
    QPointer<app::CModelessPropertySheet> sheet = new app::CModelessPropertySheet("Options");
    CountPage* first = new CountPage(std::make_unique<CountModel>("First", applies, resets));
    CountPage* second = new CountPage(std::make_unique<CountModel>("Second", applies, resets));
    SheetFixture()
    {
        sheet->AddPage(first);
        sheet->AddPage(second);
        sheet->SetMessageShower([this](const QString& m) { messages << m; });
        sheet->ShowModeless();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet));
    }
    ~SheetFixture() { delete sheet.data(); }
};

TEST(ModelessPropertySheet, RefusalOnAnUnshownPageSelectsItAndAppliesNothing)
{
    App();
    SheetFixture f;
    f.second->edit->setText("5");   // the second page was never shown
    EXPECT_FALSE(f.sheet->OnApply());
    EXPECT_EQ(f.applies, 0);
    EXPECT_EQ(f.sheet->Tabs()->currentWidget(), f.second);
    EXPECT_EQ(f.messages, QStringList{"Decimal places run from 0 to 4"});
    EXPECT_TRUE(f.second->edit->hasFocus());
    EXPECT_EQ(f.second->edit->selectedText(), "5");

    f.second->edit->setText("x");
    EXPECT_FALSE(f.sheet->OnOk());
    EXPECT_EQ(f.applies, 0);
    ASSERT_TRUE(f.sheet);   // a refused OK keeps the sheet open

    f.second->edit->setText("4");
    EXPECT_TRUE(f.sheet->OnApply());
    EXPECT_EQ(f.applies, 2);
    EXPECT_EQ(f.second->M().stored, 4);
}

TEST(ModelessPropertySheet, ButtonsSitInARowAtTheLowerRight)
{
    App();
    SheetFixture f;
    const QRect area = f.sheet->rect();
    const char* names[] = {"sheetOk", "sheetCancel", "sheetApply"};
    const char* texts[] = {"&OK", "&Cancel", "&Apply"};
    for (int i = 0; i < 3; ++i) {
        auto* button = f.sheet->findChild<QPushButton*>(names[i]);
        ASSERT_TRUE(button) << names[i];
        EXPECT_EQ(button->text(), texts[i]);
        EXPECT_EQ(button->geometry(),
                  QRect(area.right() + 1 - 216 + 72 * i, area.bottom() + 1 - 32, 64, 24))
            << names[i];
    }
}

TEST(ModelessPropertySheet, KeyboardChangesPagesAndEscapeCancels)
{
    App();
    SheetFixture f;
    f.first->edit->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(f.sheet->Tabs()->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(f.sheet->Tabs()->currentIndex(), 0);

    f.first->edit->setText("3");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    QTest::qWait(0);
    EXPECT_EQ(f.resets, 2);
    EXPECT_EQ(f.applies, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.sheet.isNull());   // the sheet deletes itself with its pages
}

TEST(ModelessPropertySheet, ReturnPressesOkWhichAppliesAndCloses)
{
    App();
    SheetFixture f;
    f.first->edit->setFocus();
    f.first->edit->setText("1");
    QTest::keyClick(f.first->edit, Qt::Key_Return);
    EXPECT_EQ(f.applies, 2);
    EXPECT_EQ(f.first->M().stored, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.sheet.isNull());
}

// The frame is told of the sheet: 0x504 with 1 when it shows, and with 0
// when it goes, also when the caption's close box closes it (a cancel).
TEST(ModelessPropertySheet, TheFrameHearsOfTheSheetShownAndClosedByItsCloseBox)
{
    App();
    app::CPostedMessageQueue queue;
    int applies = 0, resets = 0;
    QPointer<app::CModelessPropertySheet> sheet = new app::CModelessPropertySheet("Options");
    sheet->SetFrameQueue(&queue);
    sheet->AddPage(new CountPage(std::make_unique<CountModel>("First", applies, resets)));
    sheet->AddPage(new CountPage(std::make_unique<CountModel>("Second", applies, resets)));
    std::vector<std::pair<std::uint64_t, std::int64_t>> told;
    const auto drain = [&] {
        queue.Drain([&](const app::CPostedMessage& m) {
            if (m.id == app::kMsgModelessSheet)
                told.emplace_back(m.wParam, m.lParam);
        });
    };
    sheet->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    drain();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first, 1u);
    sheet->close();   // as the caption's close box does
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheet.isNull());
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(applies, 0);
    drain();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1], std::make_pair(std::uint64_t{0}, told[0].second));
}

}   // namespace
