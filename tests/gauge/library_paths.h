#pragma once

#include <QCoreApplication>
#include <QString>

// The built gauge library and tool sit beside the test programs.
inline QString builtGaugeLibrary()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libgaugix.so.1");
}

inline QString builtGaugeTool()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/gaugix-tool");
}
