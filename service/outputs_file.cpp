#include "outputs_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A file of the mask and eight deadlines is some 300 bytes; more is not one.
constexpr qint64 kLongest = 4096;

} // namespace

QString OutputsFile::pathFor(const QString& cardName)
{
    // systemd may name several folders, separated by ':': the first is this service's.
    QString folder = qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (folder.isEmpty()) {
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        folder = (state.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/state") : state)
            + QStringLiteral("/pelmora");
    }
    return folder + QLatin1Char('/') + cardName + QStringLiteral(".state");
}

std::optional<card_safety::KeptOutputs> OutputsFile::read(QString& problem) const
{
    QFile file(path_);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read %1: %2").arg(path_, file.errorString());
        return std::nullopt;
    }
    QString why;
    const std::optional<card_safety::KeptOutputs> kept = card_safety::parseKeptOutputs(file.read(kLongest), why);
    if (!kept)
        problem = QStringLiteral("%1 does not hold the outputs (%2)").arg(path_, why);
    return kept;
}

bool OutputsFile::write(const card_safety::KeptOutputs& outputs, QString& problem) const
{
    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        problem = QStringLiteral("cannot create the folder of %1").arg(path_);
        return false;
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        problem = QStringLiteral("cannot write %1: %2").arg(path_, file.errorString());
        return false;
    }
    file.write(card_safety::formatKeptOutputs(outputs));
    if (!file.commit()) {
        problem = QStringLiteral("cannot write %1: %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}
