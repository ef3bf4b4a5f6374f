#include "model/StudioModel.h"

#include "model/HeadRole.h"
#include "model/NameBook.h"

#include "platform/WindowMessage.h"

#include <algorithm>

namespace lumadesk {

namespace {

bool nodeIsIn(const NodeHeader* node, const StrobeData* record) {
    return node != nullptr && (node == record || node == &record->lightNode);
}

// Compares pointers only: the record may have been destroyed.
bool holdsRecord(const StudioData& studio, const StrobeData* record) {
    for (int i = 0; i < kChannelCount; ++i) {
        if (studio.bChUsed[std::size_t(i)] && studio.pStrobe[std::size_t(i)].get() == record)
            return true;
    }
    return false;
}

} // namespace

StudioData::StudioData(int number, QString name)
    : nStudioNum(number), sStudioName(std::move(name)) {}

StudioData::~StudioData() = default;

StrobeData* StudioData::UnitOn(int channel) const {
    if (channel < 0 || channel >= kChannelCount || bChUsed[std::size_t(channel)] == 0)
        return nullptr;
    return pStrobe[std::size_t(channel)].get();
}

StudioModel::StudioModel()
    : pMemoryStudio(std::make_unique<StudioData>(-1, QString())), news(*this) {
    static const char* const names[kStudioCount] = {"Studio A", "Studio B", "Studio C", "Studio D",
                                                    "Studio E"};
    for (int i = 0; i < kStudioCount; ++i)
        studios[std::size_t(i)] = std::make_unique<StudioData>(i, QString::fromLatin1(names[i]));
}

StudioModel::~StudioModel() {
    // Studios in order, then the memory studio; each destroys its records with itself.
    for (auto& studio : studios)
        studio.reset();
    pMemoryStudio.reset();
}

bool StudioModel::OwnsRecord(const StrobeData* record) const {
    if (record == nullptr)
        return false;
    for (const auto& studio : studios) {
        if (holdsRecord(*studio, record))
            return true;
    }
    return holdsRecord(*pMemoryStudio, record);
}

bool StudioModel::OwnsRecord(const StrobeData* record, std::uint64_t serial) const {
    return OwnsRecord(record) && record->serial == serial;
}

std::vector<StrobeData*> ShownUnits(const StudioModel& model) {
    std::vector<StrobeData*> units;
    const StudioData* studio = StudioOfNode(model.pCurNode);
    if (studio == nullptr)
        return units;
    const std::size_t count =
        std::min(std::size_t(std::max(0, studio->nChItemCnt)), model.arrShown.size());
    for (std::size_t k = 0; k < count; ++k) {
        if (model.arrShown[k] != nullptr && holdsRecord(*studio, model.arrShown[k]))
            units.push_back(model.arrShown[k]);
    }
    return units;
}

bool PostRecordMessage(QObject* target, int number, qintptr wParam, const StrobeData* record) {
    return PostMessage(target, number, wParam, AsLParam(record),
                       record != nullptr ? record->serial : 0);
}

StrobeData* HeldRecordOf(const StudioModel& model, const WindowMessage& message) {
    auto* record = message.lParamAs<StrobeData>();
    const bool held = message.posted() ? model.OwnsRecord(record, message.recordSerial())
                                       : model.OwnsRecord(record);
    return held ? record : nullptr;
}

int shownStudioNumber(const StudioModel& model, const StudioData* studio) {
    for (int n = 0; n < kStudioCount; ++n) {
        if (studio != nullptr && model.studios[std::size_t(n)].get() == studio)
            return n;
    }
    return -1;
}

StudioData* StudioModel::StudioByNumber(int number) const {
    if (unsigned(number) >= unsigned(kStudioCount))
        return nullptr;
    return studios[std::size_t(number)].get();
}

StudioData* StudioOfNode(NodeHeader* node) {
    if (node == nullptr)
        return nullptr;
    switch (node->nNodeKind) {
    case NODE_LIGHT:
        return node->pParent != nullptr ? static_cast<StudioData*>(node->pParent->pParent)
                                        : nullptr;
    case NODE_STROBE:
        return static_cast<StudioData*>(node->pParent);
    case NODE_STUDIO:
        return static_cast<StudioData*>(node);
    default:
        return nullptr;
    }
}

StrobeData* UnitOfNode(NodeHeader* node) {
    if (node == nullptr)
        return nullptr;
    switch (node->nNodeKind) {
    case NODE_LIGHT:
        return static_cast<StrobeData*>(node->pParent);
    case NODE_STROBE:
        return static_cast<StrobeData*>(node);
    default:
        return nullptr;
    }
}

StrobeData* PutStrobe(StudioData* studio, int ch, std::unique_ptr<StrobeData>&& record) {
    if (studio == nullptr || !record || unsigned(ch) > 9u)
        return nullptr;
    const auto slot = std::size_t(ch);
    if (!studio->bChUsed[slot])
        ++studio->nChItemCnt;
    record->pParent = studio;
    record->nChNum = ch;
    record->sChName = ChannelLabel(ch);
    studio->bChUsed[slot] = 1;
    studio->pStrobe[slot] = std::move(record); // destroys a record the slot held
    return studio->pStrobe[slot].get();
}

StrobeData* PlaceStrobe(StudioModel* model, int n, int ch, std::unique_ptr<StrobeData>&& record) {
    if (model == nullptr || unsigned(n) > 4u || unsigned(ch) > 9u)
        return nullptr;
    StudioData* studio = model->studios[std::size_t(n)].get();
    if (const StrobeData* old = studio->UnitOn(ch);
        old != nullptr && nodeIsIn(model->pCurNode, old))
        SetCurrentNode(model, studio);
    StrobeData* placed = PutStrobe(studio, ch, std::move(record));
    if (placed != nullptr && model->pNameBook != nullptr)
        model->pNameBook->Fill(*placed, n);
    if (placed != nullptr)
        model->news.tellHeadAdded(*placed);
    return placed;
}

StrobeData* KeyUnitOf(const StudioData* studio) {
    if (studio == nullptr)
        return nullptr;
    if (StrobeData* chosen = studio->UnitOn(studio->nKeyChannel))
        return chosen;
    for (StrobeData* unit : UnitsOf(studio)) {
        if (RoleOf(*unit) == HeadRole::Key)
            return unit;
    }
    return nullptr;
}

bool SetKeyChannel(StudioModel* model, StudioData* studio, int channel) {
    if (model == nullptr || shownStudioNumber(*model, studio) < 0 || channel < -1 ||
        channel >= kChannelCount || studio->nKeyChannel == channel)
        return false;
    studio->nKeyChannel = channel;
    model->news.tellKeyChanged(studio->nStudioNum);
    return true;
}

bool SetStopsPerStep(StudioModel* model, double stopsPerStep) {
    if (model == nullptr || !(stopsPerStep > 0.0) || stopsPerStep > 10.0 ||
        model->dStopsPerStep == stopsPerStep)
        return false;
    model->dStopsPerStep = stopsPerStep;
    for (int n = 0; n < kStudioCount; ++n)
        model->news.tellKeyChanged(n);
    return true;
}

bool RenameStudio(StudioModel* model, StudioData* studio, const QString& name) {
    if (model == nullptr || shownStudioNumber(*model, studio) < 0 || name.trimmed().isEmpty() ||
        studio->sStudioName == name)
        return false;
    studio->sStudioName = name;
    model->news.tellStudioRenamed(*studio);
    return true;
}

void ClearStudio(StudioModel* model, StudioData* studio) {
    if (studio == nullptr)
        return;
    if (model != nullptr && model->pCurNode != nullptr && StudioOfNode(model->pCurNode) == studio)
        SetCurrentNode(model, studio);
    for (int i = 0; i < kChannelCount; ++i) {
        studio->bChUsed[std::size_t(i)] = 0;
        studio->pStrobe[std::size_t(i)].reset();
    }
    studio->nChItemCnt = 0;
    if (model != nullptr)
        model->news.tellStudioEmptied(*studio);
}

int CopyStudioValues(StudioData* destination, const StudioData* source) {
    if (destination == nullptr)
        return 0;
    if (source == nullptr)
        return 1;
    for (int i = 0; i < kChannelCount; ++i) {
        StrobeData* to = destination->UnitOn(i);
        const StrobeData* from = source->UnitOn(i);
        if (to == nullptr || from == nullptr)
            continue;
        to->sModelName = from->sModelName;
        CopySettingsBlock(*to, *from);
        to->sLightName = from->sLightName;
        to->nRole = from->nRole;
    }
    return 1;
}

std::vector<StrobeData*> TickedUnits(const StudioData* studio) {
    std::vector<StrobeData*> ticked;
    for (StrobeData* unit : UnitsOf(studio)) {
        if (unit->bChSelect != 0)
            ticked.push_back(unit);
    }
    return ticked;
}

std::vector<StrobeData*> UnitsOf(const StudioData* studio) {
    std::vector<StrobeData*> units;
    for (int channel = 0; studio != nullptr && channel < kChannelCount; ++channel) {
        if (StrobeData* unit = studio->UnitOn(channel))
            units.push_back(unit);
    }
    return units;
}

void SelectStudio(StudioModel* model, StudioData* studio) {
    if (model == nullptr || studio == nullptr)
        return;
    studio->nNodeKind = NODE_STUDIO;
    SetCurrentNode(model, studio);
}

void SetCurrentNode(StudioModel* model, NodeHeader* node) {
    if (model == nullptr || model->pCurNode == node)
        return;
    model->pCurNode = node;
    model->news.tellCurrentChanged();
}

} // namespace lumadesk
