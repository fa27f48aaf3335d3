// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "core/AppInfo.h"

#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {
// Qt's display options that QGuiApplication takes from the arguments itself; those with a value.
constexpr std::array qtOptionsWithValue { "platform", "platformpluginpath", "platformtheme",
    "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle", "display", "session", "name" };
constexpr std::array qtFlags { "reverse", "nograb", "dograb", "sync" };

// The arguments without Qt's own options, which the application object reads.
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QStringView name = argument;
        if (i > 0 && name.startsWith(u'-')) {
            name = name.sliced(name.startsWith(u"--") ? 2 : 1);
            if (name.contains(u'='))
                name = name.first(name.indexOf(u'='));
            const auto is
                = [name](const char *option) { return name == QLatin1StringView(option); };
            if (std::any_of(qtFlags.begin(), qtFlags.end(), is))
                continue;
            if (std::any_of(qtOptionsWithValue.begin(), qtOptionsWithValue.end(), is)) {
                if (!argument.contains(u'='))
                    ++i;
                continue;
            }
        }
        kept.append(argument);
    }
    return kept;
}

QByteArray valueText(const QByteArray &value)
{
    return value.toPercentEncoding();
}
} // namespace

CommandLine::CommandLine()
{
    m_parser.setApplicationDescription(
        tr("Keeps the files of one folder at hand in a shelf that drops down from the tray."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({
        { u"show"_s, tr("Show the shelf (starts Vantry when it is not running).") },
        { u"hide"_s, tr("Hide the shelf.") },
        { u"toggle"_s, tr("Show the shelf, or hide it when it is shown.") },
        { u"preferences"_s, tr("Open the settings window.") },
        { u"quit"_s, tr("Quit the running Vantry.") },
        { u"background"_s, tr("Start without showing the shelf, as at login.") },
    });
}

CommandLine::Result CommandLine::parse(const QStringList &arguments)
{
    m_action = Action::startOrToggle;
    m_background = false;
    m_error.clear();
    if (!m_parser.parse(withoutQtOptions(arguments))) {
        m_error = m_parser.errorText();
        return Result::error;
    }
    if (m_parser.isSet(u"help"_s) || m_parser.isSet(u"help-all"_s))
        return Result::help;
    if (m_parser.isSet(u"version"_s))
        return Result::version;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = tr("Unexpected argument '%1'.").arg(m_parser.positionalArguments().constFirst());
        return Result::error;
    }

    static const std::array<std::pair<QString, Action>, 5> actions { {
        { u"show"_s, Action::show },
        { u"hide"_s, Action::hide },
        { u"toggle"_s, Action::toggle },
        { u"quit"_s, Action::quit },
        { u"preferences"_s, Action::preferences },
    } };
    int given = 0;
    for (const auto &[name, action] : actions) {
        if (m_parser.isSet(name)) {
            m_action = action;
            ++given;
        }
    }
    m_background = m_parser.isSet(u"background"_s);
    if (given > 1 || (given == 1 && m_background)) {
        m_error = tr("Give only one of --show, --hide, --toggle, --quit, --preferences "
                     "and --background.");
        return Result::error;
    }
    return Result::run;
}

bool CommandLine::startsInstance() const
{
    return m_action != Action::hide && m_action != Action::quit;
}

QString CommandLine::versionText()
{
    return u"vantry "_s + AppInfo::version();
}

QByteArray CommandLine::request(
    const QByteArray &activationToken, const QByteArray &startupId) const
{
    QByteArray line;
    switch (m_action) {
    case Action::startOrToggle:
        // A launch at login finds the instance running already: leave its shelf alone.
        line = m_background ? "ping" : "toggle";
        break;
    case Action::show:
        line = "show";
        break;
    case Action::hide:
        line = "hide";
        break;
    case Action::toggle:
        line = "toggle";
        break;
    case Action::quit:
        return "quit";
    case Action::preferences:
        line = "preferences";
        break;
    }
    if (line == "ping" || line == "hide")
        return line;
    if (!activationToken.isEmpty())
        line += " activation-token=" + valueText(activationToken);
    if (!startupId.isEmpty())
        line += " startup-id=" + valueText(startupId);
    return line;
}

Request Request::parse(const QByteArray &line)
{
    Request request;
    const QList<QByteArray> words = line.simplified().split(' ');
    request.command = words.value(0);
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QByteArray &word = words.at(i);
        const qsizetype eq = word.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = word.left(eq);
        const QByteArray value = QByteArray::fromPercentEncoding(word.mid(eq + 1));
        if (key == "activation-token")
            request.activationToken = value;
        else if (key == "startup-id")
            request.startupId = value;
    }
    return request;
}

} // namespace vantry
