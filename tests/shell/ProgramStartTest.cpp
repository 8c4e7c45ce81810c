// The real program started as a process, offscreen: how long it takes to show its main window, how
// it ends when it cannot start, and how a second start hands over to the first.
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <time.h>
#include <unistd.h>

#include "OwnProgramFolder.h"
#include "TempFolder.h"

namespace {

int g_argc = 1;
char g_arg0[] = "shell_ProgramStartTest";
char* g_argv[] = {g_arg0, nullptr};

QString UniqueName(const char* what)
{
    static auto* app = new QCoreApplication(g_argc, g_argv);   // never destroyed: Qt's exit order
    (void)app;
    return QString("brine-test-%1-%2-%3")
        .arg(what)
        .arg(::getpid())
        .arg(QDateTime::currentMSecsSinceEpoch());
}

// The program's folder for every start of this test: what the program writes beside itself
// (chartpoints, attachments, tides) stays out of the build's program folder.
QString ProgramFolder()
{
    static brine_test::TempFolder folder;
    static const bool made = [] {
        brine_test::UseOwnProgramFolder(folder / "program");
        return true;
    }();
    (void)made;
    return QString::fromStdString((folder / "program").string());
}

// Starts the program offscreen under its own instance name, with its settings in `config` (away
// from the user's) and the given variables.
// As Start, with the program run by `wrapper` (a command and its arguments,
// the program's path appended last), or directly when it is empty.
void StartWrapped(QProcess& p, const QTemporaryDir& config, const QString& instance,
                  std::initializer_list<std::pair<const char*, QString>> vars, QStringList wrapper);

void Start(QProcess& p, const QTemporaryDir& config, const QString& instance,
           std::initializer_list<std::pair<const char*, QString>> vars)
{
    StartWrapped(p, config, instance, vars, {});
}

void StartWrapped(QProcess& p, const QTemporaryDir& config, const QString& instance,
                  std::initializer_list<std::pair<const char*, QString>> vars, QStringList wrapper)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("BRINE_INSTANCE_NAME", instance);
    env.insert("BRINE_PROGRAM_FOLDER", ProgramFolder());
    for (const auto& [name, value] : vars)
        env.insert(name, value);
    p.setProcessEnvironment(env);
    const char* bin = std::getenv("BRINE_BIN_DIR");
    const QString program = QDir(bin ? bin : ".").filePath("brinevane");
    if (wrapper.isEmpty()) {
        p.start(program);
        return;
    }
    const QString command = wrapper.takeFirst();
    p.start(command, wrapper << program);
}

// Measured from the launcher's monotonic clock before the start to the main window's first paint,
// less the time the start's thread stood ready while the processors ran other work: what remains is
// the start's own work and its own waits (files, sockets, other threads), which a loaded machine
// does not excuse. Where the system counts no processor wait the whole time is held to the limit.
TEST(ProgramStart, MainWindowShownWithinHalfASecond)
{
    double best = 1e9;
    QTemporaryDir config;
    // Up to five starts, the best counting: a start is never quicker than its
    // work, so another try only finds a quieter moment of the machine.
    for (int run = 0; run < 5 && best >= 500; ++run) {
        QProcess p;
        const QString instance = UniqueName("timing");
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        // The quit comes well after the window: on a busy machine a quit at
        // 300 ms could close the start before anything was shown.
        Start(p, config, instance,
              {{"BRINE_STARTUP_TIMING", "1"}, {"BRINE_QUIT_AFTER_MS", "1500"}});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        const auto m =
            QRegularExpression(R"(shown at monotonic (\d+\.\d+), processor wait (-?\d+) ns)")
                .match(err);
        ASSERT_TRUE(m.hasMatch()) << err.toStdString();
        const double shownMs =
            (m.captured(1).toDouble() - double(ts.tv_sec) - double(ts.tv_nsec) / 1e9) * 1000;
        const double waitMs = std::max(0.0, m.captured(2).toDouble() / 1e6);
        std::printf("run %d: main window shown after %.0f ms, %.0f ms of it waiting for a "
                    "processor\n",
                    run, shownMs, waitMs);
        best = std::min(best, shownMs - waitMs);
    }
    std::printf("process start to main window shown, own time: %.0f ms (the best start)\n", best);
    EXPECT_LT(best, 500);
}

TEST(ProgramStart, MissingDatumTableEndsWithAFailureCode)
{
    QTemporaryDir config, emptyFolder;
    QProcess p;
    // The quit timer closes the two failure messages.
    Start(p, config, UniqueName("nodatums"),
          {{"BRINE_QUIT_AFTER_MS", "200"}, {"BRINE_PROGRAM_FOLDER", emptyFolder.path()}});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
}

// The program run in namespaces of its own (where the system allows them): a host name that does
// not fit the 50-character name buffer, or no interface up with an IPv4 address, ends start-up with
// "Failed to Initialise sockets" and the failure code; a name one shorter starts.
TEST(ProgramStart, SocketLayerFailureEndsStartUp)
{
    if (QProcess::execute("unshare", {"-Urun", "true"}) != 0)
        GTEST_SKIP() << "user namespaces are not available here";
    struct Case {
        const char* name;
        QStringList wrapper;
        int exitCode;
    };
    // sh -c 'script' name program: the name comes as $0, the program's path as $1.
    const QString rename = "hostname \"$0\" && exec \"$1\"";
    const std::vector<Case> cases = {
        {"name of 49", {"unshare", "-Uru", "sh", "-c", rename, QString(49, 'n')}, 0},
        {"name of 50", {"unshare", "-Uru", "sh", "-c", rename, QString(50, 'n')}, 1},
        {"no interface up", {"unshare", "-Urn"}, 1},
    };
    for (const Case& c : cases) {
        QTemporaryDir config;
        QProcess p;
        StartWrapped(p, config, UniqueName("sockets"), {{"BRINE_QUIT_AFTER_MS", "1500"}},
                     c.wrapper);
        ASSERT_TRUE(p.waitForFinished(30000)) << c.name;
        EXPECT_EQ(p.exitCode(), c.exitCode) << c.name;
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(err.contains("Failed to Initialise sockets"), c.exitCode == 1)
            << c.name << ": " << err.toStdString();
    }
}

// A settings file that really is damaged is set aside under a name the
// program reports, and the program starts on defaults.
TEST(ProgramStart, DamagedSettingsFileIsSetAsideAndNamed)
{
    QTemporaryDir config;
    const QString folder = config.filePath("Quorwick/Brinevane");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + "/settings.conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[A]\nx=float:1.5\n#end\n");
    file.close();
    QProcess p;
    Start(p, config, UniqueName("damaged"), {{"BRINE_QUIT_AFTER_MS", "300"}});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    const QRegularExpression named(R"re(set aside as "[^"]*/(settings\.conf\.damaged-[0-9T]+)")re");
    const auto m = named.match(err);
    ASSERT_TRUE(m.hasMatch()) << err.toStdString();
    EXPECT_TRUE(QFile::exists(folder + "/" + m.captured(1)));
}

TEST(SingleInstance, KeyedByUserAndSettingsFolder)
{
    QTemporaryDir a, b;
    EXPECT_EQ(shell::CSingleInstance::NameFor(1000, a.path()),
              shell::CSingleInstance::NameFor(1000, a.path() + "/sub/.."));
    EXPECT_NE(shell::CSingleInstance::NameFor(1000, a.path()),
              shell::CSingleInstance::NameFor(1000, b.path()));
    EXPECT_NE(shell::CSingleInstance::NameFor(1000, a.path()),
              shell::CSingleInstance::NameFor(1001, a.path()));
    // Short enough for a local socket's path whatever the folder.
    EXPECT_LT(shell::CSingleInstance::NameFor(1000, a.path() + QString(300, 'x')).size(), 60);
}

// Established TCP connections from one local address to another's port, as the kernel lists them.
bool Connected(const char* fromHex, const char* toHex, int port)
{
    QFile table("/proc/net/tcp");
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QString to = QString("%1:%2").arg(toHex).arg(port, 4, 16, QChar('0')).toUpper();
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && f[1].startsWith(fromHex) && QString::fromLatin1(f[2]) == to &&
            f[3] == "01")
            return true;
    }
    return false;
}

// Two profiles (settings folders) of one user run side by side, as two stations on one computer:
// each listens on the address its Network settings choose, and each connected back to the other
// on the other's join message. A station joins only once its disclaimer is answered: while the
// two disclaimers wait, the two are not connected.
TEST(ProgramStart, TwoProfilesRunSideBySideAsTwoStations)
{
    UniqueName("profiles");
    QTemporaryDir shared, configA, configB;
    const int port = 20000 + ::getpid() % 20000;
    const auto prepare = [&](const QTemporaryDir& config, const char* address) {
        QDir().mkpath(config.filePath("Quorwick/Brinevane"));
        QFile file(config.filePath("Quorwick/Brinevane/settings.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // In the workspace "Default", reopened at start: settings are read only from it.
        file.write(QString("[Software\\Quorwick\\Brinevane]\nWorkspace1=str:Default\n"
                           "CurrentWorkspace=str:Default\n"
                           "[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\n"
                           "FileFolder=str:%1\nTCPPort=dword:%2\nIPAddress=str:%3\n#end\n")
                       .arg(shared.path())
                       .arg(port)
                       .arg(address)
                       .toUtf8());
    };
    prepare(configA, "127.0.0.2");
    prepare(configB, "127.0.0.3");
    QProcess a, b;
    // Each disclaimer is answered `acceptMs` after its program starts.
    const auto start = [](QProcess& p, const QTemporaryDir& config, int acceptMs) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", config.path());
        env.remove("BRINE_INSTANCE_NAME");   // the program's own name for its profile
        env.insert("BRINE_PROGRAM_FOLDER", ProgramFolder());
        env.insert("BRINE_ACCEPT_DISCLAIMER_AFTER_MS", QString::number(acceptMs));
        env.insert("BRINE_QUIT_AFTER_MS", "16000");
        p.setProcessEnvironment(env);
        const char* bin = std::getenv("BRINE_BIN_DIR");
        p.start(QDir(bin ? bin : ".").filePath("brinevane"));
    };
    const auto connected = [port] {
        return Connected("0200007F", "0300007F", port) && Connected("0300007F", "0200007F", port);
    };
    start(a, configA, 7000);
    ASSERT_TRUE(a.waitForStarted(5000));
    QThread::msleep(1000);
    QElapsedTimer sinceB;
    sinceB.start();
    start(b, configB, 6000);
    ASSERT_TRUE(b.waitForStarted(5000));
    // Both disclaimers wait for at least 5.5 s from here.
    bool early = false;
    while (!early && sinceB.elapsed() < 5500) {
        early = connected();
        QThread::msleep(50);
    }
    EXPECT_FALSE(early) << "the stations connected while their disclaimers waited";
    bool both = false;
    for (int i = 0; i < 200 && !both; ++i) {
        both = connected();
        if (!both)
            QThread::msleep(50);
    }
    EXPECT_TRUE(both) << "the two stations did not connect both ways on port " << port;
    EXPECT_EQ(b.state(), QProcess::Running) << "the second profile ended at once";
    ASSERT_TRUE(a.waitForFinished(30000));
    ASSERT_TRUE(b.waitForFinished(30000));
    EXPECT_EQ(a.exitCode(), 0);
    EXPECT_EQ(b.exitCode(), 0);
}

TEST(SingleInstance, SocketLeftByACrashedProgramIsReplaced)
{
    const QString name = UniqueName("stale");
    QFile stale(QDir::temp().filePath(name));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    shell::CSingleInstance first{name};
    EXPECT_TRUE(first.Acquire() && first.IsPrimary());
}

TEST(SingleInstance, SecondStartOfTheProgramRaisesTheFirstWindow)
{
    const QString name = UniqueName("program");
    QTemporaryDir config;
    QProcess first, second;
    Start(first, config, name, {{"BRINE_QUIT_AFTER_MS", "4000"}});
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
    QElapsedTimer t;
    t.start();
    Start(second, config, name, {{"BRINE_QUIT_AFTER_MS", "4000"}});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_LT(t.elapsed(), 3000);   // it ends at once instead of starting a frame
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitCode(), 0);
    const QString log = QString::fromUtf8(first.readAllStandardError());
    // Once: the probe above connected without asking.
    EXPECT_EQ(log.count("another start asked this window to come to the front"), 1)
        << log.toStdString();
}

}   // namespace
