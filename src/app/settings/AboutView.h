// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QIcon>
#include <QWidget>

#include <functional>

class QLabel;

namespace vantry {

// The About pane: the application's icon beside its name, version and copyright line.
// The texts are read again each time the pane is shown, so the year follows the clock.
class AboutView final : public QWidget
{
    Q_OBJECT

public:
    /// The names and version the pane shows; empty where the build has none.
    struct Info
    {
        QString displayName;
        QString name;
        QString version;
    };
    using InfoSource = std::function<Info()>;
    using Clock = std::function<QDate()>;

    static constexpr int iconSize = 96;
    static constexpr int iconCornerRadius = 20;

    explicit AboutView(const QIcon &icon, QWidget *parent = nullptr);
    AboutView(const QIcon &icon, InfoSource info, Clock today, QWidget *parent = nullptr);

    /// Display name, then name, then "Vantry".
    QString nameText() const;
    QString versionText() const;
    QString copyrightText() const;

    /// Reads the names, version and date again.
    void refresh();

    /// The icon fitted into the frame, aspect kept and centred, with rounded corners.
    static QPixmap roundedIcon(const QIcon &icon, qreal devicePixelRatio);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QIcon m_icon;
    InfoSource m_info;
    Clock m_today;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_copyright = nullptr;
};

} // namespace vantry
