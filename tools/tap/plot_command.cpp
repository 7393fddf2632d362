#include "plot_command.h"

#include "recording_plot.h"
#include "recording_reader.h"
#include "recording_series.h"

#include <QApplication>
#include <QSaveFile>

#include <cstdio>

int runPlotCommand(const TapOptions& options, int argc, char** argv)
{
    const auto fail = [](const std::string& error) {
        std::fprintf(stderr, "pelmora-tap: %s\n", error.c_str());
        return 1;
    };
    std::vector<RecordedRow> rows;
    std::string readError;
    if (!readRecording(options.plotPath, rows, readError))
        return fail(readError);
    // The picture is drawn in memory: no display is needed, whatever the session has.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RecordingSeries series;
    QString error;
    if (!seriesFromRecording(rows, series, error))
        return fail(options.plotPath + ": " + error.toStdString());
    const QImage image = plotRecording(series, QSize(options.width, options.height));
    QSaveFile file(QString::fromStdString(options.outPath));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        return fail("cannot write " + options.outPath + ": " + file.errorString().toStdString());
    return 0;
}
