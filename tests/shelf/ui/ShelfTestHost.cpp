// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestHost.h"

#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantry::test {

ShelfTestHost::ShelfTestHost(const QList<QByteArray> &entries)
{
    for (const QByteArray &entry : entries) {
        if (entry.endsWith('/'))
            m_files.addFolder(entry.chopped(1));
        else
            m_files.addFile(entry, "contents of " + entry + '\n');
    }
    m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
    m_defaults->setValue(u"user_selected_dir"_s, *makeBookmark(folder()));
    m_content = std::make_unique<ContentView>(
        *m_defaults, m_scope, m_chooser, m_preview, [this] { ++m_beeps; },
        [this] { return &m_window; }, [] {});
    m_view = new ShelfView(*m_content, &m_window);
    auto *layout = new QVBoxLayout(&m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_window.resize(360, 520);
}

bool ShelfTestHost::show()
{
    m_window.move(40, 40);
    m_window.show();
    m_window.activateWindow();
    return QTest::qWaitForWindowActive(&m_window, 30000)
        && QTest::qWaitFor([this] { return list()->hasFocus(); });
}

ShelfItemEditView *ShelfTestHost::editView() const
{
    // The list shows at most one rename field; a closed one may linger until deleted later.
    const auto fields = list()->findChildren<ShelfItemEditView *>();
    for (ShelfItemEditView *field : fields) {
        if (field->isVisibleTo(m_view))
            return field;
    }
    return nullptr;
}

ShelfTestHost::~ShelfTestHost()
{
    // The view goes first: it talks to the content view until it is destroyed.
    delete m_view;
}

} // namespace vantry::test
