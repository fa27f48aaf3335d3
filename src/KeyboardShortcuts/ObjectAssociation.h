// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <optional>
#include <unordered_map>

namespace KeyboardShortcuts {

// Attaches a value of type T to QObjects. Each association is its own key, so
// two associations never see each other's values. A value goes away with its
// object; writing none removes it.
template<typename T>
class ObjectAssociation final
{
public:
    ObjectAssociation() = default;
    ~ObjectAssociation()
    {
        for (auto &[object, entry] : m_entries)
            QObject::disconnect(entry.cleanup);
    }
    Q_DISABLE_COPY_MOVE(ObjectAssociation)

    std::optional<T> value(const QObject *object) const
    {
        const auto it = m_entries.find(object);
        if (it == m_entries.end())
            return std::nullopt;
        return it->second.value;
    }

    void setValue(QObject *object, std::optional<T> value)
    {
        if (!object)
            return;
        const auto it = m_entries.find(object);
        if (!value) {
            if (it != m_entries.end()) {
                QObject::disconnect(it->second.cleanup);
                m_entries.erase(it);
            }
            return;
        }
        if (it != m_entries.end()) {
            it->second.value = std::move(*value);
            return;
        }
        const auto cleanup = QObject::connect(
            object, &QObject::destroyed, [this, object] { m_entries.erase(object); });
        m_entries.emplace(object, Entry { std::move(*value), cleanup });
    }

private:
    struct Entry
    {
        T value;
        QMetaObject::Connection cleanup;
    };
    std::unordered_map<const QObject *, Entry> m_entries;
};

} // namespace KeyboardShortcuts
