// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UserDefaults.h"

#include "platform/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

// QSettings accepts almost anything as INI and drops what it cannot parse, so
// a damaged file would be silently rewritten on the next save. Check first.
bool looksLikeIni(const QByteArray &content)
{
    if (content.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(content);
    if (utf8.hasError())
        return false;
    bool continuation = false;
    const auto lines = QStringView(text).split(u'\n');
    for (QStringView line : lines) {
        line = line.trimmed();
        const bool wasContinuation = continuation;
        continuation = line.endsWith(u'\\');
        if (wasContinuation || line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']'))
            continue;
        if (line.contains(u'='))
            continue;
        return false;
    }
    return true;
}

QVariant normalized(const QVariant &value)
{
    // Scalars come back from the file as strings; keep the in-memory copy the same.
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return value;
    }
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults instance(standardFilePath());
    return instance;
}

QString UserDefaults::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + "/vantry/vantry.conf"_L1;
}

UserDefaults::UserDefaults(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
{
    load();
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::load()
{
    QFile file(m_filePath);
    bool damaged = false;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(lcSettings) << "cannot read" << m_filePath << ":" << file.errorString();
            damaged = true;
        } else {
            damaged = !looksLikeIni(file.readAll());
            file.close();
        }
    }

    if (!damaged) {
        m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
        if (m_settings->status() != QSettings::NoError) {
            damaged = true;
            m_settings.reset();
        }
    }

    if (damaged) {
        const QString stamp = QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd'T'HHmmss'Z'");
        QString aside = m_filePath + ".damaged-"_L1 + stamp;
        for (int n = 1; QFileInfo::exists(aside); ++n)
            aside = m_filePath + ".damaged-"_L1 + stamp + u'-' + QString::number(n);
        if (QFile::rename(m_filePath, aside)) {
            m_movedAsidePath = aside;
            qCWarning(lcSettings) << "settings file" << m_filePath << "was damaged; moved it to"
                                  << aside << "and started on defaults";
            m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
        } else {
            // Keep the user's file as it is; changes live in memory until the next start.
            qCWarning(lcSettings) << "settings file" << m_filePath
                                  << "is damaged and could not be moved aside;"
                                     " changes will not be saved this session";
        }
        return;
    }

    const QStringList stored = m_settings->allKeys();
    for (const QString &key : stored)
        m_values.insert(key, m_settings->value(key));
}

void UserDefaults::write()
{
    if (!m_settings)
        return;
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        qCWarning(lcSettings) << "could not write" << m_filePath;
}

bool UserDefaults::contains(const QString &key) const
{
    return m_values.contains(key);
}

QStringList UserDefaults::keys() const
{
    return m_values.keys();
}

QVariant UserDefaults::value(const QString &key, const QVariant &defaultValue) const
{
    return m_values.value(key, defaultValue);
}

QByteArray UserDefaults::data(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.cend())
        return {};
    if (it->typeId() == QMetaType::QByteArray)
        return it->toByteArray();
    return it->toString().toUtf8();
}

QString UserDefaults::string(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.cend() || it->typeId() == QMetaType::QByteArray)
        return {};
    return it->toString();
}

bool UserDefaults::boolean(const QString &key, bool defaultValue) const
{
    const QString text = string(key).trimmed();
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok ? number != 0 : defaultValue;
}

void UserDefaults::setValue(const QString &key, const QVariant &value)
{
    const QVariant stored = normalized(value);
    const auto it = m_values.constFind(key);
    if (it != m_values.cend() && *it == stored && it->typeId() == stored.typeId())
        return;
    m_values.insert(key, stored);
    if (m_settings) {
        m_settings->setValue(key, stored);
        write();
    }
    Q_EMIT valueChanged(key);
}

void UserDefaults::remove(const QString &key)
{
    if (!m_values.remove(key))
        return;
    if (m_settings) {
        m_settings->remove(key);
        write();
    }
    Q_EMIT valueChanged(key);
}

} // namespace vantry
