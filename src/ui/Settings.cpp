#include "ui/Settings.h"

#include "platform/Files.h"
#include "platform/Guard.h"

#include <QDir>

IniFile Settings::ReadAtStart(const QString& programFolder) {
    path_ = programFolder + QDir::separator() + kSettingsFileName;
    IniFile settings;
    unreadable_ = platform::GuardStep([&] { settings = IniFile::Load(path_); }).has_value();
    return settings;
}

IniFile Settings::Read() const {
    return unreadable_ ? IniFile() : IniFile::Load(path_);
}

void Settings::Write(const std::function<void(IniFile&)>& change) const {
    if (unreadable_)
        return;
    IniFile settings = IniFile::Load(kSettingsFileName);
    change(settings);
    platform::SaveFile(kSettingsFileName, settings.ToBytes());
}
