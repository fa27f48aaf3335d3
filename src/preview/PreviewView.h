// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/AnimationPlayer.h"
#include "preview/PreviewContent.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;
class QTimer;
class QVBoxLayout;

namespace vantry {

class PreviewLoader;

/// A colour share of the way from the window's colour to its text's: the panel's and the
/// pages' edges (0.3) and the backdrop behind pages (0.15) show in light and dark themes
/// alike, without the text colour's harshness.
QColor previewShade(const QPalette &palette, float share);

// The panel's content: an image (animated ones play), the beginning of a text file in a
// monospace font, the first pages of a PDF, or for anything else a large icon with the
// name, kind, size and modification time (an empty file says so). Loading happens off the
// main thread; until the content is ready only the name is shown.
class PreviewView final : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewView(QWidget *parent = nullptr);
    ~PreviewView() override;

    /// Previews the file at path (raw bytes), images fitted into fitSize (logical pixels).
    void setPath(const QByteArray &path, const QSize &fitSize);
    QByteArray path() const { return m_path; }

    /// The content shown, or null while the current path is still loading.
    const PreviewContent *content() const { return m_content.get(); }
    /// The player of an animated image, while one is shown.
    AnimationPlayer *animation() const { return m_animation; }

Q_SIGNALS:
    /// The content for path() is ready and shown.
    void contentShown(vantry::PreviewContent::Kind kind);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void onLoaded(std::shared_ptr<PreviewContent> content);
    void showContent();
    void showOther(const PreviewContent &content);
    void stopAnimation();
    /// Device pixels a document page is shown wide.
    int pdfPageWidth() const;
    void feedText();
    void edgePages();
    QWidget *buildInfoPage();

    PreviewLoader *m_loader;
    QByteArray m_path;
    QSize m_fitSize;
    std::shared_ptr<PreviewContent> m_content;

    QStackedWidget *m_stack;
    QLabel *m_loading;
    QLabel *m_image;
    QWidget *m_textPage;
    QPlainTextEdit *m_text;
    QLabel *m_truncatedNote;
    QScrollArea *m_pdf;
    QWidget *m_pdfPages;
    QVBoxLayout *m_pdfLayout;
    QWidget *m_info;
    QLabel *m_infoIcon;
    QLabel *m_infoName;
    QLabel *m_infoKind;
    QLabel *m_infoSize;
    QLabel *m_infoModified;
    QLabel *m_infoLink;
    QPointer<AnimationPlayer> m_animation;
    QTimer *m_textFeeder;
    QString m_pendingText; // still to go into m_text, a slice at a time
    qsizetype m_pendingOffset = 0;
};

} // namespace vantry
