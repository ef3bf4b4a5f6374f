#include "model/ModelNews.h"

#include "model/StudioModel.h"

#include <utility>

namespace lumadesk {

HeadValues ValuesOf(const StrobeData& unit) {
    HeadValues v;
    v.values = {unit.nFlashValue, unit.bFlashCell,  unit.bFlashSnd,   0,
                unit.bFlashPow,   unit.nModelValue, unit.nModelMode1, unit.nModelMode2,
                unit.bModelPow,   unit.bFlashCharge};
    v.heat = unit.nHeatLevel;
    v.headName = unit.sModelName;
    v.lightName = unit.sLightName;
    v.role = unit.nRole;
    return v;
}

ValueMask Difference(const HeadValues& before, const HeadValues& after) {
    ValueMask mask = 0;
    for (std::size_t code = 0; code < before.values.size(); ++code) {
        if (before.values[code] != after.values[code])
            mask |= MaskOf(int(code));
    }
    if (before.heat != after.heat)
        mask |= kHeatMask;
    if (before.headName != after.headName || before.lightName != after.lightName ||
        before.role != after.role)
        mask |= kNamesMask;
    return mask;
}

ModelNews::ModelNews(const StudioModel& model) : m_model(model) {}

void ModelNews::beginDrain() {
    if (m_drainDepth++ == 0)
        emit drainBegun();
}

void ModelNews::endDrain() {
    if (m_drainDepth > 0 && --m_drainDepth == 0)
        emit drainEnded();
}

int ModelNews::studioOf(const StrobeData& unit) const {
    const int n = shownStudioNumber(m_model, static_cast<const StudioData*>(unit.pParent));
    return n >= 0 && m_model.studios[std::size_t(n)]->UnitOn(unit.nChNum) == &unit ? n : -1;
}

void ModelNews::tellHeadAdded(const StrobeData& unit) {
    if (const int studio = studioOf(unit); studio >= 0)
        emit headAdded(studio, unit.nChNum);
}

void ModelNews::tellKeyChanged(int studio) {
    if (unsigned(studio) < unsigned(kStudioCount))
        emit keyChanged(studio);
}

void ModelNews::tellHeadRemoved(int studio, int channel) {
    if (unsigned(studio) < unsigned(kStudioCount))
        emit headRemoved(studio, channel);
}

void ModelNews::tellHeadChanged(const StrobeData& unit, ValueMask mask) {
    if (mask == 0)
        return;
    const int studio = studioOf(unit);
    if (studio < 0)
        return;
    if (m_holdDepth == 0) {
        emit headChanged(studio, unit.nChNum, mask);
        return;
    }
    for (Held& held : m_held) {
        if (held.studio == studio && held.channel == unit.nChNum) {
            held.mask |= mask;
            return;
        }
    }
    m_held.push_back({studio, unit.nChNum, mask});
}

void ModelNews::endHold() {
    if (m_holdDepth == 0 || --m_holdDepth > 0)
        return;
    // Taken first: a listener may write again.
    for (const Held& held : std::exchange(m_held, {}))
        emit headChanged(held.studio, held.channel, held.mask);
}

void ModelNews::tellStudioEmptied(const StudioData& studio) {
    if (const int n = shownStudioNumber(m_model, &studio); n >= 0)
        emit studioEmptied(n);
}

void ModelNews::tellStudioRenamed(const StudioData& studio) {
    if (const int n = shownStudioNumber(m_model, &studio); n >= 0)
        emit studioRenamed(n);
}

void ModelNews::tellCurrentChanged() {
    emit currentChanged();
}

void ModelNews::tellTicksChanged(int studio) {
    if (unsigned(studio) < unsigned(kStudioCount))
        emit ticksChanged(studio);
}

void ModelNews::tellSetupsChanged() {
    emit setupsChanged();
}

HeadEdit::HeadEdit(ModelNews& news, StrobeData& unit)
    : m_news(news), m_unit(unit), m_before(ValuesOf(unit)) {}

HeadEdit::~HeadEdit() {
    tell();
}

ValueMask HeadEdit::tell() {
    HeadValues now = ValuesOf(m_unit);
    const ValueMask mask = Difference(m_before, now) | m_extra;
    m_before = std::move(now);
    m_extra = 0;
    m_news.tellHeadChanged(m_unit, mask);
    return mask;
}

} // namespace lumadesk
