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
// every scalar (bool, number, string) as a QString. A damaged or unreadable
// file is moved aside, never overwritten, and the store starts empty.
// Every write reaches the disk before setValue() returns.
class UserDefaults final : public QObject
{
    Q_OBJECT

public:
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

Q_SIGNALS:
    void valueChanged(const QString &key);

private:
    void load();
    void write();

    QString m_filePath;
    QString m_movedAsidePath;
    QVariantMap m_values;
    std::unique_ptr<QSettings> m_settings; // null while the file cannot be written safely
};

} // namespace vantry
