// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart/DesktopEntry.h"

#include <QList>

namespace LaunchAtLogin::DesktopEntry {

namespace {

bool isTrue(QStringView value)
{
    return value.trimmed() == u"true";
}

bool isFalse(QStringView value)
{
    return value.trimmed() == u"false";
}

// Characters that the Exec rules reserve; an argument holding any of them must be quoted.
bool needsQuoting(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (QChar c : argument) {
        if (reserved.contains(c))
            return true;
    }
    return argument.isEmpty();
}

} // namespace

QString unescapeValue(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case u's':
            out.append(u' ');
            break;
        case u'n':
            out.append(u'\n');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u'r':
            out.append(u'\r');
            break;
        case u'\\':
            out.append(u'\\');
            break;
        default:
            // Not a string escape: leave it for the Exec quoting rules.
            out.append(c);
            out.append(next);
            break;
        }
    }
    return out;
}

Keys parse(const QByteArray &contents)
{
    Keys keys;
    bool inMainGroup = false;
    const QString text = QString::fromUtf8(contents);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QStringView key = line.first(eq).trimmed();
        const QStringView value = line.sliced(eq + 1).trimmed();
        if (key == u"Exec")
            keys.exec = unescapeValue(value);
        else if (key == u"Hidden")
            keys.hidden = isTrue(value);
        else if (key == u"X-GNOME-Autostart-enabled")
            keys.gnomeDisabled = isFalse(value);
    }
    return keys;
}

QString execValue(const QString &program)
{
    QString argument = program;
    argument.replace(u'%', QStringLiteral("%%"));
    if (needsQuoting(argument)) {
        QString quoted;
        quoted.reserve(argument.size() + 2);
        quoted.append(u'"');
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted.append(u'\\');
            quoted.append(c);
        }
        quoted.append(u'"');
        argument = quoted;
    }
    // The string escapes come on top of the quoting.
    QString escaped;
    escaped.reserve(argument.size());
    for (QChar c : argument) {
        switch (c.unicode()) {
        case u'\\':
            escaped.append(QStringLiteral("\\\\"));
            break;
        case u'\n':
            escaped.append(QStringLiteral("\\n"));
            break;
        case u'\t':
            escaped.append(QStringLiteral("\\t"));
            break;
        case u'\r':
            escaped.append(QStringLiteral("\\r"));
            break;
        default:
            escaped.append(c);
        }
    }
    return escaped;
}

QString execProgram(const QString &exec)
{
    QString program;
    qsizetype i = 0;
    while (i < exec.size() && (exec.at(i) == u' ' || exec.at(i) == u'\t'))
        ++i;
    if (i < exec.size() && exec.at(i) == u'"') {
        ++i;
        bool closed = false;
        while (i < exec.size()) {
            const QChar c = exec.at(i++);
            if (c == u'"') {
                closed = true;
                break;
            }
            if (c == u'\\' && i < exec.size())
                program.append(exec.at(i++));
            else
                program.append(c);
        }
        if (!closed)
            return {};
    } else {
        while (i < exec.size() && exec.at(i) != u' ' && exec.at(i) != u'\t')
            program.append(exec.at(i++));
    }
    program.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return program;
}

} // namespace LaunchAtLogin::DesktopEntry
