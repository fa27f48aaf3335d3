// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>

class QLabel;
class QShortcut;
class QToolButton;

namespace vantry {

// A small card with a warning symbol, a message of at most two lines and a close
// button; for assistive technology an alert, announced as it appears and when its
// text changes. It never removes itself: the close button, Escape and the end of the
// auto-hide wait all ask its owner through closeRequested.
//
// The wait is keyed by the text: a new text starts a fresh wait, the same text
// leaves the running one alone. A wait that is cancelled (by a new text, or by
// the owner through stopWait) ends silently; it never asks to close.
class ErrorBannerView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultAutoHideDelay { 3000 };

    explicit ErrorBannerView(QWidget *parent = nullptr);

    QString message() const { return m_message; }
    /// Shows text; starts the wait unless text is what the running wait is for.
    void setMessage(const QString &text);
    /// The owner removed the banner: cancels the wait and stops listening to Escape.
    void stopWait();

    bool isWaiting() const { return m_wait.isActive(); }
    /// When the running wait ends; meaningful only while isWaiting().
    QDeadlineTimer waitDeadline() const { return m_deadline; }
    void setAutoHideDelay(std::chrono::milliseconds delay) { m_delay = delay; }

    /// The text as shown: the message cut to two lines, with an ellipsis if it went on.
    QString shownText() const;
    QToolButton *closeButton() const { return m_close; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    /// text wrapped to width in font, cut after two lines with a trailing ellipsis.
    static QString twoLines(const QString &text, const QFont &font, int width);

Q_SIGNALS:
    void closeRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateIcons();
    void announce();
    void updateShownText();
    int messageWidthFor(int width) const;

    QString m_message;
    std::chrono::milliseconds m_delay = defaultAutoHideDelay;
    QTimer m_wait;
    QDeadlineTimer m_deadline;
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QToolButton *m_close = nullptr;
    QShortcut *m_escape = nullptr;
};

} // namespace vantry
