#include "outputs_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QByteArray kKey("outputs=");

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

std::optional<int> OutputsFile::read(QString& problem) const
{
    QFile file(path_);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read %1: %2").arg(path_, file.errorString());
        return std::nullopt;
    }
    const QByteArray line = file.read(64).trimmed();
    bool ok = false;
    const int outputs = line.startsWith(kKey) ? line.mid(kKey.size()).toInt(&ok, 0) : -1;
    if (!ok || outputs < 0 || outputs > 0xFF) {
        problem = QStringLiteral("%1 does not hold the outputs (%2)").arg(path_, QString::fromLatin1(line.left(32).toHex(' ')));
        return std::nullopt;
    }
    return outputs;
}

bool OutputsFile::write(int outputs, QString& problem) const
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
    file.write(kKey + "0x" + QByteArray::number(outputs, 16).rightJustified(2, '0') + '\n');
    if (!file.commit()) {
        problem = QStringLiteral("cannot write %1: %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}
