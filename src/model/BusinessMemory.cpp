#include "model/BusinessMemory.h"

#include "model/HeadRole.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace lumadesk {

namespace {

const QString kExtension = QStringLiteral(".xml");
constexpr int kValueCount = 10;
// A save's temporary file this old belongs to a save that was killed, not to one under way.
constexpr qint64 kLeftoverAgeMs = 60 * 1000;

QString folderName() {
    return QString::fromLatin1(kMemoryFolder);
}

// The writer needs them in this order; QDomDocument forgets it.
const QStringList& attributeOrder() {
    static const QStringList order{"nStudioNum", "sStudioName", "nChItemCnt", "nChNum",
                                   "sChName",    "sModelName",  "sRole"};
    return order;
}

QString levelText(int value, int on) {
    return on != 0 ? FormatPowerLevel(value) : QStringLiteral("OFF");
}

// The settings block in file order. A switch holds 0 or any other value for on.
constexpr int StrobeData::*kBlock[] = {
    &StrobeData::nFlashValue,  &StrobeData::bFlashCell,  &StrobeData::bFlashSnd,
    &StrobeData::bFlashCharge, &StrobeData::bFlashPow,   &StrobeData::nModelValue,
    &StrobeData::nModelMode1,  &StrobeData::nModelMode2, &StrobeData::bModelPow};

bool isLevel(int StrobeData::*member) {
    return member == &StrobeData::nFlashValue || member == &StrobeData::nModelValue;
}

// The ten value elements of a unit, in file order; the last one is the light's name. A switch is
// written as 0 or 1, the only values a file may hold.
QStringList valueTexts(const StrobeData& unit) {
    QStringList texts;
    for (int StrobeData::*member : kBlock) {
        const int value = unit.*member;
        texts.append(QString::number(isLevel(member) || value == 0 ? value : 1));
    }
    texts.append(unit.sLightName);
    return texts;
}

// Why the unit cannot be stored: a level outside its range has no place in a file, which would
// then never load. Empty when it can.
QString unitProblem(const StrobeData& unit) {
    for (const auto& [name, value] :
         {std::pair{"flash", unit.nFlashValue}, std::pair{"model", unit.nModelValue}}) {
        if (!IsValidLevel(value))
            return QStringLiteral("%1 holds %2 level %3, outside %4 to %5.")
                .arg(unit.sChName, QLatin1String(name), FormatPowerLevel(value),
                     FormatPowerLevel(kLowestLevel), FormatPowerLevel(kHighestLevel));
    }
    return {};
}

// A control character or a mark that shows nothing or turns the text around, so two names could
// look the same in the list. The joiners stay: some scripts and emoji are written with them.
bool isHiddenControl(char32_t c) {
    if (c == 0x200C || c == 0x200D)
        return false;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

const char* const kValueNames[kValueCount] = {
    "nFlashValue", "bFlashCell",  "bFlashSnd",   "bFlashCharge", "bFlashPow",
    "nModelValue", "nModelMode1", "nModelMode2", "bModelPow",    "sLightName"};

// A value's text as the file holds it, on one line and short enough for the status bar.
QString shortened(const QString& text) {
    constexpr qsizetype kShown = 16;
    const QString line = text.simplified();
    return line.size() <= kShown ? line : line.left(kShown) + QChar(0x2026);
}

// Units are recognised by place, values by position; names are not checked. why says what
// refused the unit.
bool loadUnit(const QDomElement& element, StudioData* target, QString& why) {
    int channel = StrobeData().nChNum;
    if (element.hasAttribute(QStringLiteral("nChNum")))
        channel = ParseDecimal(element.attribute(QStringLiteral("nChNum")));
    const QString head = channel >= 0 && channel < kChannelCount
                             ? ChannelLabel(channel)
                             : QStringLiteral("the unit on channel %1").arg(channel);

    QStringList texts;
    for (QDomElement value = element.firstChildElement();
         !value.isNull() && texts.size() < kValueCount; value = value.nextSiblingElement())
        texts.append(value.text());
    if (texts.size() < kValueCount) {
        why = QStringLiteral("%1 has %2 of its %3 values")
                  .arg(head, QString::number(texts.size()), QString::number(kValueCount));
        return false;
    }
    if (channel < 0 || channel >= kChannelCount)
        return true; // not placed, so no record is built for it
    auto unit = std::make_unique<StrobeData>();
    unit->nChNum = channel;
    if (element.hasAttribute(QStringLiteral("sModelName")))
        unit->sModelName = element.attribute(QStringLiteral("sModelName"));
    // A role this console does not know is left out, as a reader that knows none would.
    if (const auto role = RoleFromText(element.attribute(QStringLiteral("sRole"))))
        unit->nRole = int(*role);
    // Levels 11-81 and switches 0 or 1 only: a frame carries each value in one byte, and 255
    // there would start a frame of its own.
    for (int i = 0; i < 9; ++i) {
        const int value = ParseDecimal(texts[i]);
        if (isLevel(kBlock[i]) ? !IsValidLevel(value) : value != 0 && value != 1) {
            why = QStringLiteral("%1 %2 %3 is out of range %4")
                      .arg(head, QLatin1String(kValueNames[i]), shortened(texts[i]),
                           isLevel(kBlock[i])
                               ? QStringLiteral("%1-%2").arg(kLowestLevel).arg(kHighestLevel)
                               : QStringLiteral("0-1"));
            return false;
        }
        unit.get()->*kBlock[i] = value;
    }
    unit->sLightName = texts[9];
    PutStrobe(target, channel, std::move(unit));
    return true;
}

bool loadPath(XmlFileContext* context, XmlDocumentScope& scope, const QString& path, QString& why);

// why says what refused the file, without its name.
bool load(XmlFileContext* context, const QString& name, QString& why) {
    XmlDocumentScope scope(context);
    if (context == nullptr || context->pModel == nullptr)
        return false;
    const QString path = MemoryFilePath(name);
    if (path.isEmpty()) {
        why = QStringLiteral("not a name a set-up can have");
        return false;
    }
    return loadPath(context, scope, path, why);
}

bool loadPath(XmlFileContext* context, XmlDocumentScope& scope, const QString& path, QString& why) {
    QDomDocument& document = scope.document();
    if (!ReadXmlFile(path, document, FileLinks::Refuse, &why))
        return false;
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("StudioManage")) {
        why = QStringLiteral("its root is \"%1\", not \"StudioManage\"").arg(root.tagName());
        return false;
    }
    StudioData* target = context->pModel->pMemoryStudio.get();
    for (QDomElement studio = root.firstChildElement(); !studio.isNull();
         studio = studio.nextSiblingElement()) {
        for (QDomElement unit = studio.firstChildElement(); !unit.isNull();
             unit = unit.nextSiblingElement()) {
            if (!loadUnit(unit, target, why))
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
    // Only with a role, so a set-up without roles is written as it always was.
    if (RoleOf(unit) != HeadRole::None)
        element.setAttribute(QStringLiteral("sRole"), RoleText(RoleOf(unit)));
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
    return !path.isEmpty() && WriteXmlFile(document, path, attributeOrder(), FileLinks::Refuse);
}

// Temporary files of saves that were killed (their names are never listed). Only names our
// saves make are touched; a save under way holds its file's lock, and one just begun (not yet
// locked) is younger than kLeftoverAgeMs.
void removeLeftovers(const QDir& folder) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QFileInfo& file :
         folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (IsSaveLeftover(file.fileName()) &&
            file.lastModified().toUTC().msecsTo(now) > kLeftoverAgeMs)
            RemoveSaveLeftover(file.filePath());
    }
}

} // namespace

QString MemoryNameProblem(const QString& name) {
    for (const char32_t c : name.toUcs4()) {
        if (isHiddenControl(c))
            return QStringLiteral("The name holds an invisible or text-direction control "
                                  "character (U+%1), so it would not show as typed.")
                .arg(QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    }
    return {};
}

QString MemoryFilePath(const QString& name) {
    if (name == QLatin1String(".") || name == QLatin1String("..") || name.contains(u'/') ||
        name.contains(u'\\') || name.contains(QChar(u'\0')))
        return {};
    return folderName() + QLatin1Char('/') + name + kExtension;
}

QStringList StoredSetupNames() {
    // Hidden too: the empty name is the file ".xml". Case counts, as it does when opening. A link
    // is never a set-up: it is neither read nor written. Sorted here, so the folder's own order
    // is not asked for.
    QStringList names =
        QDir(folderName()).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
    names.removeIf([](const QString& file) { return !file.endsWith(kExtension); });
    for (QString& name : names)
        name.chop(kExtension.size());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

void ListMemoryFiles(XmlFileContext* context) {
    const QString folder = folderName();
    if (!QFileInfo(folder).isDir()) {
        QDir().mkdir(folder); // a failure leaves the list as it is
        return;
    }
    removeLeftovers(QDir(folder));
    const QStringList names = StoredSetupNames();
    if (context == nullptr || context->pFileList == nullptr)
        return;
    for (const QString& name : names)
        context->pFileList->append(name);
}

bool ReadMemoryFile(XmlFileContext* context, const QString& name, QString* why) {
    QString problem;
    const bool read = load(context, name, problem);
    if (why != nullptr)
        *why = read ? QString()
                    : name + kExtension + QStringLiteral(": ") +
                          (problem.isEmpty() ? QStringLiteral("cannot be read") : problem);
    return read;
}

bool ReadSetupFileAt(XmlFileContext* context, const QString& path, QString* why) {
    QString problem;
    bool read = false;
    if (context != nullptr && context->pModel != nullptr) {
        ClearStudio(context->pModel, context->pModel->pMemoryStudio.get());
        XmlDocumentScope scope(context);
        read = loadPath(context, scope, path, problem);
    }
    if (why != nullptr)
        *why = read ? QString()
                    : QFileInfo(path).fileName() + QStringLiteral(": ") +
                          (problem.isEmpty() ? QStringLiteral("cannot be read") : problem);
    return read;
}

int LoadMemoryFile(XmlFileContext* context, const QString& name) {
    QString why;
    const bool read = ReadMemoryFile(context, name, &why);
    // The box keeps its words; what was wrong is said beside it, already while it is open.
    if (context != nullptr && context->loadProblem)
        context->loadProblem(why);
    if (!read)
        ShowMessageBox(QStringLiteral("Fail to open file"));
    return read ? 1 : 0;
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
    // One way of writing each name, so "é" typed in one piece or as e and its accent is one file.
    const QString stored = name.normalized(QString::NormalizationForm_C);
    // A name that could leave the folder fails below, with the plain box, as it always did.
    QString problem = MemoryFilePath(stored).isEmpty() ? QString() : MemoryNameProblem(stored);
    for (int i = 0; i < kChannelCount && problem.isEmpty(); ++i) {
        if (const StrobeData* unit = studio->UnitOn(i))
            problem = unitProblem(*unit);
    }
    if (!problem.isEmpty()) {
        ShowMessageBox(QStringLiteral("Fail to save file\n\n") + problem);
        return 0;
    }
    if (!save(context, *studio, stored)) {
        ShowMessageBox(QStringLiteral("Fail to save file"));
        return 0;
    }
    return 1;
}

QString PreviewMemoryFile(XmlFileContext* context, const QString& name) {
    if (context != nullptr && context->pModel != nullptr)
        ClearStudio(context->pModel, context->pModel->pMemoryStudio.get());
    if (!LoadMemoryFile(context, name)) {
        // A file refused part way leaves nothing that Load could apply.
        if (context != nullptr && context->pModel != nullptr)
            ClearStudio(context->pModel, context->pModel->pMemoryStudio.get());
        return {};
    }
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
