#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QDateTime>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

int g_argc = 1;
char g_arg0[] = "shell_SingleInstanceTest";
char* g_argv[] = {g_arg0, nullptr};
QCoreApplication& App()
{
    // Never destroyed: Qt's own statics may go first at exit.
    static auto* app = new QCoreApplication(g_argc, g_argv);
    return *app;
}

QString UniqueName(const char* what)
{
    return QString("brine-test-%1-%2-%3").arg(what).arg(::getpid()).arg(QDateTime::currentMSecsSinceEpoch());
}

QString ProgramPath()
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    return QDir(bin ? bin : ".").filePath("brinevane");
}

TEST(SingleInstance, SocketLeftByACrashedProgramIsReplaced)
{
    App();
    const QString name = UniqueName("stale");
    QFile stale(QDir::temp().filePath(name));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    CSingleInstance first{name};
    EXPECT_TRUE(first.Acquire());
    EXPECT_TRUE(first.IsPrimary());
}

TEST(SingleInstance, SecondStartOfTheProgramRaisesTheFirstWindow)
{
    App();
    const QString name = UniqueName("program");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BRINE_INSTANCE_NAME", name);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("BRINE_QUIT_AFTER_MS", "4000");
    QTemporaryDir config;   // the programs keep their settings away from the user's
    env.insert("XDG_CONFIG_HOME", config.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(ProgramPath());
    ASSERT_TRUE(first.waitForStarted(5000));
    // Wait until the first program listens.
    bool listening = false;
    for (int i = 0; i < 100 && !listening; ++i) {
        QLocalSocket probe;
        probe.connectToServer(name);
        listening = probe.waitForConnected(100);
        if (!listening)
            QThread::msleep(50);
    }
    ASSERT_TRUE(listening);

    QProcess second;
    second.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    second.start(ProgramPath());
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_LT(t.elapsed(), 3000);   // it ends at once instead of starting a frame

    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitCode(), 0);
    const QString log = QString::fromUtf8(first.readAllStandardError());
    // Once: the probe above connected without asking.
    EXPECT_EQ(log.count("another start asked this window to come to the front"), 1) << log.toStdString();
}

}  // namespace
