#pragma once
// Sets environment variables for one test and puts back what was there.

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <utility>

class ScopedEnvironment {
public:
    void set(const char* name, const QByteArray& value)
    {
        saved_.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv(name, value);
    }
    void unset(const char* name)
    {
        saved_.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qunsetenv(name);
    }
    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->wasSet)
                qputenv(it->name, it->value);
            else
                qunsetenv(it->name);
        }
    }

private:
    struct Saved {
        const char* name;
        bool wasSet;
        QByteArray value;
    };
    QList<Saved> saved_;
};
