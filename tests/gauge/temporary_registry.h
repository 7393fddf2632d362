#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

// Points the component registry at a file in a fresh temporary directory for one test.
class TemporaryRegistry {
public:
    TemporaryRegistry()
        : saved(qgetenv("PELMORA_REGISTRY"))
    {
        qputenv("PELMORA_REGISTRY", file().toLocal8Bit());
    }
    ~TemporaryRegistry()
    {
        if (saved.isEmpty())
            qunsetenv("PELMORA_REGISTRY");
        else
            qputenv("PELMORA_REGISTRY", saved);
    }
    QString file() const { return directory.filePath(QStringLiteral("registry.ini")); }

private:
    QTemporaryDir directory;
    QByteArray saved;
};
