#pragma once

#include "platform/WholeFile.h"

#include <QDomDocument>
#include <QString>
#include <QStringList>
#include <functional>

namespace lumadesk {

struct StudioModel;

// Where the stored set-up names go: the panel's list control implements it, tests use a string
// list. The core includes no widget header.
class FileListSink {
public:
    virtual ~FileListSink() = default;
    virtual void clear() = 0;
    virtual void append(const QString& name) = 0;
};

// What the set-up files and the options file work with. The main frame creates it empty; the
// remote control panel fills in the model and its list. pDoc points at the document of the file
// operation in progress and is null outside one.
struct XmlFileContext {
    StudioModel* pModel = nullptr;
    QDomDocument* pDoc = nullptr;
    FileListSink* pFileList = nullptr; // not owned
    // Told what was wrong with a set-up whose box says only "Fail to open file"
    // ("evening.xml: CH-03 nFlashValue 95 is out of range 11-81"), so the window can say it
    // too; told an empty text when a set-up was read whole.
    std::function<void(const QString&)> loadProblem = nullptr;
};

// The document of one file operation, published in the context for as long as the call runs.
class XmlDocumentScope {
public:
    explicit XmlDocumentScope(XmlFileContext* context);
    ~XmlDocumentScope();
    XmlDocumentScope(const XmlDocumentScope&) = delete;
    XmlDocumentScope& operator=(const XmlDocumentScope&) = delete;

    QDomDocument& document() { return m_document; }

private:
    XmlFileContext* m_context;
    QDomDocument m_document;
};

// Appends child to parent; when the DOM refuses, shows "XmlAddChild Failure" and returns 0, else
// returns 1. Callers go on either way.
int XmlAddChild(QDomNode parent, const QDomNode& child);

// Appends a text node of one line feed and n tabs: the indentation before the next child, or
// before the closing tag. A refusal is ignored.
void AppendIndent(QDomNode parent, int n);

// The declaration both files start with.
QDomProcessingInstruction CreateXmlDeclaration(QDomDocument& document);

// Starts a file: the declaration, the line feed after it and the root element. A null element
// when the DOM cannot make the declaration or the root.
QDomElement BeginXmlDocument(QDomDocument& document, const QString& rootName);

// Appends an element holding only its text (none when empty), indented at the given depth.
// False when the DOM cannot make the element.
bool AppendTextElement(QDomElement& parent, const QString& name, const QString& text, int depth);

// A number as the files hold it: leading white space skipped, an optional sign, digits up to the
// first non-digit; no digits give 0, and values beyond 32 bits clamp to the nearest end.
int ParseDecimal(const QString& text);

// Writes the tree as it stands, UTF-8, with no white space of its own, and replaces the file only
// once all of it is written (SaveWholeFile). Attributes are written in the order of
// attributeOrder (QDomDocument keeps them in a hash whose order changes from run to run); others
// follow by name. Fails on characters that XML 1.0 cannot hold, since such a file could never be
// read back.
bool WriteXmlFile(const QDomDocument& document, const QString& path,
                  const QStringList& attributeOrder = {}, FileLinks links = FileLinks::Follow);

// Parses the file into the document. False when it is missing, not a regular file (with
// FileLinks::Refuse also a link), larger than kMaxXmlFileBytes, not well-formed (names
// included), nested deeper than kMaxXmlDepth, holding an element with more than
// kMaxXmlAttributes attributes, or without a root element. Text of white space only is kept, so
// a name of spaces reads back as written. why, when given, receives what was wrong in words
// ("line 3: Opening and ending tag mismatch."), or an empty text.
bool ReadXmlFile(const QString& path, QDomDocument& document, FileLinks links = FileLinks::Follow,
                 QString* why = nullptr);

// Far beyond any real file (a set-up of ten units is a few kilobytes, the options far less):
// larger files are refused unread, so a stray link or a huge file cannot eat the memory, and the
// largest accepted one still loads in a blink.
inline constexpr qint64 kMaxXmlFileBytes = qint64(256) << 10;

// Real files nest four levels deep; deeper documents are refused as the parse reaches this.
inline constexpr int kMaxXmlDepth = 32;

// Real elements carry at most three attributes. Qt's reader checks a tag's attributes against
// each other pair by pair, so thousands in one tag take seconds; such a tag is refused first.
inline constexpr int kMaxXmlAttributes = 16;

} // namespace lumadesk
