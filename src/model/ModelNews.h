#pragma once

#include "platform/ChangeCode.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <vector>

namespace lumadesk {

struct StrobeData;
struct StudioData;
struct StudioModel;

// Which values of a head changed: one bit per change code (the settings table's rows, charge
// and heat), and bits of our own for the names and the confirmation cue.
using ValueMask = std::uint32_t;

constexpr ValueMask MaskOf(int changeCode) {
    return changeCode >= 0 && changeCode < 16 ? ValueMask(1) << changeCode : 0;
}
// A name or the role.
inline constexpr ValueMask kNamesMask = ValueMask(1) << 16;
// Pending, confirmed, not sent or not answering moved; nothing stored changed.
inline constexpr ValueMask kCueMask = ValueMask(1) << 17;
// The nine stored values and heat: what a status report may move.
inline constexpr ValueMask kSettingsMask =
    MaskOf(CHANGE_FLASH_LEVEL) | MaskOf(CHANGE_FLASH_CELL) | MaskOf(CHANGE_FLASH_SOUND) |
    MaskOf(CHANGE_FLASH_POWER) | MaskOf(CHANGE_MODEL_LEVEL) | MaskOf(CHANGE_MODEL_MODE1) |
    MaskOf(CHANGE_MODEL_MODE2) | MaskOf(CHANGE_MODEL_POWER) | MaskOf(CHANGE_CHARGE);
inline constexpr ValueMask kHeatMask = MaskOf(CHANGE_HEAT);
inline constexpr ValueMask kAllValuesMask = kSettingsMask | kHeatMask | kNamesMask;

// The values of a head that the news compares: settings block, heat, both names and the role.
struct HeadValues {
    std::array<int, 10> values{}; // by change code 0..9 (3 unused)
    int heat = 0;
    QString headName;
    QString lightName;
    int role = 0;
    bool operator==(const HeadValues&) const = default;
};
HeadValues ValuesOf(const StrobeData& unit);
// The bits whose values differ.
ValueMask Difference(const HeadValues& before, const HeadValues& after);

// The one source of change news about the heads. Whoever writes a record, a studio, the ticks or
// the current node tells it here, and every face (panes, grid, tree, phone, radio watch, and
// whatever comes next) listens to its signals instead of being called by the writer. Studios
// are numbered 0..4; the memory studio's preview is no news. GUI thread only.
class ModelNews : public QObject {
    Q_OBJECT
public:
    explicit ModelNews(const StudioModel& model);

    // The drain bracket: nested pairs make one; listeners that paint wait for drainEnded.
    void beginDrain();
    void endDrain();
    bool draining() const { return m_drainDepth > 0; }

    // A change bracket: while one is open, what is told of each head gathers, and the outermost
    // end tells it once per head (in the order they were first told), so a change that writes a
    // record and sends it (the cue moves) is one piece of news per head.
    void beginHold() { ++m_holdDepth; }
    void endHold();

    // What writers call after they wrote. A head of the memory studio or an empty mask
    // tells nothing.
    void tellHeadAdded(const StrobeData& unit);
    void tellHeadRemoved(int studio, int channel);
    void tellHeadChanged(const StrobeData& unit, ValueMask mask);
    void tellStudioEmptied(const StudioData& studio);
    void tellStudioRenamed(const StudioData& studio);
    void tellCurrentChanged();
    void tellTicksChanged(int studio);
    void tellSetupsChanged();
    // The studio's key or the stops scale changed: every head's stops may differ.
    void tellKeyChanged(int studio);

    // The studio number (0..4) of a record the model holds in one of the five, else -1.
    int studioOf(const StrobeData& unit) const;

signals:
    void headAdded(int studio, int channel);
    void headRemoved(int studio, int channel);
    void headChanged(int studio, int channel, quint32 mask);
    void studioEmptied(int studio);
    void studioRenamed(int studio);
    void currentChanged();
    void ticksChanged(int studio);
    // The set-up folder's listing may differ: after a save, a Load or a change of folder.
    void setupsChanged();
    // The head the studio's stops are measured from was chosen again, or the scale changed.
    // (A head's role or flash level changing is headChanged: a face showing stops measures the
    // whole studio again when the key's or any role's values move.)
    void keyChanged(int studio);
    void drainBegun();
    void drainEnded();

private:
    struct Held {
        int studio;
        int channel;
        ValueMask mask;
    };
    const StudioModel& m_model;
    int m_drainDepth = 0;
    int m_holdDepth = 0;
    std::vector<Held> m_held;
};

// Writes to one head through the news: takes the head's values when made and tells what
// differs when it goes (or at tell()). For writers that change members in place.
class HeadEdit {
public:
    HeadEdit(ModelNews& news, StrobeData& unit);
    ~HeadEdit();
    HeadEdit(const HeadEdit&) = delete;
    HeadEdit& operator=(const HeadEdit&) = delete;

    // Tells now what changed since the edit began (and begins again); returns the mask.
    ValueMask tell();
    // Adds bits to tell even when the values came back the same (an echo to redraw).
    void alsoTell(ValueMask mask) { m_extra |= mask; }

private:
    ModelNews& m_news;
    StrobeData& m_unit;
    HeadValues m_before;
    ValueMask m_extra = 0;
};

} // namespace lumadesk
