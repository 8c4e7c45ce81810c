#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMediaPlayer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "../../support/ScriptedPrompt.h"
#include "../../support/TempFolder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/PostedMessageQueue.h"
#include "app/ui/AviView.h"
#include "app/ui/DibView.h"
#include "app/ui/ObjectIds.h"
#include "app/ui/ViewerTemplates.h"

namespace {

namespace cmd = app::cmd;
using platform::PromptAnswer;

int g_argc = 1;
char g_arg0[] = "app_ui_ViewerTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed
    return *app;
}

struct Viewers : ::testing::Test {
    Viewers()
    {
        area.resize(800, 600);
        area.show();
    }
    // The messages the viewers posted to their owner, drained.
    std::vector<app::CPostedMessage> Posted()
    {
        std::vector<app::CPostedMessage> got;
        owner.Drain([&](const app::CPostedMessage& m) { got.push_back(m); });
        return got;
    }
    QString Picture(int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb(x % 256, y % 256, 90));
        const QString path = QString::fromStdString((folder / "picture.bmp").string());
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    QApplication& app = App();   // before any widget
    brine_test::TempFolder folder;
    brine_test::ScriptedPrompt prompt;
    app::CPostedMessageQueue owner;
    QMdiArea area;
};

TEST_F(Viewers, SmallPictureShrinksItsFrameAndLargeOneScrolls)
{
    app::CDibDoc* small = OpenBitmapViewer(area, Picture(120, 80), &owner, nullptr, prompt);
    ASSERT_TRUE(small);
    auto* frame = qobject_cast<app::CDibFrame*>(area.subWindowList().back());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->widget()->size(), QSize(120, 80));

    app::CDibDoc* large = OpenBitmapViewer(area, Picture(2000, 1500), &owner, nullptr, prompt);
    ASSERT_TRUE(large);
    auto* big = qobject_cast<app::CDibFrame*>(area.subWindowList().back());
    EXPECT_LT(big->widget()->width(), 2000);
    app::CDibView* view = big->View();
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 2000 - view->viewport()->width());
    // Scrolled, a small exposed strip paints only the picture under it.
    view->horizontalScrollBar()->setValue(700);
    view->verticalScrollBar()->setValue(300);
    QApplication::processEvents();
    view->viewport()->repaint(QRect(10, 20, 30, 40));
    EXPECT_EQ(view->LastPaintedSource(), QRect(710, 320, 30, 40));
    const QImage shown = view->viewport()->grab(QRect(10, 20, 30, 40)).toImage();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(710 % 256, 320 % 256, 90));
}

TEST_F(Viewers, UnreadableFilesOpenNoWindowAndSayWhy)
{
    const auto text = folder / "notes.txt";
    std::ofstream(text) << "Not a picture\n";
    prompt.Expect(PromptAnswer::Ok, "Unable to open the picture \"notes.txt\"");
    prompt.Expect(PromptAnswer::Ok, "Unable to open the video \"notes.txt\"");
    prompt.Expect(PromptAnswer::Ok, "Unable to open the picture \"missing.bmp\"");
    const QString path = QString::fromStdString(text.string());
    EXPECT_FALSE(OpenBitmapViewer(area, path, &owner, nullptr, prompt));
    EXPECT_FALSE(OpenVideoViewer(area, path, &owner, prompt));
    EXPECT_FALSE(OpenBitmapViewer(area, QString::fromStdString((folder / "missing.bmp").string()),
                                  &owner, nullptr, prompt));
    EXPECT_TRUE(prompt.Done());
    EXPECT_TRUE(area.subWindowList().isEmpty());
    EXPECT_EQ(prompt.AskedPrompts()[0].icon, platform::PromptIcon::Stop);
}

TEST_F(Viewers, PictureViewerRefusesSavingAndPrintingWhileActiveAndClosesByIdentity)
{
    app::CCommandTable commands;
    int printed = 0;
    commands.Add(this, cmd::kFilePrint, [&](unsigned) { ++printed; });
    commands.Add(this, cmd::kFileSaveAs, [](unsigned) {});
    app::CDibDoc* doc = OpenBitmapViewer(area, Picture(50, 40), &owner, &commands, prompt);
    ASSERT_TRUE(doc);
    QPointer<QMdiSubWindow> frame = area.subWindowList().back();
    area.setActiveSubWindow(frame);
    QApplication::processEvents();
    for (unsigned id : {cmd::kFileSaveAs, cmd::kFilePrint, cmd::kFilePrintPreview})
        EXPECT_FALSE(commands.Update(id).enabled) << id;
    commands.Execute(cmd::kFilePrint);
    EXPECT_EQ(printed, 0);

    // Closing asks the owner, by the document's identity; the window stays
    // until the owner closes the document.
    frame->close();
    QApplication::processEvents();
    const auto posted = Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, app::kMsgChartWindowClosed);
    EXPECT_EQ(posted[0].wParam, doc->DocumentId());
    EXPECT_TRUE(frame);
    app::CObjectIds::Find<app::CDocument>(posted[0].wParam)->OnCloseDocument();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frame);
    EXPECT_TRUE(commands.Update(cmd::kFilePrint).enabled);
    commands.Execute(cmd::kFilePrint);
    EXPECT_EQ(printed, 1);
}

TEST_F(Viewers, VideoFrameTakesTheVideosSizeAndClosingTheMediaClosesIt)
{
    const std::string avi = (folder / "clip.avi").string();
    const std::string make =
        std::string(std::getenv("BRINE_BIN_DIR")) + "/avi-make " + avi + " 176 144 20 10";
    ASSERT_EQ(std::system(make.c_str()), 0);
    // The clip as a reader nobody here wrote sees it.
    FILE* probe = ::popen(("ffprobe -v error -show_entries stream=codec_name,width,height,"
                           "nb_frames -of csv=p=0 " +
                           avi)
                              .c_str(),
                          "r");
    ASSERT_TRUE(probe);
    char line[128] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, probe));
    EXPECT_EQ(::pclose(probe), 0);
    EXPECT_STREQ(line, "rawvideo,176,144,20\n");
    app::CAviDoc* doc = OpenVideoViewer(area, QString::fromStdString(avi), &owner, prompt);
    ASSERT_TRUE(doc);
    auto* frame = qobject_cast<app::CAviFrame*>(area.subWindowList().back());
    ASSERT_TRUE(frame);
    QPointer<QMdiSubWindow> guard = frame;
    app::CAviView* view = frame->View();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->VideoSize().isValid(); }, 10000));
    EXPECT_EQ(view->VideoSize(), QSize(176, 144));
    EXPECT_EQ(frame->widget()->size(), view->sizeHint());
    EXPECT_EQ(view->findChild<QLabel*>("Name")->text(), "clip.avi");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->ModeText() == "Playing"; }, 5000));
    EXPECT_TRUE(view->findChild<QLabel*>("Position")->text().endsWith("/ 0:02"));

    view->findChild<QPushButton*>("CloseMedia")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Posted().empty(); }, 5000));
    doc->OnCloseDocument();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard);
}

// Over a maximised window a picture and a video open maximised, as every
// window of the area then does, however the picture's or the video's size
// would fit them; the window under them is maximised again once they close,
// and a viewer restored is fitted to what it shows.
TEST_F(Viewers, ViewersOverAMaximisedWindowStayMaximisedAndFitWhenRestored)
{
    auto* chart = area.addSubWindow(new QLabel("chart"));
    chart->show();
    chart->showMaximized();
    QApplication::processEvents();
    const QSize whole = chart->size();

    ASSERT_TRUE(OpenBitmapViewer(area, Picture(120, 80), &owner, nullptr, prompt));
    auto* picture = qobject_cast<app::CDibFrame*>(area.activeSubWindow());
    ASSERT_TRUE(picture);
    QApplication::processEvents();
    EXPECT_TRUE(picture->isMaximized());
    EXPECT_EQ(picture->size(), whole);

    const std::string avi = (folder / "clip.avi").string();
    const std::string make =
        std::string(std::getenv("BRINE_BIN_DIR")) + "/avi-make " + avi + " 176 144 20 10";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ASSERT_TRUE(OpenVideoViewer(area, QString::fromStdString(avi), &owner, prompt));
    auto* video = qobject_cast<app::CAviFrame*>(area.activeSubWindow());
    ASSERT_TRUE(video);
    // The video's size arrives after the window shows: it asks for a fit then.
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->View()->VideoSize().isValid(); }, 10000));
    QApplication::processEvents();
    EXPECT_TRUE(video->isMaximized());
    EXPECT_EQ(video->size(), whole);

    video->showNormal();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return video->widget()->size() == video->View()->sizeHint(); }, 5000))
        << "restored at " << video->widget()->width() << "x" << video->widget()->height();

    area.setActiveSubWindow(picture);
    picture->showMaximized();
    QApplication::processEvents();
    QPointer<QMdiSubWindow> gone = picture;
    picture->Document()->OnCloseDocument();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    ASSERT_FALSE(gone);
    ASSERT_TRUE(area.activeSubWindow());
    EXPECT_TRUE(area.activeSubWindow()->isMaximized());
}

}   // namespace
