// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/AppcastParser.h"

#include "updates/UpdateUrlPolicy.h"
#include "updates/VersionComparator.h"

#include <QXmlStreamReader>

#include <cstring>

#include <optional>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

constexpr auto SparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle"_L1;

enum class Field {
    None,
    Title,
    Version,
    ShortVersion,
    ReleaseNotes,
    Link,
    Channel,
};

bool isSparkle(QStringView namespaceUri, QStringView prefix)
{
    return namespaceUri == SparkleNamespace || prefix == u"sparkle";
}

Field fieldFor(const QXmlStreamReader &reader)
{
    const QStringView name = reader.name();
    if (isSparkle(reader.namespaceUri(), reader.prefix())) {
        if (name == u"version")
            return Field::Version;
        if (name == u"shortVersionString")
            return Field::ShortVersion;
        if (name == u"releaseNotesLink")
            return Field::ReleaseNotes;
        if (name == u"channel")
            return Field::Channel;
        return Field::None;
    }
    if (!reader.namespaceUri().isEmpty())
        return Field::None;
    if (name == u"title")
        return Field::Title;
    if (name == u"link")
        return Field::Link;
    return Field::None;
}

std::optional<QString> sparkleAttribute(const QXmlStreamAttributes &attributes, QStringView name)
{
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == name && isSparkle(a.namespaceUri(), a.prefix()))
            return a.value().toString().trimmed();
    }
    return std::nullopt;
}

QUrl allowedUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return UpdateUrlPolicy::isAllowed(url) ? url : QUrl();
}

bool plausibleVersion(const QString &version)
{
    return !version.isEmpty() && version.size() <= AppcastParser::MaximumVersionLength
        && std::any_of(version.begin(), version.end(), [](QChar c) { return c.isDigit(); });
}

// What one <item> said, before deciding whether it is usable.
struct ItemDraft
{
    AppcastItem item;
    QString link;
    QString enclosureUrl;
    bool hasEnclosure = false;
    bool otherChannel = false;
    bool otherSystem = false;

    void readEnclosure(const QXmlStreamAttributes &attributes)
    {
        if (hasEnclosure)
            return; // the first enclosure counts
        hasEnclosure = true;
        enclosureUrl = attributes.value("url"_L1).toString();
        bool ok = false;
        const qint64 length = attributes.value("length"_L1).toLongLong(&ok);
        item.enclosureLength = ok && length >= 0 ? length : -1;
        if (auto v = sparkleAttribute(attributes, u"version"); v && item.version.isEmpty())
            item.version = *v;
        if (auto v = sparkleAttribute(attributes, u"shortVersionString");
            v && item.shortVersionString.isEmpty())
            item.shortVersionString = *v;
        if (auto os = sparkleAttribute(attributes, u"os"); os && !os->isEmpty())
            otherSystem = os->compare("linux"_L1, Qt::CaseInsensitive) != 0;
    }

    void setField(Field field, const QString &text)
    {
        const QString value = text.trimmed();
        switch (field) {
        case Field::Title:
            item.title = value;
            break;
        case Field::Version:
            item.version = value;
            break;
        case Field::ShortVersion:
            item.shortVersionString = value;
            break;
        case Field::ReleaseNotes:
            item.releaseNotesUrl = allowedUrl(value);
            break;
        case Field::Link:
            link = value;
            break;
        case Field::Channel:
            otherChannel = !value.isEmpty();
            break;
        case Field::None:
            break;
        }
    }

    std::optional<AppcastItem> finish()
    {
        if (otherChannel || otherSystem || !hasEnclosure || !plausibleVersion(item.version))
            return std::nullopt;
        if (item.shortVersionString.size() > AppcastParser::MaximumVersionLength)
            item.shortVersionString.clear();
        item.enclosureUrl = allowedUrl(enclosureUrl);
        if (item.enclosureUrl.isEmpty())
            return std::nullopt;
        if (item.releaseNotesUrl.isEmpty() && !link.isEmpty())
            item.releaseNotesUrl = allowedUrl(link);
        return item;
    }
};

// QXmlStreamReader compares each attribute of an element with every earlier
// one and looks namespaces up through every declaration in scope, so a feed of
// 100,000 attributes on one element takes minutes. This linear pass over the
// bytes bounds elements, attributes and depth before the reader sees them.
// Returns what is wrong, or an empty string.
QString checkShape(const QByteArray &document)
{
    const char *p = document.constData();
    const char *const end = p + document.size();
    auto skipPast = [&](const char *from, QByteArrayView marker) {
        const qsizetype at = QByteArrayView(from, end).indexOf(marker);
        return at < 0 ? end : from + at + marker.size();
    };
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    int elements = 0;
    int depth = 0;
    int namespaces = 0;
    while (p < end) {
        p = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
        if (!p)
            break;
        ++p;
        const QByteArrayView rest(p, end);
        if (rest.startsWith("!--")) {
            p = skipPast(p + 3, "-->");
        } else if (rest.startsWith("![CDATA[")) {
            p = skipPast(p + 8, "]]>");
        } else if (rest.startsWith("?")) {
            p = skipPast(p + 1, "?>");
        } else if (rest.startsWith("!")) {
            p = skipPast(p, ">"); // a declaration: the reader refuses it
        } else if (rest.startsWith("/")) {
            p = skipPast(p, ">");
            --depth;
        } else {
            if (++elements > AppcastParser::MaximumElements)
                return AppcastParser::tr("The update feed has too many elements.");
            int attributes = 0;
            char quote = 0;
            for (; p < end; ++p) {
                const char c = *p;
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                } else if (c == '=') {
                    if (++attributes > AppcastParser::MaximumAttributes)
                        return AppcastParser::tr("An element of the update feed has too many "
                                                 "attributes.");
                    const char *nameEnd = p;
                    while (nameEnd > document.constData() && isSpace(nameEnd[-1]))
                        --nameEnd;
                    const char *name = nameEnd;
                    while (name > document.constData() && !isSpace(name[-1]) && name[-1] != '"'
                        && name[-1] != '\'' && name[-1] != '<')
                        --name;
                    if (QByteArrayView(name, nameEnd).startsWith("xmlns")
                        && ++namespaces > AppcastParser::MaximumNamespaceDeclarations)
                        return AppcastParser::tr("The update feed declares too many namespaces.");
                }
            }
            const bool empty = p < end && p[-1] == '/';
            if (p < end)
                ++p;
            if (!empty && ++depth > AppcastParser::MaximumDepth)
                return AppcastParser::tr("The update feed is nested too deeply.");
        }
    }
    return {};
}

} // namespace

AppcastParser::Result AppcastParser::parse(const QByteArray &document)
{
    Result result;
    if (document.size() > MaximumSize) {
        result.error = tr("The update feed is larger than 1 MiB.");
        return result;
    }
    result.error = checkShape(document);
    if (!result.ok())
        return result;

    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(true);
    int depth = 0;
    int channelDepth = 0; // 0 while outside the channel
    int itemDepth = 0; // 0 while outside an item
    bool sawRss = false;
    bool sawChannel = false;
    std::optional<ItemDraft> draft;
    Field field = Field::None;
    QString text;

    auto fail = [&](const QString &message) {
        result.items.clear();
        result.error = message;
    };

    while (!reader.atEnd() && result.ok()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            fail(tr("The update feed contains a document type declaration, which is not "
                    "allowed."));
            break;
        case QXmlStreamReader::EntityReference:
            fail(tr("The update feed refers to an entity it does not define."));
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > MaximumDepth) {
                fail(tr("The update feed is nested too deeply."));
                break;
            }
            if (depth == 1) {
                if (reader.name() != u"rss" || !reader.namespaceUri().isEmpty()) {
                    fail(tr("The update feed is not an RSS document."));
                    break;
                }
                sawRss = true;
            } else if (depth == 2 && reader.name() == u"channel" && !sawChannel) {
                sawChannel = true;
                channelDepth = depth;
            } else if (channelDepth && depth == channelDepth + 1 && reader.name() == u"item"
                && reader.namespaceUri().isEmpty()) {
                itemDepth = depth;
                draft.emplace();
            } else if (itemDepth && depth == itemDepth + 1) {
                if (reader.name() == u"enclosure" && reader.namespaceUri().isEmpty()) {
                    draft->readEnclosure(reader.attributes());
                } else {
                    field = fieldFor(reader);
                    text.clear();
                }
            }
            break;
        case QXmlStreamReader::Characters:
            if (field != Field::None && depth == itemDepth + 1)
                text += reader.text();
            break;
        case QXmlStreamReader::EndElement:
            if (itemDepth && depth == itemDepth + 1 && field != Field::None) {
                draft->setField(field, text);
                field = Field::None;
            } else if (itemDepth && depth == itemDepth) {
                if (auto item = draft->finish())
                    result.items.append(*item);
                draft.reset();
                itemDepth = 0;
            } else if (channelDepth && depth == channelDepth) {
                channelDepth = 0;
            }
            --depth;
            break;
        default:
            break;
        }
    }

    if (!result.ok())
        return result;
    if (reader.hasError()) {
        fail(tr("The update feed is not well-formed XML (line %1: %2).")
                 .arg(reader.lineNumber())
                 .arg(reader.errorString()));
    } else if (!sawRss) {
        fail(tr("The update feed is not an RSS document."));
    } else if (!sawChannel) {
        fail(tr("The update feed has no channel."));
    }
    return result;
}

std::optional<AppcastItem> AppcastParser::bestUpdate(
    const QList<AppcastItem> &items, const QString &currentVersion)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem &item : items) {
        if (compareVersions(item.version, currentVersion) <= 0)
            continue;
        if (!best || compareVersions(item.version, best->version) > 0)
            best = item;
    }
    return best;
}

} // namespace vantry
