#include "model/OptionFile.h"

#include "platform/MessageBox.h"

#include <QFileInfo>

namespace lumadesk {

namespace {

QString optionPath() {
    return QString::fromLatin1(kOptionFile);
}

bool write(XmlFileContext* context, const ComSettings& settings) {
    XmlDocumentScope scope(context);
    QDomDocument& document = scope.document();
    QDomElement option = BeginXmlDocument(document, QStringLiteral("Option"));
    if (option.isNull())
        return false;

    QDomElement comSet = document.createElement(QStringLiteral("ComSet"));
    if (comSet.isNull())
        return false;
    AppendIndent(option, 1);
    XmlAddChild(option, comSet);

    const std::pair<const char*, QString> values[] = {
        {"sComPort", settings.portName}, {"nBaud", QString::number(settings.baudRate)}};
    for (const auto& [name, text] : values) {
        if (!AppendTextElement(comSet, QString::fromLatin1(name), text, 2))
            return false;
    }
    AppendIndent(comSet, 1);
    AppendIndent(option, 0);
    return WriteXmlFile(document, optionPath());
}

} // namespace

int ReadOptionFile(XmlFileContext* context, ComSettings& settings) {
    if (!QFileInfo::exists(optionPath()))
        return 0;
    XmlDocumentScope scope(context);
    QDomDocument& document = scope.document();
    if (!ReadXmlFile(optionPath(), document))
        return 0;
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("Option"))
        return 0;
    const QDomElement comSet = root.firstChildElement();
    if (comSet.isNull() || !comSet.nextSiblingElement().isNull())
        return 0;

    // By position, whatever the names.
    const QDomElement port = comSet.firstChildElement();
    if (port.isNull())
        return 0;
    settings.portName = port.text();
    const QDomElement baud = port.nextSiblingElement();
    if (baud.isNull())
        return 0;
    const int baudRate = ParseDecimal(baud.text());
    if (baudRate <= 0)
        return 0;
    settings.baudRate = baudRate;
    return 1;
}

int WriteOptionFile(XmlFileContext* context, const ComSettings& settings) {
    if (!write(context, settings)) {
        ShowMessageBox(QStringLiteral("Fail to save file"));
        return 0;
    }
    return 1;
}

} // namespace lumadesk
