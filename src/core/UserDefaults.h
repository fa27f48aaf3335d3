// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QSettings;

namespace vantry {

// The application's settings store: an INI file with every key at the top
// level ("user_selected_dir", "preview.side", "KeyboardShortcuts_<name>", ...).
//
// Values read back the way the file stores them: byte arrays as QByteArray,
// every scalar (bool, number, string) as a QString. A damaged file (one that
// cannot be parsed, anything that is not a regular file, or one over 1 MiB) is
// moved aside, never overwritten, and the store starts empty. A file that cannot
// be read (EIO, EACCES, EMFILE, ...) stays where it is: the store runs on
// defaults and saves nothing over it.
// Every write reaches the disk before setValue() returns, or saveFailed() says why not.
class UserDefaults final : public QObject
{
    Q_OBJECT

public:
    /// A settings file larger than this is treated as damaged.
    static constexpr qsizetype MaximumFileSize = 1024 * 1024;

    /// The user's store at $XDG_CONFIG_HOME/vantry/vantry.conf, opened on first use.
    static UserDefaults &standard();

    /// Where standard() keeps its file.
    static QString standardFilePath();

    /// A store backed by the INI file at filePath (created on the first write).
    explicit UserDefaults(const QString &filePath, QObject *parent = nullptr);
    ~UserDefaults() override;

    QString filePath() const { return m_filePath; }

    /// Where a damaged file was moved when this store was opened, or empty.
    QString movedAsidePath() const { return m_movedAsidePath; }

    bool contains(const QString &key) const;
    QStringList keys() const;

    /// The stored value, or defaultValue when the key is absent.
    QVariant value(const QString &key, const QVariant &defaultValue = {}) const;
    /// Stored bytes; a null QByteArray when absent. Strings are returned as their UTF-8.
    QByteArray data(const QString &key) const;
    /// A stored string; a null QString when absent or when the value is bytes.
    QString string(const QString &key) const;
    /// "true"/"false" (any case) or a number; defaultValue when absent or anything else.
    bool boolean(const QString &key, bool defaultValue = false) const;

    /// Stores value under key and writes the file. Emits valueChanged when it differs.
    void setValue(const QString &key, const QVariant &value);
    /// Removes key and writes the file. Emits valueChanged when it was present.
    void remove(const QString &key);

    /// Why the last change could not be saved (the system's error text), or empty.
    QString saveError() const { return m_saveError; }
    /// True once per run of failed saves: whoever gets true tells the user, so
    /// the user hears it once, in the window where the change was made.
    bool claimSaveFailureNotice();

Q_SIGNALS:
    void valueChanged(const QString &key);
    /// Changing key worked in memory but could not be saved; reason is the system's text.
    /// Emitted before valueChanged.
    void saveFailed(const QString &key, const QString &reason);

private:
    void load();
    void write(const QString &key);
    QString writeFailureReason() const;
    void reportSaveFailure(const QString &key, const QString &reason);

    QString m_filePath;
    QString m_movedAsidePath;
    QString m_unsavableReason; // why a damaged file that stays in place blocks saving
    QString m_saveError;
    bool m_saveFailureClaimed = false;
    bool m_lastWriteFailed = false;
    QVariantMap m_values;
    std::unique_ptr<QSettings> m_settings; // null while the file cannot be written safely
};

} // namespace vantry
