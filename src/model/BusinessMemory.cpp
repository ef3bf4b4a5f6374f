#include "model/BusinessMemory.h"

#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace lumadesk {

namespace {

const QString kExtension = QStringLiteral(".xml");
constexpr int kValueCount = 10;

QString folderName() {
    return QString::fromLatin1(kMemoryFolder);
}

// The writer needs them in this order; QDomDocument forgets it.
const QStringList& attributeOrder() {
    static const QStringList order{"nStudioNum", "sStudioName", "nChItemCnt",
                                   "nChNum",     "sChName",     "sModelName"};
    return order;
}

QString levelText(int value, int on) {
    return on != 0 ? FormatPowerLevel(value) : QStringLiteral("OFF");
}

// The ten value elements of a unit, in file order; the last one is the light's name.
QStringList valueTexts(const StrobeData& unit) {
    QStringList texts;
    for (int value :
         {unit.nFlashValue, unit.bFlashCell, unit.bFlashSnd, unit.bFlashCharge, unit.bFlashPow,
          unit.nModelValue, unit.nModelMode1, unit.nModelMode2, unit.bModelPow})
        texts.append(QString::number(value));
    texts.append(unit.sLightName);
    return texts;
}

const char* const kValueNames[kValueCount] = {
    "nFlashValue", "bFlashCell",  "bFlashSnd",   "bFlashCharge", "bFlashPow",
    "nModelValue", "nModelMode1", "nModelMode2", "bModelPow",    "sLightName"};

// Units are recognised by place, values by position; names are not checked.
bool loadUnit(const QDomElement& element, StudioData* target) {
    QStringList texts;
    for (QDomElement value = element.firstChildElement();
         !value.isNull() && texts.size() < kValueCount; value = value.nextSiblingElement())
        texts.append(value.text());
    if (texts.size() < kValueCount)
        return false;

    int channel = StrobeData().nChNum;
    if (element.hasAttribute(QStringLiteral("nChNum")))
        channel = ParseDecimal(element.attribute(QStringLiteral("nChNum")));
    if (channel < 0 || channel >= kChannelCount)
        return true; // not placed, so no record is built for it
    auto unit = std::make_unique<StrobeData>();
    unit->nChNum = channel;
    if (element.hasAttribute(QStringLiteral("sModelName")))
        unit->sModelName = element.attribute(QStringLiteral("sModelName"));
    int* const block[] = {&unit->nFlashValue,  &unit->bFlashCell,  &unit->bFlashSnd,
                          &unit->bFlashCharge, &unit->bFlashPow,   &unit->nModelValue,
                          &unit->nModelMode1,  &unit->nModelMode2, &unit->bModelPow};
    for (int i = 0; i < 9; ++i)
        *block[i] = ParseDecimal(texts[i]);
    unit->sLightName = texts[9];
    PutStrobe(target, channel, std::move(unit));
    return true;
}

bool load(XmlFileContext* context, const QString& name) {
    XmlDocumentScope scope(context);
    if (context == nullptr || context->pModel == nullptr)
        return false;
    const QString path = MemoryFilePath(name);
    QDomDocument& document = scope.document();
    if (path.isEmpty() || !ReadXmlFile(path, document))
        return false;
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("StudioManage"))
        return false;
    StudioData* target = context->pModel->pMemoryStudio.get();
    for (QDomElement studio = root.firstChildElement(); !studio.isNull();
         studio = studio.nextSiblingElement()) {
        for (QDomElement unit = studio.firstChildElement(); !unit.isNull();
             unit = unit.nextSiblingElement()) {
            if (!loadUnit(unit, target))
                return false;
        }
    }
    return true;
}

bool writeUnit(QDomDocument& document, QDomElement& studioElement, const StrobeData& unit) {
    QDomElement element = document.createElement(QStringLiteral("Strobe"));
    if (element.isNull())
        return false;
    AppendIndent(studioElement, 2);
    element.setAttribute(QStringLiteral("nChNum"), unit.nChNum);
    element.setAttribute(QStringLiteral("sChName"), unit.sChName);
    element.setAttribute(QStringLiteral("sModelName"), unit.sModelName);
    XmlAddChild(studioElement, element);

    const QStringList texts = valueTexts(unit);
    for (int i = 0; i < kValueCount; ++i) {
        if (!AppendTextElement(element, QString::fromLatin1(kValueNames[i]), texts[i], 3))
            return false;
    }
    AppendIndent(element, 2);
    return true;
}

bool save(XmlFileContext* context, const StudioData& studio, const QString& name) {
    XmlDocumentScope scope(context);
    QDomDocument& document = scope.document();
    QDomElement root = BeginXmlDocument(document, QStringLiteral("StudioManage"));
    if (root.isNull())
        return false;

    QDomElement studioElement = document.createElement(QStringLiteral("Studio"));
    if (studioElement.isNull())
        return false;
    AppendIndent(root, 1);
    studioElement.setAttribute(QStringLiteral("nStudioNum"), studio.nStudioNum);
    studioElement.setAttribute(QStringLiteral("sStudioName"), studio.sStudioName);
    studioElement.setAttribute(QStringLiteral("nChItemCnt"), studio.nChItemCnt);
    XmlAddChild(root, studioElement);
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = studio.UnitOn(i);
            unit && !writeUnit(document, studioElement, *unit))
            return false;
    }
    AppendIndent(studioElement, 1);
    AppendIndent(root, 0);

    const QString path = MemoryFilePath(name);
    return !path.isEmpty() && WriteXmlFile(document, path, attributeOrder());
}

} // namespace

QString MemoryFilePath(const QString& name) {
    if (name == QLatin1String(".") || name == QLatin1String("..") || name.contains(u'/') ||
        name.contains(u'\\') || name.contains(QChar(u'\0')))
        return {};
    return folderName() + QLatin1Char('/') + name + kExtension;
}

void ListMemoryFiles(XmlFileContext* context) {
    const QString folder = folderName();
    if (!QFileInfo(folder).isDir()) {
        QDir().mkdir(folder); // a failure leaves the list as it is
        return;
    }
    // Hidden too: the empty name is the file ".xml". Case counts, as it does when opening.
    QStringList names;
    for (const QString& file : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (file.endsWith(kExtension))
            names.append(file.chopped(kExtension.size()));
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    if (context == nullptr || context->pFileList == nullptr)
        return;
    for (const QString& name : names)
        context->pFileList->append(name);
}

int LoadMemoryFile(XmlFileContext* context, const QString& name) {
    if (!load(context, name)) {
        ShowMessageBox(QStringLiteral("Fail to open file"));
        return 0;
    }
    return 1;
}

int SaveMemoryFile(XmlFileContext* context, const QString& name) {
    if (context == nullptr || context->pModel == nullptr)
        return 0;
    const StudioData* studio = StudioOfNode(context->pModel->pCurNode);
    if (studio == nullptr)
        return 0;
    if (studio->nChItemCnt == 0) {
        ShowMessageBox(QStringLiteral("No channel item."));
        return 1;
    }
    if (!save(context, *studio, name)) {
        ShowMessageBox(QStringLiteral("Fail to save file"));
        return 0;
    }
    return 1;
}

QString PreviewMemoryFile(XmlFileContext* context, const QString& name) {
    if (context != nullptr && context->pModel != nullptr)
        ClearStudio(context->pModel, context->pModel->pMemoryStudio.get());
    if (!LoadMemoryFile(context, name))
        return {};
    QString info = QStringLiteral("File info :\r\n");
    const StudioData& memory = *context->pModel->pMemoryStudio;
    for (int i = 0; i < kChannelCount; ++i) {
        if (const StrobeData* unit = memory.UnitOn(i)) {
            info += unit->sChName + QLatin1String(" Flash ") +
                    levelText(unit->nFlashValue, unit->bFlashPow) + QLatin1String(" Model ") +
                    levelText(unit->nModelValue, unit->bModelPow) + QLatin1String("\r\n");
        }
    }
    return info;
}

int SaveMemoryFileAndRelist(XmlFileContext* context, const QString& name) {
    const int saved = SaveMemoryFile(context, name);
    if (saved == 1 && context != nullptr && context->pFileList != nullptr) {
        context->pFileList->clear();
        ListMemoryFiles(context);
    }
    return saved;
}

} // namespace lumadesk
