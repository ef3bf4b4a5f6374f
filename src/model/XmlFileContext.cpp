#include "model/XmlFileContext.h"

#include "platform/MessageBox.h"

#include <QFile>
#include <QSaveFile>
#include <QScopeGuard>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

namespace {

// The whole file, when it is a regular one of at most kMaxXmlFileBytes. Checked before the open so
// that no device is opened at all, and again on the open descriptor, which cannot block: a FIFO
// put in the file's place between the two is refused rather than waited on.
bool readRegularFile(const QString& path, QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kMaxXmlFileBytes)
        return false;
    int fd = -1;
    do
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxXmlFileBytes)
        return false;
    // The file may grow while it is read: one byte past the limit is enough to tell.
    bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > kMaxXmlFileBytes)
                return false;
            bytes.resize(std::min<qsizetype>(2 * total, kMaxXmlFileBytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + total, std::size_t(bytes.size() - total));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        total += n;
    }
    bytes.truncate(total);
    return true;
}

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

// Builds the tree from one pass of the stream reader rather than by QDomDocument::setContent: the
// pass stops at the first fault or past kMaxXmlDepth (Qt's parser takes quadratic time on deep
// documents), and it keeps text of white space only, which Qt 6.4's parser drops.
bool parseInto(const QByteArray& bytes, QDomDocument& document) {
    QXmlStreamReader reader(bytes);
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
            if (++depth > kMaxXmlDepth || !isXmlName(reader.qualifiedName()))
                return false;
            QDomElement element = document.createElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                if (!isXmlName(attribute.qualifiedName()))
                    return false;
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
    return !reader.hasError() && !document.documentElement().isNull();
}

} // namespace

bool ReadXmlFile(const QString& path, QDomDocument& document) {
    QByteArray bytes;
    return lumadesk::readRegularFile(path, bytes) && lumadesk::parseInto(bytes, document);
}

} // namespace lumadesk
