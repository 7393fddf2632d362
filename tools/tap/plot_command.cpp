#include "plot_command.h"

#include "recording_plot.h"
#include "recording_reader.h"
#include "recording_series.h"

#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>
#include <sys/stat.h>

namespace {

int fail(const std::string& error, int status = 1)
{
    std::fprintf(stderr, "pelmora-tap: %s\n", error.c_str());
    return status;
}

// Why the picture may not go to `out`, or empty: never onto the recording itself,
// whatever the path says, and onto any other file only when asked to.
std::string refusedOutput(const TapOptions& options)
{
    struct stat in {}, out {};
    if (::stat(options.outPath.c_str(), &out) != 0)
        return {};
    if (::stat(options.plotPath.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        return options.outPath + " is the recording being plotted: the picture goes to another file";
    if (!options.force)
        return options.outPath + " already exists: replace it with --force, or choose another file";
    return {};
}

} // namespace

int runPlotCommand(const TapOptions& options, int argc, char** argv)
{
    if (const std::string refused = refusedOutput(options); !refused.empty())
        return fail(refused, 2);
    SeriesBuilder builder(options.width);
    std::string readError;
    const auto warn = [](const std::string& warning) { std::fprintf(stderr, "pelmora-tap: %s\n", warning.c_str()); };
    if (!readRecordingFile(options.plotPath, [&](const TapRow& row, std::string_view time) { builder.add(row, time); }, warn, readError))
        return fail(readError);
    RecordingSeries series;
    QString error;
    if (!builder.finish(series, error))
        return fail(options.plotPath + ": " + error.toStdString());
    // The picture is drawn in memory: no display is needed, whatever the session has.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QImage image = plotRecording(series, QSize(options.width, options.height));
    QSaveFile file(QString::fromStdString(options.outPath));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        return fail("cannot write " + options.outPath + ": " + file.errorString().toStdString());
    return 0;
}
