// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UserDefaults.h"

#include "core/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(::strerror(error));
}

// What is at the settings path, read without ever blocking: a FIFO or a device
// there must not hang start-up, and a huge file is refused before it is read.
struct StoredFile
{
    enum State { Missing, Read, ReadFailed, Damaged };
    State state = Missing;
    QString problem; // why the content cannot be used
    QByteArray content;
};

StoredFile failed(StoredFile::State state, const QString &problem)
{
    return { state, problem, {} };
}

StoredFile readStoredFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return {};
        // A socket answers ENXIO: it is there but is no file. Anything else (EIO, ESTALE,
        // EMFILE, a lease's EWOULDBLOCK, EACCES) says nothing about the file itself.
        return failed(
            error == ENXIO ? StoredFile::Damaged : StoredFile::ReadFailed, systemError(error));
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return failed(StoredFile::ReadFailed, systemError(errno));
    if (!S_ISREG(info.st_mode))
        return failed(StoredFile::Damaged, u"not a regular file"_s);
    constexpr qsizetype limit = UserDefaults::MaximumFileSize;
    if (info.st_size > limit)
        return failed(StoredFile::Damaged, u"larger than 1 MiB"_s);
    // The size may change while reading: never take more than the limit.
    StoredFile file { StoredFile::Read, {}, QByteArray(limit + 1, Qt::Uninitialized) };
    qsizetype total = 0;
    while (total <= limit) {
        const ssize_t n = ::read(fd, file.content.data() + total, size_t(limit + 1 - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(StoredFile::ReadFailed, systemError(errno));
        if (n == 0)
            break;
        total += n;
    }
    if (total > limit)
        return failed(StoredFile::Damaged, u"larger than 1 MiB"_s);
    file.content.truncate(total);
    return file;
}

// QSettings says only that a write failed. Writing a scratch file beside the settings
// file the same way finds the system's reason (ENOSPC, EDQUOT, EIO, EFBIG, ...); 0 when
// that write works.
int scratchWriteError(const QByteArray &folder)
{
    QByteArray name = folder + "/.vantry.conf-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    const QByteArray block(4096, '\n');
    int error = 0;
    for (qsizetype done = 0; done < block.size() && error == 0;) {
        const ssize_t n = ::write(fd, block.constData() + done, size_t(block.size() - done));
        if (n >= 0)
            done += n;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    ::unlink(name.constData());
    return error;
}

// QSettings accepts almost anything as INI and drops what it cannot parse, so
// a damaged file would be silently rewritten on the next save. Check first.
bool looksLikeIni(const QByteArray &content)
{
    if (content.contains('\0'))
        return false;
    // A decoder keeps an incomplete sequence at the end as pending state rather
    // than an error, so a file cut inside a character would pass: compare the
    // round trip instead, which catches that and every other invalid sequence.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(content);
    const QByteArrayView bom("\xEF\xBB\xBF");
    const QByteArrayView body = content.startsWith(bom) ? QByteArrayView(content).sliced(bom.size())
                                                        : QByteArrayView(content);
    if (utf8.hasError() || text.toUtf8() != body)
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
    const StoredFile stored = readStoredFile(m_filePath);
    if (stored.state == StoredFile::ReadFailed) {
        // The file may be fine: keep it as it is, and never save defaults over it.
        m_unsavableReason = stored.problem;
        qCWarning(lcSettings) << "cannot read" << m_filePath << ":" << stored.problem
                              << "; running on defaults, changes will not be saved";
        return;
    }
    bool damaged = stored.state == StoredFile::Damaged;
    if (damaged)
        qCWarning(lcSettings) << "settings file" << m_filePath << "is" << stored.problem;
    else if (stored.state == StoredFile::Read)
        damaged = !looksLikeIni(stored.content);

    if (!damaged) {
        m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
        if (m_settings->status() == QSettings::AccessError) {
            m_settings.reset();
            m_unsavableReason = tr("the file could not be read");
            qCWarning(lcSettings) << "cannot read" << m_filePath
                                  << "; running on defaults, changes will not be saved";
            return;
        }
        if (m_settings->status() != QSettings::NoError) {
            damaged = true;
            m_settings.reset();
        }
    }

    if (damaged) {
        const QString stamp = QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd'T'HHmmss'Z'");
        QString aside = m_filePath + ".damaged-"_L1 + stamp;
        for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
            aside = m_filePath + ".damaged-"_L1 + stamp + u'-' + QString::number(n);
        if (::rename(
                QFile::encodeName(m_filePath).constData(), QFile::encodeName(aside).constData())
            == 0) {
            m_movedAsidePath = aside;
            qCWarning(lcSettings) << "settings file" << m_filePath << "was damaged; moved it to"
                                  << aside << "and started on defaults";
            m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
        } else {
            // Keep the user's file as it is; changes live in memory until the next start.
            m_unsavableReason = systemError(errno);
            qCWarning(lcSettings) << "settings file" << m_filePath
                                  << "is damaged and could not be moved aside ("
                                  << m_unsavableReason
                                  << "); changes will not be saved this session";
        }
        return;
    }

    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys)
        m_values.insert(key, m_settings->value(key));
}

QString UserDefaults::writeFailureReason() const
{
    // QSettings says only that access failed; ask the system why, from the file
    // up to the nearest folder that exists.
    QByteArray path = QFile::encodeName(m_filePath);
    if (::access(path.constData(), W_OK) != 0 && errno != ENOENT)
        return systemError(errno);
    // A new file is renamed over the old one, so its folder must be writable too.
    while (true) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0)
            return {};
        path.truncate(slash > 0 ? slash : 1);
        if (::access(path.constData(), W_OK | X_OK) == 0) {
            // Allowed to: something else stopped the write (a full disk, a quota).
            const int error = scratchWriteError(path);
            return error == 0 ? QString() : systemError(error);
        }
        if (errno != ENOENT || path == "/")
            return systemError(errno);
    }
}

void UserDefaults::write(const QString &key)
{
    if (!m_settings) {
        reportSaveFailure(key, m_unsavableReason);
        return;
    }
    if (m_lastWriteFailed) {
        // QSettings keeps the first error for good: after a failure, start a
        // fresh object holding what memory holds, so a write that works is seen
        // as such and carries every change made meanwhile.
        m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
        m_settings->clear();
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
            m_settings->setValue(it.key(), it.value());
    }
    m_settings->sync();
    m_lastWriteFailed = m_settings->status() != QSettings::NoError;
    if (!m_lastWriteFailed) {
        m_saveError.clear();
        m_saveFailureClaimed = false;
        return;
    }
    QString reason = writeFailureReason();
    if (reason.isEmpty())
        reason = tr("the file could not be written");
    qCWarning(lcSettings) << "could not write" << m_filePath << ":" << reason;
    reportSaveFailure(key, reason);
}

void UserDefaults::reportSaveFailure(const QString &key, const QString &reason)
{
    m_saveError = reason;
    Q_EMIT saveFailed(key, reason);
}

bool UserDefaults::claimSaveFailureNotice()
{
    if (m_saveError.isEmpty() || m_saveFailureClaimed)
        return false;
    m_saveFailureClaimed = true;
    return true;
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
    if (m_settings)
        m_settings->setValue(key, stored);
    write(key);
    Q_EMIT valueChanged(key);
}

void UserDefaults::remove(const QString &key)
{
    if (!m_values.remove(key))
        return;
    if (m_settings)
        m_settings->remove(key);
    write(key);
    Q_EMIT valueChanged(key);
}

} // namespace vantry
