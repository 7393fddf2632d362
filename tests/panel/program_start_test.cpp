// The pelmora program's edges, run as a user runs it: --help and --version with no
// display, a bad command line, no display at all, Qt's own options, and a device
// named on the command line.
#include "card_and_panel_processes.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ProgramRun {
    int status = -1;  // exit status, or -1 when killed by a signal or still running after 10 s
    QString out, err;
};

// The program with no display of any kind, unless `environment` gives one.
ProgramRun runPelmora(const QStringList& arguments, const QStringList& environment = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    for (const QString& setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), arguments);
    ProgramRun run;
    if (program.waitForFinished(10000) && program.exitStatus() == QProcess::NormalExit)
        run.status = program.exitCode();
    endProcess(program);
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}

} // namespace

TEST(PelmoraProgram, HelpAndVersionNeedNoDisplay)
{
    const ProgramRun help = runPelmora({"--help"});
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Uso: pelmora [OPZIONE...] [DISPOSITIVO]")) << help.out.toStdString();
    const ProgramRun version = runPelmora({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(QRegularExpression("^pelmora \\d+\\.\\d+\n$").match(version.out).hasMatch()) << version.out.toStdString();
}

TEST(PelmoraProgram, BadCommandLineIsRefusedWithStatusTwo)
{
    const ProgramRun unknown = runPelmora({"--frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.startsWith("pelmora: opzione sconosciuta: --frobnicate\n")) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.err.contains("pelmora --help")) << unknown.err.toStdString();
    EXPECT_EQ(runPelmora({"/dev/ttyS0", "/dev/ttyS1"}).status, 2);
}

TEST(PelmoraProgram, NoDisplayGivesAMessageAndStatusTwoNotACoreDump)
{
    // An X display that no server answers, no display at all, and a platform plugin that does not exist.
    const QList<QStringList> settings{{"DISPLAY=:7391"}, {}, {"QT_QPA_PLATFORM=pelmora-no-such-platform"}};
    for (const QStringList& setting : settings) {
        SCOPED_TRACE(setting.join(' ').toStdString());
        const ProgramRun run = runPelmora({}, setting);
        EXPECT_EQ(run.status, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("pelmora: nessuno schermo su cui aprire la finestra (")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("-platform offscreen")) << run.err.toStdString();
    }
}

TEST(PelmoraProgram, QtOptionsWorkAndANamedDeviceIsComOne)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    VirtualCard card({"--log", log});
    ASSERT_FALSE(card.device().isEmpty());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PELMORA_COM1"})
        env.remove(name);
    env.insert("PELMORA_REGISTRY", dir.filePath("registry.ini"));
    QProcess panel;
    panel.setProcessEnvironment(env);
    panel.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), {"-platform", "offscreen", card.device()});
    EXPECT_GE(waitForFrames(log, 3, 10000).size(), 3) << panel.readAllStandardError().constData();
    EXPECT_EQ(panel.state(), QProcess::Running);
    endProcess(panel);
    EXPECT_EQ(panel.exitCode(), 0);
}
