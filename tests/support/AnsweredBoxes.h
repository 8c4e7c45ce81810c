#pragma once
// Answers each message box with OK, from a timer that also runs inside a
// box's own event loop, and keeps the text and icon of every box answered.

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <utility>
#include <vector>

namespace brine_test {

struct AnsweredBoxes {
    std::vector<std::pair<QString, QMessageBox::Icon>> seen;
    QTimer answer;
    AnsweredBoxes()
    {
        QObject::connect(&answer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.emplace_back(box->text(), box->icon());
                box->accept();
            }
        });
        answer.start(10);
    }
    // Runs the event loop for `ms` milliseconds.
    static void Run(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

}   // namespace brine_test
