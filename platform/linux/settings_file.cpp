// The settings file, through QtCore alone: the GTK host links no more of Qt than this.
#include <sys/stat.h>
#include <QLockFile>
#include <QSettings>
#include <cerrno>
#include <cstring>

#include "linux_host.h"

namespace torven {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString SettingKey(std::string_view section, std::string_view key) {
    return ToQString(section) + u'/' + ToQString(key);
}

}  // namespace

std::string ReadSetting(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view defaultText) {
    const QSettings store(ToQString(app), ToQString(app));
    const QVariant value = store.value(SettingKey(section, key));
    if (!value.isValid()) return std::string(defaultText);
    return value.toString().toStdString();
}

bool WriteSettings(std::string_view app, std::string_view section,
                   std::span<const SettingText> values, const Warning& warn) {
    QSettings store(ToQString(app), ToQString(app));
    const QByteArray path = store.fileName().toLocal8Bit();
    // A lock that no live writer holds (left by a killed one) would hold the save up for
    // half a minute before QSettings took it for stale.
    QLockFile(store.fileName() + QStringLiteral(".lock")).removeStaleLockFile();
    struct stat before {};
    const bool existed = stat(path.constData(), &before) == 0;
    for (const SettingText& value : values)
        store.setValue(SettingKey(section, value.key), ToQString(value.text));
    store.sync();
    // QSettings keeps only its first complaint, and one about what it read (a byte-order
    // mark before a group, a line of junk, both dropped by the write) hides whether the
    // write failed: the file tells, a new one or the old one written anew.
    struct stat after {};
    const bool written =
        store.status() == QSettings::NoError ||
        (store.status() == QSettings::FormatError && stat(path.constData(), &after) == 0 &&
         (!existed || after.st_ino != before.st_ino ||
          after.st_mtim.tv_sec != before.st_mtim.tv_sec ||
          after.st_mtim.tv_nsec != before.st_mtim.tv_nsec));
    if (!written) {
        warn("TORVEN: cannot write the settings file " + store.fileName().toStdString());
        return false;
    }
    // The new file's mode is the old one's (root may write a read-only file, and Qt would
    // make it writable).
    if (existed && chmod(path.constData(), before.st_mode & 07777) != 0)
        warn("TORVEN: the settings file " + store.fileName().toStdString() +
             " could not keep its mode: " + std::strerror(errno));
    return true;
}

}  // namespace torven
