#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Sets an environment variable for a scope (an empty value unsets it) and puts back what was
// there before.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value)
        : name_(name), saved_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnvironment() {
        if (had_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    QByteArray saved_;
    bool had_;
};
