// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantry {

// What a launch was asked to do, read from its arguments, and the request line that
// passes it to a running instance. Parsing needs an application object (for the help
// text and its translation) but no display.
class CommandLine final
{
    Q_DECLARE_TR_FUNCTIONS(vantry::CommandLine)

public:
    enum class Action {
        startOrToggle, ///< no option: start, or show/hide the running instance's shelf
        show,
        hide,
        toggle,
        quit,
        preferences,
    };
    enum class Result { run, help, version, error };

    CommandLine();

    /// Reads the arguments (the program name first). Qt's own display options are let through.
    Result parse(const QStringList &arguments);

    Action action() const { return m_action; }
    /// --background: start without showing the shelf on this launch.
    bool background() const { return m_background; }
    /// Whether a launch that finds no instance starts one for this action.
    bool startsInstance() const;

    /// The reason parse() returned Result::error.
    QString errorText() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }
    static QString versionText();

    /// The request for a running instance, carrying the launcher's activation token and
    /// startup id so the instance may take the focus.
    QByteArray request(const QByteArray &activationToken, const QByteArray &startupId) const;

private:
    QCommandLineParser m_parser;
    Action m_action = Action::startOrToggle;
    bool m_background = false;
    QString m_error;
};

// A request line as a running instance reads it: the command and its named values.
struct Request
{
    QByteArray command;
    QByteArray activationToken; ///< Wayland xdg-activation token, or empty
    QByteArray startupId; ///< X11 startup notification id, or empty

    static Request parse(const QByteArray &line);
};

} // namespace vantry
