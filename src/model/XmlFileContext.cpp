#include "model/XmlFileContext.h"

#include "platform/MessageBox.h"

#include <QFileInfo>
#include <QStringConverter>
#include <QXmlStreamReader>
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace lumadesk {

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
                  const QStringList& attributeOrder, FileLinks links) {
    TreeWriter writer(attributeOrder);
    return writer.write(document) && SaveWholeFile(path, writer.result().toUtf8(), links);
}

namespace {

bool isNameStart(char32_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u':' || c == u'_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// XML 1.0 Name. Qt's reader checks element names but lets an attribute such as "n~ChNum" pass.
bool isXmlName(QStringView name) {
    const QList<uint> codes = name.toUcs4();
    if (codes.isEmpty() || !isNameStart(codes.front()))
        return false;
    return std::all_of(codes.begin() + 1, codes.end(), [](uint c) { return isNameChar(c); });
}

bool startsAt(QStringView text, qsizetype at, const char* token) {
    return text.mid(at).startsWith(QLatin1String(token));
}

qsizetype pastToken(QStringView text, qsizetype from, const char* token) {
    const qsizetype at = text.indexOf(QLatin1String(token), from);
    return at < 0 ? text.size() : at + qsizetype(std::strlen(token));
}

// Past the end of a declaration ("<!DOCTYPE ..."): its quoted literals, and the comments and
// processing instructions of its internal subset, may hold any character.
qsizetype pastDeclaration(QStringView text, qsizetype at) {
    int subset = 0;
    while (at < text.size()) {
        const QChar c = text[at];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = text.indexOf(c, at + 1);
            at = end < 0 ? text.size() : end + 1;
        } else if (subset > 0 && startsAt(text, at, "<!--")) {
            at = pastToken(text, at + 4, "-->");
        } else if (subset > 0 && startsAt(text, at, "<?")) {
            at = pastToken(text, at + 2, "?>");
        } else {
            subset += c == u'[' ? 1 : c == u']' ? -1 : 0;
            ++at;
            if (c == u'>' && subset <= 0)
                break;
        }
    }
    return at;
}

// Whether every tag holds at most kMaxXmlAttributes attributes, counted by their "=" outside
// quotes; comments, processing instructions, CDATA sections and declarations are stepped over.
// One look at each character: it runs before the reader, whose own check of a tag's attributes
// takes time that grows with their number squared.
bool tagsWithinAttributeLimit(QStringView text) {
    qsizetype at = 0;
    while ((at = text.indexOf(u'<', at)) >= 0) {
        if (startsAt(text, at, "<!--")) {
            at = pastToken(text, at + 4, "-->");
        } else if (startsAt(text, at, "<![CDATA[")) {
            at = pastToken(text, at + 9, "]]>");
        } else if (startsAt(text, at, "<?")) {
            at = pastToken(text, at + 2, "?>");
        } else if (startsAt(text, at, "<!")) {
            at = pastDeclaration(text, at + 2);
        } else {
            int equals = 0;
            QChar quote;
            for (++at; at < text.size(); ++at) {
                const QChar c = text[at];
                if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                } else if (c == u'"' || c == u'\'') {
                    quote = c;
                } else if (c == u'>') {
                    break;
                } else if (c == u'=' && ++equals > kMaxXmlAttributes) {
                    return false;
                }
            }
        }
    }
    return true;
}

// The text as the reader will see it: in the encoding the declaration names, else the one a
// byte-order mark or the first "<" gives away, else UTF-8.
QString decodedAsTheReaderWill(const QByteArray& bytes) {
    QXmlStreamReader probe(bytes);
    if (probe.readNext() == QXmlStreamReader::StartDocument &&
        !probe.documentEncoding().isEmpty()) {
        QStringDecoder declared(probe.documentEncoding().toUtf8().constData());
        if (declared.isValid())
            return declared(bytes);
    }
    QStringDecoder found(
        QStringConverter::encodingForData(bytes, u'<').value_or(QStringConverter::Utf8));
    return found(bytes);
}

// Builds the tree from one pass of the stream reader rather than by QDomDocument::setContent: the
// pass stops at the first fault or past kMaxXmlDepth (Qt's parser takes quadratic time on deep
// documents), and it keeps text of white space only, which Qt 6.4's parser drops.
bool parseInto(const QByteArray& bytes, QDomDocument& document, QString& why) {
    if (!tagsWithinAttributeLimit(decodedAsTheReaderWill(bytes))) {
        why = QStringLiteral("a tag holds more than %1 attributes").arg(kMaxXmlAttributes);
        return false;
    }
    QXmlStreamReader reader(bytes);
    const auto refuse = [&reader, &why](const QString& what) {
        why = QStringLiteral("line %1: %2").arg(QString::number(reader.lineNumber()), what);
        return false;
    };
    reader.setNamespaceProcessing(false);
    // Null at the document level: an empty QDomDocument is a null node until its first create*.
    QDomNode current;
    const auto append = [&](const QDomNode& node) {
        return (current.isNull() ? QDomNode(document) : current).appendChild(node);
    };
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            // The count again: an entity's text is parsed as markup too.
            if (++depth > kMaxXmlDepth)
                return refuse(QStringLiteral("nested deeper than %1").arg(kMaxXmlDepth));
            if (!isXmlName(reader.qualifiedName()))
                return refuse(
                    QStringLiteral("\"%1\" is no element name").arg(reader.qualifiedName()));
            if (reader.attributes().size() > kMaxXmlAttributes)
                return refuse(
                    QStringLiteral("a tag holds more than %1 attributes").arg(kMaxXmlAttributes));
            QDomElement element = document.createElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                if (!isXmlName(attribute.qualifiedName()))
                    return refuse(QStringLiteral("\"%1\" is no attribute name")
                                      .arg(attribute.qualifiedName()));
                element.setAttribute(attribute.qualifiedName().toString(),
                                     attribute.value().toString());
            }
            current = append(element);
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            current = current.parentNode();
            break;
        case QXmlStreamReader::Characters:
            if (depth > 0) // outside the root only white space can stand
                append(reader.isCDATA()
                           ? QDomNode(document.createCDATASection(reader.text().toString()))
                           : QDomNode(document.createTextNode(reader.text().toString())));
            break;
        case QXmlStreamReader::Comment:
            append(document.createComment(reader.text().toString()));
            break;
        case QXmlStreamReader::ProcessingInstruction:
            append(document.createProcessingInstruction(
                reader.processingInstructionTarget().toString(),
                reader.processingInstructionData().toString()));
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return refuse(reader.errorString());
    if (document.documentElement().isNull()) {
        why = QStringLiteral("no element");
        return false;
    }
    return true;
}

// Why a file could not be read, found out after the refusal.
QString unreadable(const QString& path, FileLinks links) {
    const QFileInfo info(path);
    if (links != FileLinks::Follow && info.isSymLink())
        return QStringLiteral("a link, not a file");
    if (!info.exists())
        return QStringLiteral("missing");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (info.size() > kMaxXmlFileBytes)
        return QStringLiteral("larger than %1 KiB").arg(kMaxXmlFileBytes >> 10);
    return QStringLiteral("cannot be read");
}

} // namespace

bool ReadXmlFile(const QString& path, QDomDocument& document, FileLinks links, QString* why) {
    QByteArray bytes;
    QString problem;
    if (!ReadRegularFile(path, kMaxXmlFileBytes, bytes, links))
        problem = unreadable(path, links);
    else if (!lumadesk::parseInto(bytes, document, problem) && problem.isEmpty())
        problem = QStringLiteral("not readable as XML");
    if (why != nullptr)
        *why = problem;
    return problem.isEmpty();
}

} // namespace lumadesk
