#include "model/XmlFileContext.h"

#include "platform/MessageBox.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <vector>

XmlDocumentScope::XmlDocumentScope(XmlFileContext* context) : m_context(context) {
    if (m_context != nullptr)
        m_context->pDoc = &m_document;
}

XmlDocumentScope::~XmlDocumentScope() {
    if (m_context != nullptr)
        m_context->pDoc = nullptr;
}

int XmlAddChild(QDomNode parent, const QDomNode& child) {
    if (parent.appendChild(child).isNull()) {
        ShowMessageBox(QStringLiteral("XmlAddChild Failure"));
        return 0;
    }
    return 1;
}

void AppendIndent(QDomNode parent, int n) {
    QDomDocument document = parent.isDocument() ? parent.toDocument() : parent.ownerDocument();
    QString text(1 + std::max(n, 0), QLatin1Char('\t'));
    text[0] = QLatin1Char('\n');
    parent.appendChild(document.createTextNode(text));
}

QDomProcessingInstruction CreateXmlDeclaration(QDomDocument& document) {
    return document.createProcessingInstruction(QStringLiteral("xml"),
                                                QStringLiteral("version='1.0' encoding='utf-8'"));
}

QDomElement BeginXmlDocument(QDomDocument& document, const QString& rootName) {
    const QDomProcessingInstruction declaration = CreateXmlDeclaration(document);
    if (declaration.isNull())
        return {};
    XmlAddChild(document, declaration);
    QDomElement root = document.createElement(rootName);
    if (root.isNull())
        return {};
    AppendIndent(document, 0);
    XmlAddChild(document, root);
    return root;
}

bool AppendTextElement(QDomElement& parent, const QString& name, const QString& text, int depth) {
    QDomDocument document = parent.ownerDocument();
    QDomElement element = document.createElement(name);
    if (element.isNull())
        return false;
    AppendIndent(parent, depth);
    if (!text.isEmpty())
        element.appendChild(document.createTextNode(text));
    XmlAddChild(parent, element);
    return true;
}

int ParseDecimal(const QString& text) {
    qsizetype i = 0;
    const qsizetype size = text.size();
    auto isSpace = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
    };
    while (i < size && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    // The magnitude stops growing once it is past the 32-bit range; the clamp below decides.
    qint64 magnitude = 0;
    constexpr qint64 beyond = qint64(INT_MAX) + 2;
    for (; i < size && text[i] >= u'0' && text[i] <= u'9'; ++i)
        magnitude = std::min(beyond, magnitude * 10 + (text[i].unicode() - u'0'));
    const qint64 value = negative ? -magnitude : magnitude;
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

namespace {

// XML 1.0 Char: tab, line feed, carriage return, and everything from U+0020 except surrogates
// standing alone and U+FFFE, U+FFFF.
bool holdsOnlyXmlChars(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c == 0x9 || c == 0xA || c == 0xD)
            continue;
        if (c < 0x20 || QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF)
            return false;
    }
    return true;
}

// Line ends and tabs in attributes become references: a reader would otherwise turn them into
// spaces. A carriage return in text likewise, or a reader would fold it into the line feed.
QString escaped(const QString& text, bool attribute) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'\r':
            out += QLatin1String("&#13;");
            break;
        case u'"':
            out += attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        case u'\n':
            out += attribute ? QLatin1String("&#10;") : QLatin1String("\n");
            break;
        case u'\t':
            out += attribute ? QLatin1String("&#9;") : QLatin1String("\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

class TreeWriter {
public:
    explicit TreeWriter(const QStringList& attributeOrder) : m_order(attributeOrder) {}

    bool write(const QDomNode& node) {
        switch (node.nodeType()) {
        case QDomNode::DocumentNode:
            return writeChildren(node);
        case QDomNode::ElementNode:
            return writeElement(node.toElement());
        case QDomNode::TextNode:
        case QDomNode::CDATASectionNode:
            return text(node.nodeValue(), false);
        case QDomNode::ProcessingInstructionNode: {
            const QDomProcessingInstruction pi = node.toProcessingInstruction();
            m_out += QLatin1String("<?") + pi.target() + QLatin1Char(' ') + pi.data() +
                     QLatin1String("?>");
            return holdsOnlyXmlChars(pi.data());
        }
        case QDomNode::CommentNode:
            m_out += QLatin1String("<!--") + node.nodeValue() + QLatin1String("-->");
            return holdsOnlyXmlChars(node.nodeValue());
        default:
            return false; // our documents hold nothing else
        }
    }

    const QString& result() const { return m_out; }

private:
    bool text(const QString& value, bool attribute) {
        m_out += escaped(value, attribute);
        return holdsOnlyXmlChars(value);
    }

    bool writeChildren(const QDomNode& node) {
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (!write(child))
                return false;
        }
        return true;
    }

    bool writeElement(const QDomElement& element) {
        m_out += QLatin1Char('<') + element.tagName();
        const QDomNamedNodeMap map = element.attributes();
        std::vector<QDomAttr> attributes;
        for (int i = 0; i < map.count(); ++i)
            attributes.push_back(map.item(i).toAttr());
        std::sort(attributes.begin(), attributes.end(),
                  [this](const QDomAttr& a, const QDomAttr& b) {
                      const auto rank = [this](const QDomAttr& x) {
                          const qsizetype at = m_order.indexOf(x.name());
                          return at < 0 ? m_order.size() : at;
                      };
                      return std::make_pair(rank(a), a.name()) < std::make_pair(rank(b), b.name());
                  });
        for (const QDomAttr& attribute : attributes) {
            m_out += QLatin1Char(' ') + attribute.name() + QLatin1String("=\"");
            if (!text(attribute.value(), true))
                return false;
            m_out += QLatin1Char('"');
        }
        if (!element.hasChildNodes()) {
            m_out += QLatin1String("/>");
            return true;
        }
        m_out += QLatin1Char('>');
        if (!writeChildren(element))
            return false;
        m_out += QLatin1String("</") + element.tagName() + QLatin1Char('>');
        return true;
    }

    const QStringList& m_order;
    QString m_out;
};

} // namespace

bool WriteXmlFile(const QDomDocument& document, const QString& path,
                  const QStringList& attributeOrder) {
    TreeWriter writer(attributeOrder);
    if (!writer.write(document))
        return false;
    const QByteArray bytes = writer.result().toUtf8();
    QSaveFile file(path);
    // Flushed here: Qt 6.4's commit() misses a failure of its own flush and would put a cut-off
    // file in place of the earlier one.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool ReadXmlFile(const QString& path, QDomDocument& document) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return bool(document.setContent(bytes)) && !document.documentElement().isNull();
}
