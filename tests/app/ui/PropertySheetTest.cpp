// The options sheet's window: refusal on a page never shown, Ctrl+Tab and Escape.
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

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

}   // namespace
